// What the vault tasks' classes share in publishing their members and
// wording their trapped errors.
#pragma once

#include <string>
#include <string_view>

#include "platform/automation/Error.h"
#include "platform/automation/TypeInfo.h"

namespace rc::core::vault {

// A trapped error's text: its description and the suffix naming the member.
inline std::string WithSuffix(const automation::AutomationError& e, std::string_view suffix) {
  return e.description() + std::string(suffix);
}

// The out text every task member ends with.
inline automation::ParamInfo ErrTextParam() { return automation::byRef("returnedErrString", automation::VarType::String); }

// A vault document parameter.
inline automation::ParamInfo DocumentParam(std::string name) {
  return automation::byRef(std::move(name), automation::VarType::Object);
}

// A member handler whose parameter `slot` is `returnedErrString`:
// `fn(Self&, CallArgs&, std::string& text)` fills the text and returns the result.
template <typename Self, typename Fn>
auto WithErrText(std::size_t slot, Fn fn) {
  return [slot, fn](Self& self, automation::CallArgs& a) {
    std::string text;
    automation::Variant result = fn(self, a, text);
    a[slot] = automation::Variant(text);
    return result;
  };
}

}  // namespace rc::core::vault
