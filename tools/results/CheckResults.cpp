#include "tools/results/CheckResults.h"

#include <algorithm>

namespace rc::tools {

const char* statusText(Status s) {
  switch (s) {
    case Status::NotApplicable: return "NOT APPLICABLE";
    case Status::Ok: return "OK";
    case Status::BaselineCreated: return "BASELINE CREATED";
    case Status::ExpectedFailure: return "XFAIL";
    case Status::UnexpectedPass: return "XPASS";
    case Status::Warning: return "WARNING";
    case Status::Failed: return "FAILED";
  }
  return "?";
}

int exitCodeOf(const std::vector<CheckRow>& rows) {
  int code = 0;
  for (const CheckRow& r : rows) {
    if (r.status == Status::Failed) code = 2;
    else if (r.status == Status::Warning) code = std::max(code, 1);
  }
  return code;
}

}  // namespace rc::tools
