#include "tools/run/Progress.h"

#include <cstdio>
#include <string>

#include "platform/os/System.h"
#include "tools/common/TerminalText.h"

namespace rc::tools {

namespace {

const char* worstText(const DocumentResult& d) {
  Status worst = Status::Ok;
  for (const CheckRow& r : d.rows)
    if (static_cast<int>(r.status) > static_cast<int>(worst)) worst = r.status;
  return statusText(worst);
}

}  // namespace

Progress::Progress(std::ostream& err, bool terminal, std::size_t total)
    : err_(err), terminal_(terminal), total_(total), started_(platform::tickCount()) {}

void Progress::finished(const DocumentResult& document) {
  ++done_;
  double elapsed = (platform::tickCount() - started_) / 1000.0;
  char rate[48];
  std::snprintf(rate, sizeof rate, "%.1f documents/s", elapsed > 0 ? done_ / elapsed : 0.0);
  std::string line = "[" + std::to_string(done_) + "/" + std::to_string(total_) + "] " + oneLineText(document.label) + " " +
                     worstText(document) + ", " + rate;
  if (terminal_) err_ << "\r" << line << "\033[K" << std::flush;
  else err_ << "progress: " << line << "\n" << std::flush;
}

void Progress::clear() {
  if (terminal_ && done_ > 0) err_ << "\r\033[K" << std::flush;
}

}  // namespace rc::tools
