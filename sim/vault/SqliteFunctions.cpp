#include "sim/vault/SqliteFunctions.h"

#include "sim/vault/VaultModules.h"

namespace rc::sim::vault {

const rc_sqlite_functions& sqliteFunctions() {
  return vaultModuleTable<rc_sqlite_functions>({kSqliteModuleFileName, "RAVELCREST_SQLITE_MODULE", kSqliteModuleEntry, "the SQLite module"});
}

}  // namespace rc::sim::vault
