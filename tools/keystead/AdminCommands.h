// The commands of keystead-admin. Each either completes or raises a
// VaultError before changing anything the caller can see.
#pragma once

#include <iosfwd>
#include <string>

#include "tools/keystead/AdminArguments.h"

namespace rc::keystead {

// Runs `request`, reading a password from `in` and writing listings to
// `out`. Raises VaultError.
void runAdminCommand(const AdminRequest& request, std::istream& in, std::ostream& out);

}  // namespace rc::keystead
