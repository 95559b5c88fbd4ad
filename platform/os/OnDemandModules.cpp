#include "platform/os/OnDemandModules.h"

#include <dlfcn.h>
#include <link.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

namespace rc::platform {

namespace {

bool isFile(const std::filesystem::path& p) {
  std::error_code ec;
  return std::filesystem::is_regular_file(p, ec);
}

// Whether `folder` is `root` or lies below it (both lexically normal).
[[maybe_unused]] bool isWithin(const std::filesystem::path& folder, const std::filesystem::path& root) {
  auto [r, f] = std::mismatch(root.begin(), root.end(), folder.begin(), folder.end());
  return r == root.end() || (std::next(r) == root.end() && r->empty());
}

// The folder of the object holding this code. The program itself is named
// by /proc/self/exe: the loader knows it only as argv[0], which is a bare
// name when it was found on PATH and would make the search relative to the
// working folder.
std::filesystem::path hereFolder() {
  Dl_info info{};
  link_map* map = nullptr;
  if (!::dladdr1(reinterpret_cast<void*>(&onDemandModuleCandidates), &info, reinterpret_cast<void**>(&map),
                 RTLD_DL_LINKMAP))
    return {};
  if (map && map->l_name && *map->l_name) return std::filesystem::path(map->l_name).parent_path();
  std::error_code ec;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) return self.parent_path();
  return info.dli_fname ? std::filesystem::path(info.dli_fname).parent_path() : std::filesystem::path();
}

}  // namespace

std::vector<std::string> onDemandModuleCandidates(const char* fileName) {
  std::vector<std::string> places;
  const std::filesystem::path here = hereFolder();
  if (!here.empty()) {
    for (const auto& candidate : {here / fileName, here / "ravelcrest.libs" / fileName, here / ".." / "lib" / fileName,
                                  here / ".." / "lib" / "ravelcrest" / fileName})
      places.push_back(candidate.lexically_normal().string());
#ifdef RAVELCREST_MODULE_INSTALL_SUBDIR
    places.push_back((here / ".." / RAVELCREST_MODULE_INSTALL_SUBDIR / fileName).lexically_normal().string());
#endif
#ifdef RAVELCREST_MODULES_FROM_PYTHON
    places.push_back((here / RAVELCREST_MODULES_FROM_PYTHON / fileName).lexically_normal().string());
#endif
  }
#if defined(RAVELCREST_MODULE_DIR) && defined(RAVELCREST_BUILD_ROOT)
  // The build's own folder serves only code that runs from the build: an
  // installed copy never loads a module from wherever it was built.
  if (!here.empty() && isWithin(here.lexically_normal(), RAVELCREST_BUILD_ROOT))
    places.push_back(std::string(RAVELCREST_MODULE_DIR) + "/" + fileName);
#endif
  return places;
}

std::string onDemandModulePath(const OnDemandModule& module) {
  if (const char* v = std::getenv(module.override); v && *v) return v;
  for (const std::string& place : onDemandModuleCandidates(module.fileName))
    if (isFile(place)) return place;
  return "";
}

ModuleTable loadOnDemandModule(const OnDemandModule& module) {
  const std::string path = onDemandModulePath(module);
  if (path.empty()) {
    std::string places;
    for (const std::string& place : onDemandModuleCandidates(module.fileName))
      places += (places.empty() ? "" : ", ") + place;
    return {nullptr, std::string(module.what) + " " + module.fileName + " is missing (looked for " + places +
                         "; $" + module.override + " may name it)"};
  }
  // RTLD_LOCAL: the library the module links stays its own, seen by no one else.
  void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  using Entry = const void* (*)();
  auto call = handle ? reinterpret_cast<Entry>(::dlsym(handle, module.entry)) : nullptr;
  if (!call) {
    const char* why = ::dlerror();
    return {nullptr, std::string(module.what) + " " + path + " cannot be loaded" +
                         (why ? std::string(": ") + why : std::string())};
  }
  return {call(), ""};
}

}  // namespace rc::platform
