#include "tools/common/FolderFiles.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <random>

#include "tools/common/OutputFiles.h"

namespace rc::tools {

namespace {

[[noreturn]] void fail(const std::string& path, const char* what, int error) {
  throw OutputError("cannot " + std::string(what) + " " + path + ": " + systemReason(error));
}

std::string joined(const std::string& folder, std::string_view name) { return folder + "/" + std::string(name); }

// Why `name` in `folder` could not be opened with O_NOFOLLOW (`error`), in
// words: a link or an entry of the wrong kind is named as such.
[[noreturn]] void failOpen(int folder, const std::string& path, std::string_view name, const char* what, int error,
                           bool wantFolder) {
  struct stat st {};
  if ((error == ELOOP || error == ENOTDIR || error == EINVAL) &&
      ::fstatat(folder, std::string(name).c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
    const char* kind = S_ISLNK(st.st_mode)                  ? "it is a symbolic link, which is never followed here"
                       : wantFolder && !S_ISDIR(st.st_mode) ? "it is not a folder"
                       : !wantFolder && !S_ISREG(st.st_mode) ? (S_ISDIR(st.st_mode) ? "it is a folder"
                                                                                    : "it is not a regular file")
                                                             : nullptr;
    if (kind) throw OutputError("cannot " + std::string(what) + " " + path + ": " + kind);
  }
  fail(path, what, error);
}

}  // namespace

bool isPlainName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && name.find('/') == std::string_view::npos &&
         name.find('\0') == std::string_view::npos;
}

FolderFiles FolderFiles::open(const std::string& path) {
  platform::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!fd.valid()) fail(path, "open the folder", errno);
  return FolderFiles(std::move(fd), path);
}

FolderFiles FolderFiles::sub(std::string_view name) const {
  const std::string path = joined(path_, name);
  if (!isPlainName(name)) fail(path, "open the folder", EINVAL);
  platform::UniqueFd fd(::openat(fd_.get(), std::string(name).c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!fd.valid()) failOpen(fd_.get(), path, name, "open the folder", errno, true);
  return FolderFiles(std::move(fd), path);
}

bool FolderFiles::has(std::string_view name) const {
  struct stat st {};
  return isPlainName(name) && ::fstatat(fd_.get(), std::string(name).c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
}

platform::UniqueFd FolderFiles::lock(std::string_view name) const {
  const std::string path = joined(path_, name);
  if (!isPlainName(name)) fail(path, "lock", EINVAL);
  platform::UniqueFd fd(::openat(fd_.get(), std::string(name).c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644));
  if (!fd.valid()) failOpen(fd_.get(), path, name, "lock", errno, false);
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) fail(path, "lock", errno);
  if (!S_ISREG(st.st_mode)) failOpen(fd_.get(), path, name, "lock", EINVAL, false);
  while (::flock(fd.get(), LOCK_EX) != 0)
    if (errno != EINTR) fail(path, "lock", errno);
  return fd;
}

std::string FolderFiles::read(std::string_view name) const {
  const std::string path = joined(path_, name);
  if (!isPlainName(name)) fail(path, "read", EINVAL);
  platform::UniqueFd fd(::openat(fd_.get(), std::string(name).c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (!fd.valid()) failOpen(fd_.get(), path, name, "read", errno, false);
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) fail(path, "read", errno);
  if (!S_ISREG(st.st_mode)) failOpen(fd_.get(), path, name, "read", EINVAL, false);
  std::string data;
  char buffer[1 << 16];
  for (;;) {
    const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) fail(path, "read", errno);
    if (n == 0) break;
    data.append(buffer, static_cast<std::size_t>(n));
  }
  return data;
}

void FolderFiles::replace(std::string_view name, std::string_view data, unsigned mode) const {
  const std::string path = joined(path_, name);
  if (!isPlainName(name)) fail(path, "write", EINVAL);
  struct stat st {};
  if (::fstatat(fd_.get(), std::string(name).c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
    if (S_ISDIR(st.st_mode)) fail(path, "write", EISDIR);
    if (S_ISREG(st.st_mode)) mode = st.st_mode & 07777;
  }
  std::random_device random;
  std::string temp;
  platform::UniqueFd fd;
  for (int attempt = 0; attempt < 100 && !fd.valid(); ++attempt) {
    temp = ".ravelcrest-accept-" + std::to_string(random());
    fd = platform::UniqueFd(
        ::openat(fd_.get(), temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!fd.valid() && errno != EEXIST) fail(path, "write", errno);
  }
  if (!fd.valid()) fail(path, "write", EEXIST);
  int error = 0;
  for (std::string_view rest = data; error == 0 && !rest.empty();) {
    const ssize_t n = ::write(fd.get(), rest.data(), rest.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) error = errno;
    else rest.remove_prefix(static_cast<std::size_t>(n));
  }
  if (error == 0 && ::fchmod(fd.get(), mode) != 0) error = errno;
  if (error == 0 && !fd.close()) error = errno;
  if (error == 0 && ::renameat(fd_.get(), temp.c_str(), fd_.get(), std::string(name).c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlinkat(fd_.get(), temp.c_str(), 0);
    fail(path, "write", error);
  }
}

}  // namespace rc::tools
