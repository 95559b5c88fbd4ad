#include "sim/vault/ConnectionState.h"

#include "sim/vault/ObjectErrors.h"

namespace rc::sim::vault {

Vault& ConnectionState::loggedIn() {
  if (!vault) raiseVault("not logged in to a vault");
  return *vault;
}

void ConnectionState::clear() {
  vault.reset();
  user.clear();
  isAdmin = false;
  registeredAdmin.clear();
}

void raiseVault(const std::string& description) {
  automation::raise(automation::err::ApplicationDefined, description, kErrorSource);
}

}  // namespace rc::sim::vault
