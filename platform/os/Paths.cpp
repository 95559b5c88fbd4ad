#include "platform/os/Paths.h"

#include <cctype>
#include <cstdlib>

#include "platform/automation/Error.h"

namespace rc::platform {

std::string driveRoot() {
  // Never "/" itself: a root made only of separators, or a relative
  // XDG_STATE_HOME (which the XDG rules say to ignore), falls back to the
  // default under the home folder.
  auto usable = [](const char* v, bool absoluteOnly) {
    if (v == nullptr || *v == '\0' || (absoluteOnly && *v != '/')) return std::string();
    std::string s = v;
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s == "/" ? std::string() : s;
  };
  if (std::string r = usable(std::getenv("RAVELCREST_DRIVE_ROOT"), false); !r.empty()) return r;
  if (std::string s = usable(std::getenv("XDG_STATE_HOME"), true); !s.empty()) return s + "/ravelcrest";
  const char* home = std::getenv("HOME");
  std::string base = home != nullptr && *home != '\0' ? home : "/tmp";
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  if (base == "/") base.clear();
  return base + "/.local/state/ravelcrest";
}

namespace {

bool hasDrivePrefix(std::string_view p) {
  return p.size() >= 2 && std::isalpha(static_cast<unsigned char>(p[0])) && p[1] == ':';
}

std::string slashes(std::string_view p) {
  std::string s(p);
  for (char& c : s)
    if (c == '\\') c = '/';
  return s;
}

}  // namespace

std::string nativePath(std::string_view path) {
  // The system's calls end a name at its first NUL: "cut\0.gif" would name
  // "cut". A path holding one names no file at all.
  if (holdsNul(path)) {
    std::string shown;
    for (char c : path) shown += c == '\0' ? std::string("\\0") : std::string(1, c);
    automation::raiseWithDetail(automation::err::BadFileNameOrNumber, "the path holds a NUL character: " + shown);
  }
  if (hasDrivePrefix(path)) {
    std::string_view rest = path.substr(2);
    return joinPath(driveRoot(), rest);
  }
  // "\name" is the root of the current drive; "//" and "/" paths given with
  // forward slashes are already native.
  if (!path.empty() && path[0] == '\\' && !(path.size() > 1 && path[1] == '\\')) {
    return joinPath(driveRoot(), path.substr(1));
  }
  return slashes(path);
}

std::string joinPath(std::string_view folder, std::string_view name) {
  while (!name.empty() && isSeparator(name.front())) name.remove_prefix(1);
  std::string base = folder.empty() ? driveRoot() : nativePath(folder);
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  if (base.empty() || base.back() != '/') base += '/';
  return base + slashes(name);
}

std::size_t lastSeparator(std::string_view path) { return path.find_last_of("/\\"); }

std::string_view fileName(std::string_view path) {
  std::size_t p = lastSeparator(path);
  return p == std::string_view::npos ? path : path.substr(p + 1);
}

std::string_view folderOf(std::string_view path) {
  std::size_t p = lastSeparator(path);
  return p == std::string_view::npos ? std::string_view() : path.substr(0, p);
}

}  // namespace rc::platform
