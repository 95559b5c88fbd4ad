#include "sim/vault/DigestFunctions.h"

#include <optional>

#include "platform/os/OnDemandModules.h"
#include "sim/vault/VaultError.h"

namespace rc::sim::vault {

namespace {

// The loaded table, or the reason it could not be loaded.
struct Loaded {
  const rc_digest_functions* functions = nullptr;
  std::optional<VaultError> failure;
};

Loaded load() {
  platform::ModuleTable table =
      platform::loadOnDemandModule({kDigestModuleFileName, "RAVELCREST_DIGEST_MODULE", kDigestModuleEntry, "the SHA-256 module"});
  if (!table.functions) return {nullptr, VaultError(ErrorKind::Storage, table.failure)};
  return {static_cast<const rc_digest_functions*>(table.functions), std::nullopt};
}

}  // namespace

const rc_digest_functions& digestFunctions() {
  static const Loaded loaded = load();
  if (!loaded.functions) throw *loaded.failure;
  return *loaded.functions;
}

}  // namespace rc::sim::vault
