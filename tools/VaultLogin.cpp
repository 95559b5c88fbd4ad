#include "tools/VaultLogin.h"

#include <iostream>

#include "platform/automation/Error.h"
#include "platform/os/SettingsStore.h"
#include "tools/Command.h"

namespace rc::tools {

std::string VaultLogin::keyOf(const std::string& userKey) {
  return "HKEY_CURRENT_USER\\Software\\Vexlar\\Vexlar 2007\\Keystead\\" + userKey;
}

VaultLogin::VaultLogin(const std::string& userKey, const std::string& vault, const std::optional<std::string>& user,
                       const std::string& password)
    : key_(keyOf(userKey)) {
  platform::SettingsStore store;
  if (!user && store.get(key_, "Temp-1").value_or("").empty())
    throw UsageError("vault: no vault user: give --user (and --password-stdin), or store one with\n  ravelcrest registry set '" +
                     key_ + "' Temp-1 NAME");
  if (user && user->empty()) throw UsageError("vault: --user is empty");
  set("Temp-3", vault);
  if (user) {
    set("Temp-1", *user);
    set("Temp-2", password);
  }
}

void VaultLogin::set(const char* name, const std::string& value) {
  platform::SettingsStore store;
  previous_.emplace_back(name, store.get(key_, name));
  store.set(key_, name, value);
}

VaultLogin::~VaultLogin() {
  // Puts back what the run changed, latest first; a store that cannot be
  // written now keeps the run's values (nothing to report from a destructor).
  try {
    platform::SettingsStore store;
    for (auto it = previous_.rbegin(); it != previous_.rend(); ++it) {
      if (it->second) store.set(key_, it->first, *it->second);
      else store.remove(key_, it->first);
    }
  } catch (const automation::AutomationError&) {
  }
}

std::string readPasswordLine() {
  std::string line;
  if (!std::getline(std::cin, line)) throw UsageError("vault: --password-stdin: no line on standard input");
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace rc::tools
