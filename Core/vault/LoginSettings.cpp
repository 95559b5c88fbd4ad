#include "Core/vault/LoginSettings.h"

#include <optional>

#include "platform/os/SettingsStore.h"

namespace rc::core::vault {

namespace {

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

}  // namespace rc::core::vault
