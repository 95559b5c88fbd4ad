// How the vault's objects report failures: as automation errors whose
// description says what went wrong, with "Keystead" as their source.
#pragma once

#include <string>
#include <utility>

#include "platform/automation/Error.h"
#include "sim/vault/VaultError.h"

namespace rc::sim::vault {

inline constexpr const char* kErrorSource = "Keystead";

// Raises the automation error for `description`.
[[noreturn]] void raiseVault(const std::string& description);

// Runs `fn`; a VaultError becomes the automation error naming it.
template <typename Fn>
auto guarded(Fn&& fn) -> decltype(fn()) {
  try {
    return std::forward<Fn>(fn)();
  } catch (const VaultError& e) {
    raiseVault(e.what());
  }
}

}  // namespace rc::sim::vault
