#include "sim/vault/PostgresClient.h"

#include "sim/vault/VaultModules.h"

namespace rc::sim::vault {

const rc_pg_functions& postgresClient() {
  return vaultModuleTable<rc_pg_functions>({kPostgresModuleFileName, "RAVELCREST_PG_MODULE", kPostgresModuleEntry, "the PostgreSQL client module"});
}

}  // namespace rc::sim::vault
