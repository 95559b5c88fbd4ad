#include "sim/vault/DigestFunctions.h"

#include <optional>

#include "sim/vault/OnDemandModule.h"
#include "sim/vault/VaultError.h"

namespace rc::sim::vault {

namespace {

// The loaded table, or the reason it could not be loaded.
struct Loaded {
  const rc_digest_functions* functions = nullptr;
  std::optional<VaultError> failure;
};

Loaded load() {
  try {
    return {static_cast<const rc_digest_functions*>(loadOnDemandModule(
                kDigestModuleFileName, "RAVELCREST_DIGEST_MODULE", kDigestModuleEntry, "the SHA-256 module")),
            std::nullopt};
  } catch (const VaultError& e) {
    return {nullptr, e};
  }
}

}  // namespace

const rc_digest_functions& digestFunctions() {
  static const Loaded loaded = load();
  if (!loaded.functions) throw *loaded.failure;
  return *loaded.functions;
}

}  // namespace rc::sim::vault
