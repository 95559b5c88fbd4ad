#include "platform/os/FileTree.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <system_error>

#include "platform/automation/Error.h"
#include "platform/os/FileIo.h"
#include "platform/os/Files.h"
#include "platform/os/Paths.h"

namespace rc::platform {

namespace {

std::string currentFolder() {
  std::error_code ec;
  std::string cwd = std::filesystem::current_path(ec).string();
  return ec ? std::string("/") : cwd;
}

// Closes a descriptor at the end of a scope.
struct FdGuard {
  int fd = -1;
  ~FdGuard() {
    if (fd >= 0) ::close(fd);
  }
};

// Copies the `size` bytes of `in` to `out`: in-kernel where the file systems
// allow it, through a buffer otherwise. Answers errno, or 0.
int copyBytes(int in, int out, off_t size) {
  off_t done = 0;
  while (done < size) {
    if (int fault = fileio::WriteFaultHook::check()) return fault;
    ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, static_cast<std::size_t>(size - done), 0);
    if (n > 0) {
      done += n;
      continue;
    }
    if (n == 0) return 0;  // the file got shorter
    if (errno == EINTR) continue;
    if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP && errno != EPERM) return errno;
    break;
  }
  if (done >= size) return 0;
  char buf[1 << 16];
  for (;;) {
    ssize_t n = ::read(in, buf, sizeof buf);
    if (n == 0) return 0;
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    for (ssize_t written = 0; written < n;) {
      if (int fault = fileio::WriteFaultHook::check()) return fault;
      ssize_t w = ::write(out, buf + written, static_cast<std::size_t>(n - written));
      if (w < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      written += w;
    }
  }
}

// Creates the temporary file for `target` in `folder` with `mode`: a name
// made of the process ID and the target's name, or a random one when that
// is taken or too long. Answers the descriptor (or -1 with errno set).
int createTemporary(const std::string& folder, std::string_view name, mode_t mode, std::string& temp) {
  temp = folder + "/.rc-copy-" + std::to_string(::getpid()) + "-" + std::string(name);
  if (int fault = fileio::WriteFaultHook::check()) {
    errno = fault;
    return -1;
  }
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
  if (fd >= 0 || (errno != EEXIST && errno != ENAMETOOLONG)) return fd;
  temp = folder + "/.rc-copy-XXXXXX";
  fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd >= 0 && ::fchmod(fd, mode) != 0) {
    const int e = errno;
    ::close(fd);
    ::unlink(temp.c_str());
    errno = e;
    return -1;
  }
  return fd;
}

}  // namespace

std::string normalPath(std::string_view path) {
  std::string native = nativePath(path);
  if (native.empty() || native[0] != '/') native = currentFolder() + "/" + native;
  std::vector<std::string_view> parts;
  std::string_view rest(native);
  while (!rest.empty()) {
    std::size_t cut = rest.find('/');
    std::string_view part = rest.substr(0, cut);
    rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  std::string out;
  for (std::string_view part : parts) out.append("/").append(part);
  return out.empty() ? std::string("/") : out;
}

std::string resolvedPath(std::string_view path) {
  std::string normal = normalPath(path);
  std::error_code ec;
  std::filesystem::path resolved = std::filesystem::weakly_canonical(normal, ec);
  if (ec) return normal;
  std::string out = resolved.string();
  while (out.size() > 1 && out.back() == '/') out.pop_back();
  return out;
}

bool pathWithin(std::string_view path, std::string_view root) {
  if (root == "/") return !path.empty() && path[0] == '/';
  if (path.size() < root.size() || path.substr(0, root.size()) != root) return false;
  return path.size() == root.size() || path[root.size()] == '/';
}

std::vector<FileEntry> listFiles(std::string_view folder) {
  std::vector<FileEntry> files;
  std::string native = nativePath(folder);
  DIR* dir = ::opendir(native.c_str());
  if (dir == nullptr) return files;
  const int dirFd = ::dirfd(dir);
  while (dirent* e = ::readdir(dir)) {
    if (e->d_type == DT_REG) {
      files.push_back({e->d_name, false});
      continue;
    }
    if (e->d_type != DT_LNK && e->d_type != DT_UNKNOWN) continue;
    struct stat target;
    struct stat self;
    if (::fstatat(dirFd, e->d_name, &target, 0) != 0 || !S_ISREG(target.st_mode)) continue;
    bool link = ::fstatat(dirFd, e->d_name, &self, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(self.st_mode);
    files.push_back({e->d_name, link});
  }
  ::closedir(dir);
  return files;
}

void copyFileReplacing(std::string_view from, std::string_view to) {
  const std::string source = nativePath(from);
  const std::string target = nativePath(to);
  FdGuard in{::open(source.c_str(), O_RDONLY | O_CLOEXEC)};
  if (in.fd < 0) raiseFileError(errno, source);
  struct stat st;
  if (::fstat(in.fd, &st) != 0) raiseFileError(errno, source);
  if (!S_ISREG(st.st_mode)) raiseFileError(EISDIR, source);

  std::string folder(folderOf(target));
  std::string temp;
  FdGuard out{createTemporary(folder.empty() ? std::string(".") : folder, fileName(target), st.st_mode & 0777, temp)};
  if (out.fd < 0) raiseFileError(errno, target);
  int e = copyBytes(in.fd, out.fd, st.st_size);
  const int closed = ::close(out.fd);
  out.fd = -1;
  if (e == 0 && closed != 0) e = errno;
  if (e == 0) e = fileio::WriteFaultHook::check();
  if (e == 0 && ::rename(temp.c_str(), target.c_str()) != 0) e = errno;
  if (e == 0) return;
  ::unlink(temp.c_str());
  raiseFileError(e, target);
}

bool isLink(std::string_view path) {
  if (holdsNul(path)) return false;
  struct stat st;
  return ::lstat(nativePath(path).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

}  // namespace rc::platform
