#include "sim/vault/OnDemandModule.h"

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>

#include "sim/vault/VaultError.h"

namespace rc::sim::vault {

namespace {

bool isFile(const std::filesystem::path& p) {
  std::error_code ec;
  return std::filesystem::is_regular_file(p, ec);
}

}  // namespace

std::string onDemandModulePath(const char* fileName, const char* override) {
  if (const char* v = std::getenv(override); v && *v) return v;
  Dl_info info{};
  if (::dladdr(reinterpret_cast<void*>(&onDemandModulePath), &info) && info.dli_fname) {
    const std::filesystem::path here = std::filesystem::path(info.dli_fname).parent_path();
    for (const auto& candidate : {here / fileName, here / "ravelcrest.libs" / fileName, here / ".." / "lib" / fileName,
                                  here / ".." / "lib" / "ravelcrest" / fileName})
      if (isFile(candidate)) return candidate.lexically_normal().string();
#ifdef RAVELCREST_MODULE_INSTALL_SUBDIR
    const std::filesystem::path installed = here / ".." / RAVELCREST_MODULE_INSTALL_SUBDIR / fileName;
    if (isFile(installed)) return installed.lexically_normal().string();
#endif
#ifdef RAVELCREST_MODULES_FROM_PYTHON
    const std::filesystem::path besidePython = here / RAVELCREST_MODULES_FROM_PYTHON / fileName;
    if (isFile(besidePython)) return besidePython.lexically_normal().string();
#endif
  }
#ifdef RAVELCREST_MODULE_DIR
  return std::string(RAVELCREST_MODULE_DIR) + "/" + fileName;
#else
  return fileName;
#endif
}

const void* loadOnDemandModule(const char* fileName, const char* override, const char* entry, const char* what) {
  const std::string module = onDemandModulePath(fileName, override);
  // RTLD_LOCAL: the library the module links stays its own, seen by no one else.
  void* handle = ::dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
  using Entry = const void* (*)();
  auto call = handle ? reinterpret_cast<Entry>(::dlsym(handle, entry)) : nullptr;
  if (!call) {
    const char* why = ::dlerror();
    throw VaultError(ErrorKind::Storage, std::string(what) + " " + module + " cannot be loaded" +
                                             (why ? std::string(": ") + why : std::string()));
  }
  return call();
}

}  // namespace rc::sim::vault
