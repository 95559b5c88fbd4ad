#include "sim/vault/WriterLock.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>
#include <cstring>

#include "sim/vault/VaultError.h"

namespace rc::sim::vault {

namespace {

std::string folderOf(const std::string& path) {
  std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

}  // namespace

WriterLock::WriterLock(std::string path, bool create) : path_(std::move(path)) {
  const int flags = create ? O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW : O_RDONLY | O_CLOEXEC | O_NOFOLLOW;
  fd_ = platform::UniqueFd(::open(path_.c_str(), flags, 0600));
  if (fd_.get() < 0 && create)
    throw VaultError(ErrorKind::Storage, systemFailureText(errno, folderOf(path_), "cannot open the lock " + path_));
}

bool WriterLock::tryAlone() {
  if (!usable()) return true;
  for (;;) {
    if (::flock(fd_.get(), LOCK_EX | LOCK_NB) == 0) return true;
    if (errno != EINTR) return false;
  }
}

void WriterLock::alone() {
  if (!usable()) return;
  while (::flock(fd_.get(), LOCK_EX) != 0) {
    if (errno != EINTR) throw VaultError(ErrorKind::Storage, "cannot take the lock " + path_ + ": " + std::strerror(errno));
  }
}

void WriterLock::share() {
  if (!usable()) return;
  while (::flock(fd_.get(), LOCK_SH) != 0) {
    if (errno != EINTR) throw VaultError(ErrorKind::Storage, "cannot take the lock " + path_ + ": " + std::strerror(errno));
  }
}

}  // namespace rc::sim::vault
