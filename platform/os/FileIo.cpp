#include "platform/os/FileIo.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/automation/Error.h"
#include "platform/os/Files.h"
#include "platform/os/Paths.h"

namespace rc::platform::fileio {

namespace au = rc::automation;

void raiseErrno(int e, const std::string& path) {
  switch (e) {
    case ENOENT: {
      std::string folder(folderOf(path));
      if (!folder.empty() && !folderExists(folder)) au::raise(au::err::PathNotFound, path);
      au::raise(au::err::FileNotFound, path);
    }
    case ENOTDIR: au::raise(au::err::PathNotFound, path);
    case EACCES: case EPERM: case EROFS: au::raise(au::err::PermissionDenied, path);
    default: au::raise(au::err::PathFileAccessError, path);
  }
}

void writeAll(int fd, std::string_view data, const std::string& path) {
  while (!data.empty()) {
    ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      int e = errno;
      ::close(fd);
      raiseErrno(e, path);
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
}

std::string withLineEnd(std::string_view line) {
  std::string text;
  text.reserve(line.size() + 2);
  text.append(line).append("\r\n");
  return text;
}

namespace {

// Creates the drive root when `native` lies directly in it.
void ensureDriveRootFor(const std::string& native) {
  std::string root = driveRoot();
  if (std::string(folderOf(native)) == root && !folderExists(root)) createFolder(root);
}

}  // namespace

int openForWrite(const std::string& native, int flags, unsigned mode) {
  ensureDriveRootFor(native);
  int fd = ::open(native.c_str(), flags | O_CLOEXEC, mode);
  if (fd < 0) raiseErrno(errno, native);
  return fd;
}

}  // namespace rc::platform::fileio
