#include "sim/vault/SqliteFunctions.h"

#include <optional>

#include "platform/os/OnDemandModules.h"
#include "sim/vault/VaultError.h"

namespace rc::sim::vault {

namespace {

// The loaded table, or the reason it could not be loaded.
struct Loaded {
  const rc_sqlite_functions* functions = nullptr;
  std::optional<VaultError> failure;
};

Loaded load() {
  platform::ModuleTable table =
      platform::loadOnDemandModule({kSqliteModuleFileName, "RAVELCREST_SQLITE_MODULE", kSqliteModuleEntry, "the SQLite module"});
  if (!table.functions) return {nullptr, VaultError(ErrorKind::Storage, table.failure)};
  return {static_cast<const rc_sqlite_functions*>(table.functions), std::nullopt};
}

}  // namespace

const rc_sqlite_functions& sqliteFunctions() {
  static const Loaded loaded = load();
  if (!loaded.functions) throw *loaded.failure;
  return *loaded.functions;
}

}  // namespace rc::sim::vault
