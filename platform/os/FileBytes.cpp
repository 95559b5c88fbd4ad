#include "platform/os/FileBytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/automation/Error.h"
#include "platform/os/FileIo.h"
#include "platform/os/Paths.h"
#include "platform/os/UniqueFd.h"

namespace rc::platform {

std::optional<FileBytes> readFileBytes(std::string_view path, std::int64_t limit) {
  const std::string native = nativePath(path);
  // Opened without waiting, so a pipe at `path` is refused, not waited on.
  UniqueFd fd(::open(native.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd.valid()) fileio::raiseErrno(errno, native);
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) fileio::raiseErrno(errno, native);
  if (!S_ISREG(st.st_mode)) automation::raise(automation::err::FileNotFound, native);
  if (st.st_size > limit) return std::nullopt;
  FileBytes file;
  file.bytes_.resize(static_cast<std::size_t>(st.st_size));
  // One read fills it; a file that shrank meanwhile gives what is left.
  std::size_t have = 0;
  while (have < file.bytes_.size()) {
    const ssize_t n = ::read(fd.get(), file.bytes_.data() + have, file.bytes_.size() - have);
    if (n < 0) {
      if (errno == EINTR) continue;
      fileio::raiseErrno(errno, native);
    }
    if (n == 0) break;
    have += static_cast<std::size_t>(n);
  }
  file.bytes_.resize(have);
  return file;
}

}  // namespace rc::platform
