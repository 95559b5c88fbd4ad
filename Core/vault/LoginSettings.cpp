#include "Core/vault/LoginSettings.h"

#include <optional>

#include "platform/automation/Registry.h"
#include "platform/automation/Trap.h"
#include "platform/os/SettingsStore.h"

namespace rc::core::vault {

namespace {

constexpr std::string_view kConnectionProgId = "Keystead.KstdConnection";
constexpr std::string_view kLoginFailed = "Login to Vault Failed";

// The root key's name in the settings store, or "" for an unknown handle.
std::string_view rootKeyName(std::int32_t hkey) {
  switch (static_cast<std::uint32_t>(hkey)) {
    case 0x80000000u: return "HKEY_CLASSES_ROOT";
    case 0x80000001u: return "HKEY_CURRENT_USER";
    case 0x80000002u: return "HKEY_LOCAL_MACHINE";
    case 0x80000003u: return "HKEY_USERS";
    default: return "";
  }
}

}  // namespace

std::string LoginKeyPath(std::string_view userKey) {
  return "Software\\Vexlar\\Vexlar 2007\\Keystead\\" + std::string(userKey) + "\\";
}

std::string GetRegistryValue(std::int32_t hkey, std::string_view path, std::string_view valueName) {
  std::string_view root = rootKeyName(hkey);
  if (root.empty()) return "";
  std::string key(root);
  if (!path.empty()) key += "\\" + std::string(path);
  platform::SettingsStore store;
  std::optional<std::string> value = store.get(key, valueName);
  if (!value) return "";
  std::size_t nul = value->find('\0');
  if (nul != std::string::npos) value->resize(nul);
  return *value;
}

std::string LoginValue(std::string_view userKey, std::string_view valueName) {
  return GetRegistryValue(kHkeyCurrentUser, LoginKeyPath(userKey), valueName);
}

bool LoginWithStoredValues(const automation::ObjectRef& connection, std::string_view userKey,
                           std::string& returnedErrString) {
  if (!connection) {
    returnedErrString = kLoginFailed;
    return false;
  }
  const std::string user = LoginValue(userKey, kUserNameValue);
  const std::string password = LoginValue(userKey, kPasswordValue);
  const std::string computer = LoginValue(userKey, kVaultComputerValue);
  if (user.empty() || computer.empty()) {
    returnedErrString = "Login to Vault Failed2";
    return false;
  }
  automation::call(connection, "Login", user, password, computer);
  return true;
}

bool OpenVaultConnection(automation::ObjectRef& connection, const std::function<bool(std::string&)>& login,
                         std::string_view trapSuffix, std::string& returnedErrString) {
  returnedErrString.clear();
  bool result = false;
  automation::trapped(
      [&] {
        connection = automation::createObject(kConnectionProgId);
        if (!connection) {
          returnedErrString = kLoginFailed;
          return;
        }
        if (!login(returnedErrString)) {
          connection.reset();
          if (returnedErrString.empty()) returnedErrString = kLoginFailed;
          return;
        }
        result = true;
      },
      [&](const automation::AutomationError& e) { returnedErrString = e.description() + std::string(trapSuffix); });
  return result;
}

}  // namespace rc::core::vault
