// The vault tasks' login data, kept in the settings store under
// HKEY_CURRENT_USER\Software\Vexlar\Vexlar 2007\Keystead\<user key>\ as the
// values "Temp-1" (user name), "Temp-2" (password) and "Temp-3" (vault
// computer).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace rc::core::vault {

inline constexpr std::int32_t kHkeyCurrentUser = static_cast<std::int32_t>(0x80000001u);
inline constexpr std::string_view kUserNameValue = "Temp-1";
inline constexpr std::string_view kPasswordValue = "Temp-2";
inline constexpr std::string_view kVaultComputerValue = "Temp-3";

// The key path of a task's login, e.g. "Software\Vexlar\Vexlar 2007\Keystead\TempAdminUser\".
std::string LoginKeyPath(std::string_view userKey);

// The string value `valueName` of key `path` under root key `hkey`, cut at
// its first NUL; "" when the root, key or value is unknown.
std::string GetRegistryValue(std::int32_t hkey, std::string_view path, std::string_view valueName);

// One login value of the task whose login lives under `userKey`.
std::string LoginValue(std::string_view userKey, std::string_view valueName);

}  // namespace rc::core::vault
