// The vault's modules loaded on demand (platform/os/OnDemandModules.h):
// each module's table of functions, loaded the first time it is asked for
// and kept for the process; a module that cannot be loaded is the vault's
// Storage error, raised again at each ask.
#pragma once

#include <optional>

#include "platform/os/OnDemandModules.h"
#include "sim/vault/VaultError.h"

namespace rc::sim::vault {

// A module's table, or the reason it could not be loaded.
struct LoadedModule {
  const void* functions = nullptr;
  std::optional<VaultError> failure;
};

// Loads `module`; a failure as a Storage error naming the module.
LoadedModule loadVaultModule(const platform::OnDemandModule& module);

// The table of type `Table` that `module` hands over, loaded on first use.
template <typename Table>
const Table& vaultModuleTable(const platform::OnDemandModule& module) {
  static const LoadedModule loaded = loadVaultModule(module);
  if (!loaded.functions) throw *loaded.failure;
  return *static_cast<const Table*>(loaded.functions);
}

}  // namespace rc::sim::vault
