// What the vault tasks' classes share in publishing their members and
// wording their trapped errors.
#pragma once

#include <string>
#include <string_view>

#include "Core/vault/LoginSettings.h"
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
    a[slot] = text;
    return result;
  };
}

// The login members both tasks publish: GetRegistryValue and the three
// login values (read by Self's static GetUserName, GetPassword, GetVaultComputer).
template <typename Self>
void PublishLoginMembers(automation::ClassBuilder<Self>& b) {
  using automation::Variant;
  using automation::VarType;
  b.method("GetRegistryValue", VarType::String,
           {automation::byVal("hkeyIn", VarType::Long), automation::byVal("pathIn", VarType::String),
            automation::byVal("strValueIn", VarType::String)},
           [](Self&, automation::CallArgs& a) {
             return Variant(GetRegistryValue(a[0].asLong(), a[1].asString(), a[2].asString()));
           });
  b.method("GetUserName", VarType::String, {}, [](Self&, automation::CallArgs&) { return Variant(Self::GetUserName()); });
  b.method("GetPassword", VarType::String, {}, [](Self&, automation::CallArgs&) { return Variant(Self::GetPassword()); });
  b.method("GetVaultComputer", VarType::String, {},
           [](Self&, automation::CallArgs&) { return Variant(Self::GetVaultComputer()); });
}

}  // namespace rc::core::vault
