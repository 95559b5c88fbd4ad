#include "platform/os/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/automation/Error.h"
#include "platform/os/Paths.h"

namespace rc::platform {

namespace au = rc::automation;

namespace {

// Raises the run-time error for errno `e` on `path` (`opening` a file).
[[noreturn]] void raiseErrno(int e, const std::string& path) {
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

// Creates the drive root when `native` lies directly in it.
void ensureDriveRootFor(const std::string& native) {
  std::string root = driveRoot();
  if (std::string(folderOf(native)) == root && !folderExists(root)) createFolder(root);
}

int openForWrite(const std::string& native, int flags, unsigned mode) {
  ensureDriveRootFor(native);
  int fd = ::open(native.c_str(), flags | O_CLOEXEC, mode);
  if (fd < 0) raiseErrno(errno, native);
  return fd;
}

// The position of the first CR or LF at or after `from`, or npos.
std::size_t lineEnd(const std::string& buf, std::size_t from) {
  const char* base = buf.data();
  const char* first = base + from;
  const char* last = base + buf.size();
  if (first >= last) return std::string::npos;
  const void* lf = std::memchr(first, '\n', static_cast<std::size_t>(last - first));
  const char* limit = lf ? static_cast<const char*>(lf) : last;
  const void* cr = std::memchr(first, '\r', static_cast<std::size_t>(limit - first));
  const char* hit = cr ? static_cast<const char*>(cr) : (lf ? limit : nullptr);
  return hit ? static_cast<std::size_t>(hit - base) : std::string::npos;
}

}  // namespace

void raiseFileError(int e, const std::string& path) { raiseErrno(e, path); }

bool fileExists(std::string_view path) {
  struct stat st;
  return ::stat(nativePath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool folderExists(std::string_view path) {
  if (path.empty()) return false;
  struct stat st;
  return ::stat(nativePath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::int64_t fileLength(std::string_view path) {
  std::string native = nativePath(path);
  struct stat st;
  if (::stat(native.c_str(), &st) != 0) raiseErrno(errno, native);
  if (!S_ISREG(st.st_mode)) au::raise(au::err::FileNotFound, native);
  return st.st_size;
}

void appendText(std::string_view path, std::string_view text) {
  std::string native = nativePath(path);
  if (native.empty()) au::raise(au::err::BadFileNameOrNumber);
  int fd = openForWrite(native, O_WRONLY | O_CREAT | O_APPEND, 0644);
  writeAll(fd, text, native);
  ::close(fd);
}

void appendLine(std::string_view path, std::string_view line) {
  std::string text;
  text.reserve(line.size() + 2);
  text.append(line).append("\r\n");
  appendText(path, text);
}

void writeFile(std::string_view path, std::string_view data) {
  std::string native = nativePath(path);
  if (native.empty()) au::raise(au::err::BadFileNameOrNumber);
  int fd = openForWrite(native, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  writeAll(fd, data, native);
  ::close(fd);
}

void writeFileAtomic(std::string_view path, std::string_view data, unsigned mode) {
  std::string native = nativePath(path);
  // Unique per process and call, so that two writers never share a temporary.
  static std::atomic<unsigned> counter{0};
  std::string tmp = native + ".tmp." + std::to_string(::getpid()) + "." + std::to_string(counter++);
  int fd = openForWrite(tmp, O_WRONLY | O_CREAT | O_TRUNC | O_EXCL, mode);
  try {
    writeAll(fd, data, tmp);  // closes fd when it fails
  } catch (...) {
    ::unlink(tmp.c_str());
    throw;
  }
  int e = ::fsync(fd) != 0 ? errno : 0;
  if (::close(fd) != 0 && e == 0) e = errno;
  if (e != 0) {
    ::unlink(tmp.c_str());
    raiseErrno(e, native);
  }
  if (::rename(tmp.c_str(), native.c_str()) != 0) {
    int e = errno;
    ::unlink(tmp.c_str());
    raiseErrno(e, native);
  }
}

std::string readFile(std::string_view path) { return readFileFrom(path, 0); }

std::string readFileFrom(std::string_view path, std::int64_t offset) {
  std::string native = nativePath(path);
  int fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) raiseErrno(errno, native);
  if (offset > 0 && ::lseek(fd, static_cast<off_t>(offset), SEEK_SET) < 0) {
    int e = errno;
    ::close(fd);
    raiseErrno(e, native);
  }
  std::string out;
  char buf[1 << 16];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      int e = errno;
      ::close(fd);
      raiseErrno(e, native);
    }
    if (n == 0) break;
    out.append(buf, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return out;
}

void copyFile(std::string_view from, std::string_view to, bool overwrite) {
  if (!overwrite && fileExists(to)) au::raise(au::err::FileAlreadyExists, std::string(to));
  writeFile(to, readFile(from));
}

void deleteFile(std::string_view path) {
  std::string native = nativePath(path);
  if (::unlink(native.c_str()) != 0) raiseErrno(errno, native);
}

void createFolder(std::string_view path) {
  std::string native = nativePath(path);
  for (std::size_t p = 1; p <= native.size(); ++p) {
    if (p == native.size() || native[p] == '/') {
      std::string part = native.substr(0, p);
      if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) raiseErrno(errno, part);
    }
  }
}

std::vector<std::string> listFolder(std::string_view path) {
  std::string native = nativePath(path);
  DIR* d = ::opendir(native.c_str());
  if (d == nullptr) raiseErrno(errno, native);
  std::vector<std::string> names;
  while (dirent* e = ::readdir(d)) {
    std::string n = e->d_name;
    if (n != "." && n != "..") names.push_back(std::move(n));
  }
  ::closedir(d);
  std::sort(names.begin(), names.end());
  return names;
}

LineReader::LineReader(std::string_view path) : path_(nativePath(path)) {
  fd_ = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) raiseErrno(errno, path_);
  struct stat st;
  if (::fstat(fd_, &st) != 0) return;
  if (S_ISDIR(st.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    au::raise(au::err::PathFileAccessError, path_);
  }
  // Small files are read in one block of their own size (plus one byte to
  // see the end), large ones 1 MiB at a time.
  if (S_ISREG(st.st_mode) && st.st_size < (1 << 20))
    block_ = std::max<std::size_t>(static_cast<std::size_t>(st.st_size) + 1, 4096);
}

LineReader::~LineReader() {
  if (fd_ >= 0) ::close(fd_);
}

bool LineReader::fill() {
  if (eof_) return false;
  if (pos_ > 0) {
    buf_.erase(0, pos_);
    pos_ = 0;
  }
  std::size_t old = buf_.size();
  buf_.resize(old + block_);
  ssize_t n;
  do {
    n = ::read(fd_, buf_.data() + old, block_);
  } while (n < 0 && errno == EINTR);
  if (n < 0) {
    buf_.resize(old);
    raiseErrno(errno, path_);
  }
  buf_.resize(old + static_cast<std::size_t>(n));
  if (n == 0) eof_ = true;
  return n > 0;
}

bool LineReader::atEnd() {
  while (pos_ >= buf_.size()) {
    if (!fill()) return true;
  }
  return false;
}

std::string_view LineReader::next() {
  if (atEnd()) au::raise(au::err::InputPastEndOfFile, path_);
  std::size_t scanned = 0;  // bytes after pos_ already known to hold no line end
  for (;;) {
    std::size_t end = lineEnd(buf_, pos_ + scanned);
    // A line without its end yet, or a CR whose LF may start the next
    // block, needs more of the file. fill() moves the unread bytes to the
    // front of the buffer, so positions are recomputed after it.
    bool needMore = end == std::string::npos || (buf_[end] == '\r' && end + 1 == buf_.size());
    if (needMore && !eof_) {
      scanned = (end == std::string::npos ? buf_.size() : end) - pos_;
      fill();
      continue;
    }
    if (end == std::string::npos) end = buf_.size();
    std::string_view line(buf_.data() + pos_, end - pos_);
    std::size_t after = end;
    if (after < buf_.size()) after += (buf_[after] == '\r' && after + 1 < buf_.size() && buf_[after + 1] == '\n') ? 2 : 1;
    pos_ = after;
    return line;
  }
}

}  // namespace rc::platform
