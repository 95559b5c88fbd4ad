// Modules loaded on demand with dlopen: shared objects that link a library
// only some work needs (libpq for a PostgreSQL vault, OpenSSL's SHA-256 for
// hashing contents, the HTTP server of `ravelcrest review`), so that a
// program starts without it. Each hands over a table of functions through
// one C entry, and is handed what it needs from the program the same way:
// a module never looks a symbol up in the program.
#pragma once

#include <string>
#include <vector>

namespace rc::platform {

// One module: its file, the environment variable that may name the file
// instead, its entry, and its name in failures ("the PostgreSQL client
// module").
struct OnDemandModule {
  const char* fileName;
  const char* override;
  const char* entry;
  const char* what;
};

// The places module `fileName` is looked for, in order: <here>/,
// <here>/ravelcrest.libs/, <here>/../lib/, <here>/../lib/ravelcrest/, the
// install's module folder (seen from its bin/ or from its Python module),
// and the build's lib/ folder; <here> being the folder of the program (as
// /proc/self/exe names it) or shared object holding this code.
std::vector<std::string> onDemandModuleCandidates(const char* fileName);

// The module file: the one $override names, else the first candidate that
// exists; "" when none does.
std::string onDemandModulePath(const OnDemandModule& module);

// The table the module's entry answers, or why there is none.
struct ModuleTable {
  const void* functions = nullptr;
  std::string failure;  // "" when loaded
};

// Loads `module` and calls its entry. A module found nowhere is named with
// the places looked in; one that cannot be loaded with the reason. A loaded
// module stays for the process.
ModuleTable loadOnDemandModule(const OnDemandModule& module);

}  // namespace rc::platform
