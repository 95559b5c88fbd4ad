// The vault's modules loaded on demand with dlopen: shared objects that link
// a library only some work needs (libpq for a PostgreSQL vault, OpenSSL's
// SHA-256 for hashing contents), so that a program starts without it. Each
// hands over a table of functions through one C entry.
#pragma once

#include <string>

namespace rc::sim::vault {

// Where module `fileName` is looked for: the file the environment variable
// `override` names, or the first that exists of <here>/,
// <here>/ravelcrest.libs/, <here>/../lib/, <here>/../lib/ravelcrest/ and the
// install's module folder (seen from its bin/ or from its Python module),
// <here> being the folder of the program or shared object holding this
// code; else the build's lib/ folder.
std::string onDemandModulePath(const char* fileName, const char* override);

// Loads module `fileName` (found as above) and calls its entry `entry`,
// which answers its table of functions; `what` names the module in the
// failure ("the PostgreSQL client module"). Raises Storage when the module
// cannot be loaded; the module then stays loaded for the process.
const void* loadOnDemandModule(const char* fileName, const char* override, const char* entry, const char* what);

}  // namespace rc::sim::vault
