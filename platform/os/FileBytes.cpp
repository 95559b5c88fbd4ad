#include "platform/os/FileBytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/os/FileIo.h"
#include "platform/os/Paths.h"
#include "platform/os/UniqueFd.h"

namespace rc::platform {

std::optional<FileBytes> readFileBytes(std::string_view path, std::int64_t limit) {
  const std::string native = nativePath(path);
  UniqueFd fd(::open(native.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.valid()) fileio::raiseErrno(errno, native);
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) fileio::raiseErrno(errno, native);
  if (S_ISDIR(st.st_mode)) fileio::raiseErrno(EISDIR, native);
  FileBytes file;
  auto& bytes = file.bytes_;
  if (S_ISREG(st.st_mode)) {
    if (st.st_size > limit) return std::nullopt;
    bytes.resize(static_cast<std::size_t>(st.st_size));
  }
  // A regular file fills its buffer with one read; a pipe or a device, or a
  // file that has grown, goes on in blocks up to the limit.
  std::size_t have = 0;
  for (;;) {
    if (have == bytes.size()) {
      if (static_cast<std::int64_t>(have) >= limit + 1) break;
      bytes.resize(have + std::min<std::size_t>(std::max<std::size_t>(have, 1 << 16),
                                                static_cast<std::size_t>(limit + 1) - have));
    }
    const ssize_t n = ::read(fd.get(), bytes.data() + have, bytes.size() - have);
    if (n < 0) {
      if (errno == EINTR) continue;
      fileio::raiseErrno(errno, native);
    }
    if (n == 0) break;
    have += static_cast<std::size_t>(n);
    // A regular file is read to the length it had when it was opened.
    if (S_ISREG(st.st_mode) && have == static_cast<std::size_t>(st.st_size)) break;
  }
  if (static_cast<std::int64_t>(have) > limit) return std::nullopt;
  bytes.resize(have);
  return file;
}

}  // namespace rc::platform
