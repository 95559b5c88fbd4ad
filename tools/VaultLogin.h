// The login of a vault task for one run of `ravelcrest vault`: the values
// Temp-1 (user), Temp-2 (password) and Temp-3 (vault) of the task's key in
// the settings store, where the task classes read them. The values the run
// writes are put back as they were when it ends.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace rc::tools {

class VaultLogin {
 public:
  // `userKey` is "TempAdminUser" (update) or "TempPrintUser" (print). Sets
  // Temp-3 to `vault`, and Temp-1 and Temp-2 when `user` is given.
  // UsageError when no user name is given or stored.
  VaultLogin(const std::string& userKey, const std::string& vault, const std::optional<std::string>& user,
             const std::string& password);
  ~VaultLogin();
  VaultLogin(const VaultLogin&) = delete;
  VaultLogin& operator=(const VaultLogin&) = delete;

  // The full key path: HKEY_CURRENT_USER\Software\Vexlar\Vexlar 2007\Keystead\<userKey>.
  static std::string keyOf(const std::string& userKey);

 private:
  void set(const char* name, const std::string& value);

  std::string key_;
  std::vector<std::pair<std::string, std::optional<std::string>>> previous_;
};

// One line of standard input without its line end (the --password-stdin password).
std::string readPasswordLine();

}  // namespace rc::tools
