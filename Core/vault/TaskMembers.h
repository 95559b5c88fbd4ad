// What the vault tasks' classes share in publishing their members and
// wording their trapped errors.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

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

// A task setting's value as its C++ type (std::string, bool or
// std::int32_t) keeps it.
template <typename F>
F SettingValue(const automation::Variant& value) {
  if constexpr (std::is_same_v<F, std::string>) return value.asString();
  else if constexpr (std::is_same_v<F, bool>) return value.asBool();
  else {
    static_assert(std::is_same_v<F, std::int32_t>, "a setting is text, a Boolean or a Long");
    return value.asLong();
  }
}

// Publishes the setter `name` of one task setting: a by-reference `setIn`
// of `type` whose value `field(self)` (a reference into Self's settings)
// receives; answers Empty.
template <typename Self, typename Field>
void PublishSetter(automation::ClassBuilder<Self>& b, const char* name, automation::VarType type, Field field) {
  b.method(name, automation::VarType::Variant, {automation::byRef("setIn", type)},
           [field](Self& self, automation::CallArgs& a) {
             auto& setting = field(self);
             setting = SettingValue<std::remove_reference_t<decltype(setting)>>(a[0]);
             return automation::Variant();
           });
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
