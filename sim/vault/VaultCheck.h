// The integrity check of a vault (keystead-admin check): the database's own
// check, every revision's content present in blobs/ with the SHA-256 and
// size recorded for it, the temporaries of check-ins that did not finish,
// files in blobs/ that are no content of the vault, and a vault folder or
// database other users can read.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "sim/vault/Vault.h"

namespace rc::sim::vault {

struct CheckReport {
  std::vector<std::string> problems;  // one line each, "kind: what"
  std::size_t revisions = 0;          // revisions whose content was checked
  std::size_t contents = 0;           // files of blobs/ read and hashed
};

// Checks `vault` without changing it. Raises VaultError when its records
// cannot be read at all.
CheckReport checkVault(Vault& vault);

}  // namespace rc::sim::vault
