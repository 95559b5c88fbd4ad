#include "sim/vault/PostgresClient.h"

#include <optional>

#include "platform/os/OnDemandModules.h"
#include "sim/vault/VaultError.h"

namespace rc::sim::vault {

namespace {

// The loaded table, or the reason it could not be loaded.
struct Loaded {
  const rc_pg_functions* functions = nullptr;
  std::optional<VaultError> failure;
};

Loaded load() {
  platform::ModuleTable table =
      platform::loadOnDemandModule({kPostgresModuleFileName, "RAVELCREST_PG_MODULE", kPostgresModuleEntry, "the PostgreSQL client module"});
  if (!table.functions) return {nullptr, VaultError(ErrorKind::Storage, table.failure)};
  return {static_cast<const rc_pg_functions*>(table.functions), std::nullopt};
}

}  // namespace

const rc_pg_functions& postgresClient() {
  static const Loaded loaded = load();
  if (!loaded.functions) throw *loaded.failure;
  return *loaded.functions;
}

}  // namespace rc::sim::vault
