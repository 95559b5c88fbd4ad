#include "platform/os/GrowingFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/os/FileIo.h"
#include "platform/os/Paths.h"

namespace rc::platform {

GrowingFile::GrowingFile(std::string_view path) : native_(nativePath(path)) {
  // Never through a link, and never a pipe or device, whose reads could
  // block or never end: ELOOP and EINVAL raise 75.
  fd_ = UniqueFd(::open(native_.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (!fd_.valid()) fileio::raiseErrno(errno, native_);
  struct stat st;
  if (::fstat(fd_.get(), &st) != 0) fileio::raiseErrno(errno, native_);
  if (!S_ISREG(st.st_mode)) fileio::raiseErrno(EINVAL, native_);
}

bool GrowingFile::isAt(std::string_view path) const {
  struct stat now;
  struct stat held;
  return ::lstat(nativePath(path).c_str(), &now) == 0 && ::fstat(fd_.get(), &held) == 0 &&
         now.st_dev == held.st_dev && now.st_ino == held.st_ino;
}

std::int64_t GrowingFile::length() const {
  struct stat st;
  if (::fstat(fd_.get(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return st.st_size;
}

std::string GrowingFile::readFrom(std::int64_t offset) const {
  // A read that comes back short has reached the end as it stands; the
  // usual tail (a few journal lines) takes one read.
  std::string out;
  std::size_t got = 0;
  std::size_t want = 16 << 10;
  const off_t start = static_cast<off_t>(std::max<std::int64_t>(offset, 0));
  for (;;) {
    out.resize(got + want);
    const ssize_t n = ::pread(fd_.get(), out.data() + got, want, start + static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) fileio::raiseErrno(errno, native_);
    got += static_cast<std::size_t>(n);
    if (static_cast<std::size_t>(n) < want) break;
    want = std::min<std::size_t>(want * 2, 4 << 20);
  }
  out.resize(got);
  return out;
}

}  // namespace rc::platform
