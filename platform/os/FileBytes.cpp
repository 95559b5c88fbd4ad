#include "platform/os/FileBytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/automation/Error.h"
#include "platform/os/FileIo.h"
#include "platform/os/Paths.h"

namespace rc::platform {

FileReader::FileReader(std::string_view path) : native_(nativePath(path)) {
  // Opened without waiting, so a pipe at `path` is refused, not waited on.
  fd_ = UniqueFd(::open(native_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd_.valid()) fileio::raiseErrno(errno, native_);
  struct stat st {};
  if (::fstat(fd_.get(), &st) != 0) fileio::raiseErrno(errno, native_);
  if (!S_ISREG(st.st_mode)) automation::raise(automation::err::FileNotFound, native_);
  size_ = st.st_size;
}

std::size_t FileReader::readAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
  std::size_t have = 0;
  while (have < out.size()) {
    const ssize_t n = ::pread(fd_.get(), out.data() + have, out.size() - have, static_cast<off_t>(offset + have));
    if (n < 0) {
      if (errno == EINTR) continue;
      fileio::raiseErrno(errno, native_);
    }
    if (n == 0) break;
    have += static_cast<std::size_t>(n);
  }
  return have;
}

FileBytes FileReader::readAll() const {
  FileBytes file;
  file.bytes_.resize(static_cast<std::size_t>(size_));
  // One read fills it; a file that shrank meanwhile gives what is left.
  file.bytes_.resize(readAt(0, file.bytes_));
  return file;
}

std::optional<FileBytes> readFileBytes(std::string_view path, std::int64_t limit) {
  const FileReader file(path);
  if (file.size() > limit) return std::nullopt;
  return file.readAll();
}

}  // namespace rc::platform
