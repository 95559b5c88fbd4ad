// The vault tasks' login data, kept in the settings store under
// HKEY_CURRENT_USER\Software\Vexlar\Vexlar 2007\Keystead\<user key>\ as the
// values "Temp-1" (user name), "Temp-2" (password) and "Temp-3" (vault
// computer).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/automation/Dispatch.h"

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

// Logs the connection in with the values stored under `userKey`. False with
// "Login to Vault Failed" when there is no connection and "Login to Vault
// Failed2" when the user name or vault computer is empty (the vault is not
// called then); a refused login raises.
bool LoginWithStoredValues(const automation::ObjectRef& connection, std::string_view userKey,
                           std::string& returnedErrString);

// Creates the vault connection into `connection` and runs `login` on it; a
// refused login drops the connection and leaves its text (or "Login to Vault
// Failed"). A trapped error's text is its description and `trapSuffix`.
bool OpenVaultConnection(automation::ObjectRef& connection, const std::function<bool(std::string&)>& login,
                         std::string_view trapSuffix, std::string& returnedErrString);

}  // namespace rc::core::vault
