// What a connection and its administration interface share: the open
// vault, the logged-in user and the registered administrator.
#pragma once

#include <memory>
#include <string>

#include "sim/vault/Vault.h"

namespace rc::sim::vault {

struct ConnectionState {
  std::shared_ptr<Vault> vault;  // null when logged out
  std::string user;
  bool isAdmin = false;
  std::string registeredAdmin;  // empty when none is registered

  // The vault of the logged-in session; raises when logged out.
  Vault& loggedIn();
  void clear();
};

}  // namespace rc::sim::vault
