#include "sim/host/DocumentFiles.h"

#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <memory>

#include "platform/automation/Error.h"
#include "platform/os/Files.h"

namespace rc::sim::host::documentfiles {

namespace {

// The file a path names after every link is followed; nullopt when a link
// leads nowhere (or round in a circle).
std::optional<std::string> finalTarget(const std::string& path) {
  std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.c_str(), nullptr), &std::free);
  if (!real) return std::nullopt;
  return std::string(real.get());
}

}  // namespace

std::optional<FileId> identity(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return FileId{static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
}

bool sameFile(const std::string& a, const std::string& b) {
  if (a == b) return true;
  std::optional<FileId> x = identity(a), y = identity(b);
  return x && y && *x == *y;
}

std::optional<std::uint64_t> size(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0 || st.st_size < 0) return std::nullopt;
  return static_cast<std::uint64_t>(st.st_size);
}

void write(const std::string& path, const std::string& text) {
  struct stat link {};
  std::string target = path;
  if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
    std::optional<std::string> real = finalTarget(path);
    if (!real) automation::raise(automation::err::PathFileAccessError, "Path/File access error: " + path + " is a link to no file", path);
    target = *real;
  }
  struct stat st {};
  unsigned mode = ::stat(target.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0644;
  platform::writeFileAtomic(target, text, mode);
  // The temporary was created under the umask, which may have taken bits away.
  if ((mode & ~0777u) != 0 || ::stat(target.c_str(), &st) != 0 || (st.st_mode & 07777) != mode)
    ::chmod(target.c_str(), mode);
}

}  // namespace rc::sim::host::documentfiles
