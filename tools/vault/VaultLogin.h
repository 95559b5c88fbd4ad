// The login of a vault task for one run of `ravelcrest vault`: the values
// Temp-1 (user), Temp-2 (password) and Temp-3 (vault) of the task's key in
// the settings store, where the task classes read them.
//
// The run never writes the user's settings store: it works on a copy of it
// (mode 0600, in a private folder of its own, 0700) that
// $RAVELCREST_REGISTRY names for the run, and removes the copy when it ends
// (a signal that ends the run at once removes it too). A password given on
// standard input is only ever in that copy, so a run killed outright leaves
// the user's store as it was.
#pragma once

#include <optional>
#include <string>

namespace rc::tools {

class VaultLogin {
 public:
  // `userKey` is "TempAdminUser" (update) or "TempPrintUser" (print). Sets
  // Temp-3 to `vault`, and Temp-1 and Temp-2 when `user` is given, in the
  // run's copy of the store. UsageError when no user name is given or
  // stored; OutputError when the copy cannot be made.
  VaultLogin(const std::string& userKey, const std::string& vault, const std::optional<std::string>& user,
             const std::string& password);
  ~VaultLogin();
  VaultLogin(const VaultLogin&) = delete;
  VaultLogin& operator=(const VaultLogin&) = delete;

  // The full key path: HKEY_CURRENT_USER\Software\Vexlar\Vexlar 2007\Keystead\<userKey>.
  static std::string keyOf(const std::string& userKey);

  // The run's copy of the settings store.
  const std::string& runStore() const { return store_; }

 private:
  // Names the user's store again and removes the copy.
  void restore() noexcept;

  std::string folder_;  // the private folder holding the copy
  std::string store_;   // the copy, named by $RAVELCREST_REGISTRY during the run
  bool namesCopy_ = false;                       // $RAVELCREST_REGISTRY names the copy
  std::optional<std::string> previousRegistry_;  // $RAVELCREST_REGISTRY before the run
};

// One line of standard input without its line end (the --password-stdin password).
std::string readPasswordLine();

}  // namespace rc::tools
