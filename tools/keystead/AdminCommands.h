// The commands of keystead-admin. Each either completes or raises a
// VaultError before changing anything the caller can see.
#pragma once

#include <iosfwd>
#include <string>

#include "sim/vault/BlobStore.h"
#include "tools/keystead/AdminArguments.h"

namespace rc::keystead {

// Runs `request`, reading a password from `in` and writing listings to
// `out`. Commands that only read open the vault read-only, so a vault on a
// read-only folder or device still serves them. Raises VaultError; answers
// the exit code (check: 1 when it found problems, else 0). An add or a get
// asks `stop` between the blocks it copies and, once it answers true,
// raises Interrupted with nothing changed.
int runAdminCommand(const AdminRequest& request, std::istream& in, std::ostream& out,
                    sim::vault::StopCheck stop = {});

}  // namespace rc::keystead
