#include "platform/automation/TypeInfo.h"

#include <strings.h>

namespace rc::automation {

std::string_view memberKindName(MemberKind k) {
  switch (k) {
    case MemberKind::Method: return "method";
    case MemberKind::PropertyGet: return "get";
    case MemberKind::PropertyLet: return "let";
    case MemberKind::PropertySet: return "set";
  }
  return "?";
}

std::size_t MemberInfo::requiredCount() const {
  std::size_t n = 0;
  for (const ParamInfo& p : params)
    if (!p.optional) ++n;
  return n;
}

std::vector<const MemberInfo*> ClassInfo::find(std::string_view name) const {
  std::vector<const MemberInfo*> out;
  for (const MemberInfo& m : members) {
    if (m.name.size() == name.size() && strncasecmp(m.name.data(), name.data(), name.size()) == 0) out.push_back(&m);
  }
  return out;
}

}  // namespace rc::automation
