#include "sim/vault/VaultModules.h"

namespace rc::sim::vault {

LoadedModule loadVaultModule(const platform::OnDemandModule& module) {
  platform::ModuleTable table = platform::loadOnDemandModule(module);
  if (!table.functions) return {nullptr, VaultError(ErrorKind::Storage, table.failure)};
  return {table.functions, std::nullopt};
}

}  // namespace rc::sim::vault
