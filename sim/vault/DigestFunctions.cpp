#include "sim/vault/DigestFunctions.h"

#include "sim/vault/VaultModules.h"

namespace rc::sim::vault {

const rc_digest_functions& digestFunctions() {
  return vaultModuleTable<rc_digest_functions>({kDigestModuleFileName, "RAVELCREST_DIGEST_MODULE", kDigestModuleEntry, "the SHA-256 module"});
}

}  // namespace rc::sim::vault
