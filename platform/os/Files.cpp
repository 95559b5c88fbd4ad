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
#include "platform/os/FileIo.h"
#include "platform/os/KeptAppends.h"
#include "platform/os/Paths.h"
#include "platform/os/UniqueFd.h"

namespace rc::platform {

namespace au = rc::automation;
using fileio::openForWrite;
using fileio::raiseErrno;
using fileio::writeAll;

void raiseFileError(int e, const std::string& path) { raiseErrno(e, path); }

bool fileExists(std::string_view path) {
  if (holdsNul(path)) return false;
  struct stat st;
  return ::stat(nativePath(path).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool folderExists(std::string_view path) {
  if (path.empty() || holdsNul(path)) return false;
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

std::int64_t fileLengthIfAny(std::string_view path) {
  if (holdsNul(path)) return -1;
  struct stat st;
  if (::stat(nativePath(path).c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
  return st.st_size;
}

namespace {

// appendText through the kept file of `native` (links followed). Only a
// regular file is kept; anything else (a device, a pipe) is opened per
// append as without a table.
void appendKept(KeptAppends& kept, const std::string& native, std::string_view text) {
  struct stat now;
  KeptAppends::File* file = ::stat(native.c_str(), &now) == 0 ? kept.find(native, /*follow=*/true, now) : nullptr;
  if (file == nullptr) {
    UniqueFd fd(openForWrite(native, O_WRONLY | O_CREAT | O_APPEND, 0644));
    struct stat st;
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
      const int raw = fd.release();
      writeAll(raw, text, native);  // closes the descriptor when it fails
      ::close(raw);
      return;
    }
    file = &kept.keep(native, /*follow=*/true, std::move(fd), st, /*readable=*/false);
  }
  std::size_t written = 0;
  if (int e = fileio::writeCounted(file->fd.get(), text, written)) {
    kept.forget(native, /*follow=*/true);
    raiseErrno(e, native);
  }
}

}  // namespace

void appendText(std::string_view path, std::string_view text) {
  std::string native = nativePath(path);
  if (native.empty()) au::raise(au::err::BadFileNameOrNumber);
  if (KeptAppends* kept = KeptAppends::current()) return appendKept(*kept, native, text);
  int fd = openForWrite(native, O_WRONLY | O_CREAT | O_APPEND, 0644);
  writeAll(fd, text, native);
  ::close(fd);
}

void appendLine(std::string_view path, std::string_view line) {
  appendText(path, fileio::withLineEnd(line));
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
  int e = !fileio::SyncsWaived::active() && ::fsync(fd) != 0 ? errno : 0;
  if (::close(fd) != 0 && e == 0) e = errno;
  if (e != 0) {
    ::unlink(tmp.c_str());
    raiseErrno(e, native);
  }
  if (int fault = fileio::WriteFaultHook::check(); fault != 0 || ::rename(tmp.c_str(), native.c_str()) != 0) {
    int e = fault != 0 ? fault : errno;
    ::unlink(tmp.c_str());
    raiseErrno(e, native);
  }
}

std::string readFile(std::string_view path) { return readFileFrom(path, 0); }

std::string readFileFrom(std::string_view path, std::int64_t offset) {
  std::string native = nativePath(path);
  UniqueFd fd(::open(native.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.valid()) raiseErrno(errno, native);
  if (offset > 0 && ::lseek(fd.get(), static_cast<off_t>(offset), SEEK_SET) < 0) raiseErrno(errno, native);
  // A regular file is read into a buffer of its size at once, without the
  // copies of a growing one; what it gained meanwhile is read on after it.
  std::string out;
  struct stat st;
  if (::fstat(fd.get(), &st) == 0 && S_ISREG(st.st_mode) && st.st_size > offset) {
    out.resize(static_cast<std::size_t>(st.st_size - std::max<std::int64_t>(offset, 0)));
    std::size_t got = 0;
    while (got < out.size()) {
      ssize_t n = ::read(fd.get(), out.data() + got, out.size() - got);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) raiseErrno(errno, native);
      if (n == 0) break;  // it shrank
      got += static_cast<std::size_t>(n);
    }
    if (got < out.size()) {
      out.resize(got);
      return out;
    }
  }
  char buf[1 << 16];
  for (;;) {
    ssize_t n = ::read(fd.get(), buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) raiseErrno(errno, native);
    if (n == 0) break;
    out.append(buf, static_cast<std::size_t>(n));
  }
  return out;
}

void copyFile(std::string_view from, std::string_view to, bool overwrite) {
  if (!overwrite && fileExists(to)) au::raise(au::err::FileAlreadyExists, std::string(to));
  writeFile(to, readFile(from));
}

void moveFile(std::string_view from, std::string_view to) {
  const std::string source = nativePath(from);
  const std::string target = nativePath(to);
  if (int fault = fileio::WriteFaultHook::check()) raiseErrno(fault, target);
  // Never over an existing file, not even one made between a test and the
  // rename.
  if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) return;
  const int e = errno;
  if (e == EEXIST) au::raise(au::err::FileAlreadyExists, target);
  if (e == ENOENT && !fileExists(from)) raiseErrno(e, source);
  if (e != EXDEV) raiseErrno(e, e == ENOENT ? target : source);
  // Across file systems: a whole copy first, then the source goes.
  copyFile(from, to, /*overwrite=*/false);
  deleteFile(from);
}

bool isReadOnly(std::string_view path) {
  struct stat st;
  return ::stat(nativePath(path).c_str(), &st) == 0 && (st.st_mode & S_IWUSR) == 0;
}

void deleteFile(std::string_view path, bool force) {
  std::string native = nativePath(path);
  if (!force && isReadOnly(path)) au::raise(au::err::PermissionDenied, native);
  if (::unlink(native.c_str()) != 0) raiseErrno(errno, native);
}

void createFolder(std::string_view path) {
  std::string native = nativePath(path);
  // The deepest folder of the path that exists is found from the end (most
  // calls name a folder that exists, or whose parent does); the folders
  // after it are made in order.
  std::size_t made = native.size();
  while (made > 0 && !folderExists(native.substr(0, made))) {
    const std::size_t slash = native.rfind('/', made - 1);
    made = slash == std::string::npos ? 0 : slash;
  }
  for (std::size_t p = made + 1; p <= native.size(); ++p) {
    if (p == native.size() || native[p] == '/') {
      if (native[p - 1] == '/') continue;  // an empty component ("a//b", a trailing slash)
      std::string part = native.substr(0, p);
      if (int fault = fileio::WriteFaultHook::check()) raiseErrno(fault, part);
      if (::mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) raiseErrno(errno, part);
    }
  }
}

std::vector<std::string> listFolder(std::string_view path) {
  std::string native = nativePath(path);
  DIR* d = ::opendir(native.c_str());
  if (d == nullptr) {
    // A folder that is not there is a path not found, whatever its parent.
    if (errno == ENOENT || errno == ENOTDIR) au::raise(au::err::PathNotFound, native);
    raiseErrno(errno, native);
  }
  std::vector<std::string> names;
  while (dirent* e = ::readdir(d)) {
    std::string n = e->d_name;
    if (n != "." && n != "..") names.push_back(std::move(n));
  }
  ::closedir(d);
  std::sort(names.begin(), names.end());
  return names;
}

namespace {

// Blocks of 256 KiB: two readers' buffers stay in the cache while they
// are scanned.
constexpr std::size_t kMaxBlock = 256 << 10;
constexpr std::size_t kSlack = 32;
constexpr std::size_t npos = std::string::npos;

// Reads up to `n` bytes at `offset`, fewer only at the end of the file.
std::size_t readAt(int fd, char* to, std::size_t n, std::int64_t offset, const std::string& path) {
  std::size_t got = 0;
  while (got < n) {
    ssize_t r = ::pread(fd, to + got, n - got, static_cast<off_t>(offset + static_cast<std::int64_t>(got)));
    if (r < 0) {
      if (errno == EINTR) continue;
      raiseErrno(errno, path);
    }
    if (r == 0) break;
    got += static_cast<std::size_t>(r);
  }
  return got;
}

// The index of the first byte in which a and b differ (both `n` long), or n.
std::size_t firstDifference(const char* a, const char* b, std::size_t n) {
  constexpr std::size_t kStep = 4096;
  std::size_t i = 0;
  while (i < n) {
    std::size_t len = std::min(kStep, n - i);
    if (std::memcmp(a + i, b + i, len) != 0) break;
    i += len;
  }
  while (i < n && a[i] == b[i]) ++i;
  return i;
}

// The position just after the last line end in the first `n` bytes of
// `bytes` whose meaning does not depend on the byte at n (a CR right before
// it may yet be the first half of CR LF), or npos.
std::size_t lastLineStart(const char* bytes, std::size_t n) {
  const void* lf = ::memrchr(bytes, '\n', n);
  std::size_t from = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - bytes) + 1 : 0;
  if (n >= 1 && n - 1 > from) {
    if (const void* cr = ::memrchr(bytes + from, '\r', n - 1 - from))
      return static_cast<std::size_t>(static_cast<const char*>(cr) - bytes) + 1;
  }
  return lf ? from : npos;
}

}  // namespace

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
  regular_ = S_ISREG(st.st_mode);
  // A small file is read in one block of its own size (plus one byte to see
  // the end); a large one starts small, so a lookup near its start stays cheap.
  if (regular_ && st.st_size < static_cast<off_t>(block_)) block_ = static_cast<std::size_t>(st.st_size) + 1;
}

LineReader::~LineReader() {
  if (fd_ >= 0) ::close(fd_);
}

bool LineReader::fill() {
  if (eof_) return false;
  if (pos_ > 0) {
    std::memmove(buf_.get(), buf_.get() + pos_, size_ - pos_);
    size_ -= pos_;
    base_ += static_cast<std::int64_t>(pos_);
    pos_ = 0;
  }
  if (size_ + block_ > capacity_) {
    std::size_t capacity = std::max(capacity_ * 2, size_ + block_);
    // Zeroed, with kSlack bytes beyond the capacity, so a line can be read
    // a word at a time past its end.
    auto bigger = std::make_unique<char[]>(capacity + kSlack);
    if (size_ > 0) std::memcpy(bigger.get(), buf_.get(), size_);
    buf_ = std::move(bigger);
    capacity_ = capacity;
  }
  ssize_t n;
  do {
    n = ::read(fd_, buf_.get() + size_, block_);
  } while (n < 0 && errno == EINTR);
  if (n < 0) raiseErrno(errno, path_);
  size_ += static_cast<std::size_t>(n);
  block_ = std::min(block_ * 2, kMaxBlock);
  if (n == 0) eof_ = true;
  if (!started_ && n > 0) {
    started_ = true;
    if (size_ >= 3 && std::memcmp(buf_.get(), "\xEF\xBB\xBF", 3) == 0) pos_ = 3;
  }
  return n > 0;
}

std::size_t LineReader::lineEnd(std::size_t from) {
  // One pass for either character: a search stops at the first line end,
  // and callers resume after the bytes already searched, so each byte is
  // looked at once per line whatever the line ends.
  if (from >= size_) return npos;
  std::size_t at = from + firstLineEnd(buf_.get() + from, size_ - from);
  return at < size_ ? at : npos;
}

void LineReader::seek(std::int64_t offset) {
  if (::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0) raiseErrno(errno, path_);
  base_ = offset;
  size_ = pos_ = 0;
  eof_ = false;
  started_ = true;
}

bool LineReader::atEnd() {
  while (pos_ >= size_) {
    if (!fill()) return true;
  }
  return false;
}

std::string_view LineReader::nextSlow() {
  if (atEnd()) au::raise(au::err::InputPastEndOfFile, path_);
  std::size_t scanned = 0;  // bytes after pos_ already known to hold no line end
  for (;;) {
    std::size_t end = lineEnd(pos_ + scanned);
    // A line without its end yet, or a CR whose LF may start the next
    // block, needs more of the file. fill() moves the unread bytes to the
    // front of the buffer, so positions are recomputed after it.
    bool needMore = end == npos || (buf_[end] == '\r' && end + 1 == size_);
    if (needMore && !eof_) {
      scanned = (end == npos ? size_ : end) - pos_;
      fill();
      continue;
    }
    if (end == npos) end = size_;
    std::string_view line(buf_.get() + pos_, end - pos_);
    std::size_t after = end;
    if (after < size_) after += (buf_[after] == '\r' && after + 1 < size_ && buf_[after + 1] == '\n') ? 2 : 1;
    pos_ = after;
    return line;
  }
}

bool LineReader::nextStartsWith(std::string_view prefix) {
  if (atEnd()) return false;
  while (size_ - pos_ < prefix.size() && !eof_) {
    // A line end before the prefix's length settles it without more bytes.
    if (lineEnd(pos_) != npos) break;
    fill();
  }
  const std::size_t have = std::min(size_ - pos_, prefix.size());
  std::string_view start(buf_.get() + pos_, have);
  if (start.find_first_of("\r\n") != std::string_view::npos) return false;
  return have == prefix.size() && start == prefix;
}

void LineReader::skipLine() {
  if (atEnd()) au::raise(au::err::InputPastEndOfFile, path_);
  for (;;) {
    std::size_t end = lineEnd(pos_);
    if (end == npos) {
      // No line end in what is held: drop it all and read on, so the buffer
      // never grows with the line.
      pos_ = size_;
      if (!fill()) return;  // the last line had no line end
      continue;
    }
    if (buf_[end] == '\r' && end + 1 == size_ && !eof_) {
      // A CR at the end of the buffer: its LF may start the next block.
      pos_ = size_;
      if (fill() && buf_[pos_] == '\n') ++pos_;
      return;
    }
    pos_ = end + ((buf_[end] == '\r' && end + 1 < size_ && buf_[end + 1] == '\n') ? 2 : 1);
    return;
  }
}

std::int64_t skipSharedLines(LineReader& a, LineReader& b) {
  if (!a.regular_ || !b.regular_) return 0;
  a.atEnd();  // the first read skips a byte-order mark
  b.atEnd();
  const std::int64_t startA = a.offset(), startB = b.offset();
  constexpr std::size_t kChunk = 256 << 10;  // two of them stay in the cache
  auto chunkA = std::make_unique_for_overwrite<char[]>(kChunk);
  auto chunkB = std::make_unique_for_overwrite<char[]>(kChunk);
  std::int64_t done = 0;     // bytes found equal
  std::int64_t shared = 0;   // the equal bytes up to the last line start among them
  for (;;) {
    std::size_t na = readAt(a.fd_, chunkA.get(), kChunk, startA + done, a.path_);
    std::size_t nb = readAt(b.fd_, chunkB.get(), kChunk, startB + done, b.path_);
    if (na == 0 && nb == 0) {  // both ended: every line is shared
      shared = done;
      break;
    }
    std::size_t n = std::min(na, nb);
    std::size_t same = firstDifference(chunkA.get(), chunkB.get(), n);
    if (std::size_t start = lastLineStart(chunkA.get(), same); start != npos) shared = done + static_cast<std::int64_t>(start);
    done += static_cast<std::int64_t>(same);
    if (same < n || na != nb) break;
  }
  a.seek(startA + shared);
  b.seek(startB + shared);
  return shared;
}

std::int64_t lineCount(std::string_view path, std::int64_t bytes) {
  LineReader reader(path);
  std::int64_t lines = 0;
  while (!reader.atEnd() && reader.offset() < bytes) {
    reader.next();
    ++lines;
  }
  return lines;
}

}  // namespace rc::platform
