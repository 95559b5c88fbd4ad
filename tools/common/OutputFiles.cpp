#include "tools/common/OutputFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/os/FileIo.h"
#include "platform/os/UniqueFd.h"

namespace rc::tools {

namespace {

[[noreturn]] void fail(const std::string& path, std::string_view what, int error) {
  throw OutputError("cannot " + std::string(what) + " " + path + ": " + systemReason(error));
}


// Writes all of `data` to `fd`; answers errno of a failure, else 0.
int writeAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return 0;
}

std::string folderPart(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::string systemReason(int error) {
  // O_NOFOLLOW answers ELOOP for a link at the path itself.
  if (error == ELOOP) return "it is a symbolic link, and output files are never written through one";
  return std::strerror(error);
}

void replaceOutputFile(const std::string& path, std::string_view data, Durability durability) {
  std::string temp = folderPart(path) + "/.ravelcrest-XXXXXX";
  int raw = ::mkstemp(temp.data());
  if (raw < 0) fail(path, "write", errno);
  platform::UniqueFd fd(raw);
  int error = writeAll(fd.get(), data);
  if (error == 0 && ::fchmod(fd.get(), 0644) != 0) error = errno;
  if (error == 0)
    error = platform::fileio::syncAndRename(fd.release(), temp, path, durability == Durability::Durable);
  if (error != 0) {
    ::unlink(temp.c_str());
    fail(path, "write", error);
  }
}

void appendOutputFile(const std::string& path, std::string_view text) {
  platform::UniqueFd fd(::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644));
  if (fd.get() < 0) fail(path, "write", errno);
  int error = writeAll(fd.get(), text);
  if (error == 0) error = fd.close() ? 0 : errno;
  if (error != 0) fail(path, "write", error);
}

void startOutputFile(const std::string& path, const std::string& kept) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) fail(path, "write", EISDIR);
    if (::rename(path.c_str(), kept.c_str()) != 0) fail(kept, "write", errno);
  } else if (errno != ENOENT) {
    fail(path, "write", errno);
  }
  platform::UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
  if (fd.get() < 0) fail(path, "write", errno);
  if (int error = fd.close() ? 0 : errno; error != 0) fail(path, "write", error);
}

}  // namespace rc::tools
