#include "sim/vault/PostgresClient.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "sim/vault/VaultError.h"

namespace rc::sim::vault {

namespace {

bool isFile(const std::filesystem::path& p) {
  std::error_code ec;
  return std::filesystem::is_regular_file(p, ec);
}

// The loaded table, or the reason it could not be loaded.
struct Loaded {
  const rc_pg_functions* functions = nullptr;
  std::string failure;
};

Loaded load() {
  const std::string module = postgresModulePath();
  // RTLD_LOCAL: libpq's symbols stay the module's, seen by no one else.
  void* handle = ::dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
  auto entry = handle ? reinterpret_cast<decltype(&rc_pg_functions_v1)>(::dlsym(handle, kPostgresModuleEntry)) : nullptr;
  if (!entry) {
    const char* why = ::dlerror();
    return {nullptr, "the PostgreSQL client module " + module + " cannot be loaded" + (why ? std::string(": ") + why : "")};
  }
  return {entry(), ""};
}

}  // namespace

std::string postgresModulePath() {
  if (const char* v = std::getenv("RAVELCREST_PG_MODULE"); v && *v) return v;
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&postgresModulePath), &info) && info.dli_fname) {
    const std::filesystem::path here = std::filesystem::path(info.dli_fname).parent_path();
    for (const auto& candidate : {here / kPostgresModuleFileName, here / "ravelcrest.libs" / kPostgresModuleFileName,
                                  here / ".." / "lib" / kPostgresModuleFileName,
                                  here / ".." / "lib" / "ravelcrest" / kPostgresModuleFileName})
      if (isFile(candidate)) return candidate.lexically_normal().string();
#ifdef RAVELCREST_MODULE_INSTALL_SUBDIR
    const std::filesystem::path installed = here / ".." / RAVELCREST_MODULE_INSTALL_SUBDIR / kPostgresModuleFileName;
    if (isFile(installed)) return installed.lexically_normal().string();
#endif
#ifdef RAVELCREST_MODULES_FROM_PYTHON
    const std::filesystem::path besidePython = here / RAVELCREST_MODULES_FROM_PYTHON / kPostgresModuleFileName;
    if (isFile(besidePython)) return besidePython.lexically_normal().string();
#endif
  }
#ifdef RAVELCREST_MODULE_DIR
  return std::string(RAVELCREST_MODULE_DIR) + "/" + kPostgresModuleFileName;
#else
  return kPostgresModuleFileName;
#endif
}

const rc_pg_functions& postgresClient() {
  static const Loaded loaded = load();
  if (!loaded.functions) throw VaultError(ErrorKind::Storage, loaded.failure);
  return *loaded.functions;
}

}  // namespace rc::sim::vault
