#include "platform/os/OutputFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <string>

#include "platform/automation/Error.h"
#include "platform/os/FileIo.h"
#include "platform/os/KeptAppends.h"
#include "platform/os/Paths.h"
#include "platform/os/UniqueFd.h"

namespace rc::platform::output {

namespace au = rc::automation;

namespace {

[[noreturn]] void refuseNonRegular(const std::string& native) {
  au::raise(au::err::PathFileAccessError,
            "Path/File access error: " + native + " is not a regular file (output is never written through a link)",
            native);
}

std::string checkedNative(std::string_view path) {
  std::string native = nativePath(path);
  if (native.empty()) au::raise(au::err::BadFileNameOrNumber);
  return native;
}

// A native path as given, refused (52) where nativePath would refuse it.
void checkNative(const std::string& native) {
  if (native.empty()) au::raise(au::err::BadFileNameOrNumber);
  if (holdsNul(native)) (void)nativePath(native);  // raises 52 naming the NUL
}

// Opens the regular file `native` for appending without following a link;
// `readable` tells whether its bytes can be read back through the answer,
// `st` is the file's state as opened.
int openForAppend(const std::string& native, bool& readable, struct stat& st) {
  constexpr int kFlags = O_CREAT | O_APPEND | O_NOFOLLOW | O_NONBLOCK;
  int fd = -1;
  readable = true;
  try {
    fd = fileio::openForWrite(native, O_RDWR | kFlags, 0644);
  } catch (const au::AutomationError& e) {
    // ELOOP (a link) and ENXIO (a pipe nobody reads) arrive as 75; other
    // system errors (a full disk, an I/O error) go on as they are.
    const int why = e.systemError();
    if (e.number() == au::err::PathFileAccessError && (why == ELOOP || why == ENXIO || why == 0))
      refuseNonRegular(native);
    if (e.number() != au::err::PermissionDenied) throw;
    readable = false;  // a file we may write but not read
    fd = fileio::openForWrite(native, O_WRONLY | kFlags, 0644);
  }
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    refuseNonRegular(native);
  }
  return fd;
}

// How often a last line that seems cut is looked at before it is taken to be.
constexpr int kCutLineLooks = 6;

// Whether the file behind `fd`, of `size` bytes (or as it ends now, when it
// grew meanwhile), is empty or ends with a line end.
bool endsWithLineEnd(int fd, off_t size) {
  // A size read while another writer's append crossed a page boundary can
  // fall inside its lines, and whole lines follow. So a line that seems cut
  // is looked at again, over a few milliseconds, before it is taken to be
  // one (a writer that died mid-line): only that rare case pays the wait.
  for (int look = 0;; ++look) {
    if (size == 0) return true;
    char last = 0;
    if (::pread(fd, &last, 1, size - 1) != 1) return true;
    if (last == '\n' || last == '\r') return true;
    if (look == kCutLineLooks) return false;
    struct timespec pause {0, 1'000'000 * look};
    if (look > 0) ::nanosleep(&pause, nullptr);
    struct stat st;
    if (::fstat(fd, &st) != 0) return false;
    size = st.st_size;
  }
}

// Makes the empty regular file `native`, found missing a moment ago, in
// place: a reader sees no file or the whole (empty) one, so no temporary is
// needed. False when something has appeared there since; the caller then
// replaces it as usual.
bool createEmpty(const std::string& native, unsigned mode) {
  int fd = -1;
  try {
    fd = fileio::openForWrite(native, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, mode);
  } catch (const au::AutomationError&) {
    struct stat st;
    if (::lstat(native.c_str(), &st) == 0) return false;
    throw;
  }
  ::close(fd);
  return true;
}

// Writes `text`, after CR LF when `needsEnd`, to `fd` in one write; on a
// failure cuts off what got in (unless another writer appended since) and
// removes a file this append created, then raises. `before` is the size the
// file had before, `created` whether this append made it.
void writeWholeLines(int fd, const std::string& native, std::string_view text, bool needsEnd, off_t before,
                     bool created, std::size_t& total) {
  std::string ended;
  if (needsEnd) ended = "\r\n";
  ended.append(text);
  total = ended.size();
  std::size_t written = 0;
  if (int e = fileio::writeCounted(fd, ended, written)) {
    // The lines go in whole or not at all: what a failed append (a full
    // disk) left is cut off again, unless another writer appended since,
    // and a file this call created is removed again.
    struct stat st;
    if (::fstat(fd, &st) == 0 && st.st_size == before + static_cast<off_t>(written)) {
      if (written > 0) (void)::ftruncate(fd, before);
      if (before == 0 && created) ::unlink(native.c_str());
    }
    fileio::raiseErrno(e, native);
  }
}

// appendLines through the kept file of `native`, opened when it is not
// kept yet or the path no longer names it.
void appendKept(KeptAppends& kept, const std::string& native, std::string_view text) {
  struct stat now;
  const bool existed = ::lstat(native.c_str(), &now) == 0;
  KeptAppends::File* file = existed ? kept.find(native, /*follow=*/false, now) : nullptr;
  off_t before = 0;
  bool needsEnd = false;
  if (file != nullptr) {
    before = now.st_size;
    // The last byte is known when nobody else appended since this table's
    // last append; otherwise it is read back.
    if (before > 0 && file->readable)
      needsEnd = before == file->size ? file->lastByte != '\n' && file->lastByte != '\r'
                                      : !endsWithLineEnd(file->fd.get(), before);
  } else {
    bool readable = false;
    struct stat st;
    UniqueFd fd(openForAppend(native, readable, st));
    before = st.st_size;
    needsEnd = readable && !endsWithLineEnd(fd.get(), before);
    file = &kept.keep(native, /*follow=*/false, std::move(fd), st, readable);
  }
  std::size_t total = 0;
  try {
    writeWholeLines(file->fd.get(), native, text, needsEnd, before, !existed, total);
  } catch (...) {
    kept.forget(native, /*follow=*/false);
    throw;
  }
  if (total == 0) return;
  file->size = before + static_cast<off_t>(total);
  file->lastByte = text.empty() ? '\n' : text.back();
}

// Opens `native` for `flags` (O_WRONLY or O_RDWR) when it is a regular
// file of this user with one name, reached without a link, whose
// permissions `mode` covers; an invalid descriptor otherwise. `st` is its
// state.
UniqueFd openOwnFile(const std::string& native, int flags, unsigned mode, struct stat& st) {
  if (::lstat(native.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return UniqueFd();
  UniqueFd fd(::open(native.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  struct stat opened;
  if (!fd.valid() || ::fstat(fd.get(), &opened) != 0 || !S_ISREG(opened.st_mode) || opened.st_dev != st.st_dev ||
      opened.st_ino != st.st_ino || opened.st_nlink != 1 || opened.st_uid != ::geteuid() ||
      (opened.st_mode & 07777 & ~mode) != 0)
    return UniqueFd();
  st = opened;
  return fd;
}

// Whether the file behind `fd`, of `size` bytes, holds exactly `data`.
bool contentIs(int fd, off_t size, std::string_view data) {
  if (size != static_cast<off_t>(data.size())) return false;
  std::string held(data.size() + 1, '\0');
  std::size_t got = 0;
  while (got < held.size()) {
    const ssize_t n = ::pread(fd, held.data() + got, held.size() - got, static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  return got == data.size() && std::string_view(held.data(), got) == data;
}

// Tells the calling thread's kept appends that the file `native`, of state
// `st`, was cut or rewritten behind them: the size they noted after their
// last append no longer says that nobody else wrote since.
void forgetKeptSize(const std::string& native, const struct stat& st) {
  KeptAppends* kept = KeptAppends::current();
  if (kept == nullptr) return;
  if (KeptAppends::File* file = kept->find(native, /*follow=*/false, st)) file->size = -1;
}

}  // namespace

bool holdsExactly(const std::string& native, std::string_view data) {
  struct stat st;
  if (::lstat(native.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size != static_cast<off_t>(data.size()))
    return false;
  const UniqueFd fd(::open(native.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  struct stat opened;
  if (!fd.valid() || ::fstat(fd.get(), &opened) != 0 || !S_ISREG(opened.st_mode)) return false;
  return contentIs(fd.get(), opened.st_size, data);
}

bool emptyInPlace(const std::string& native, unsigned mode) {
  checkNative(native);
  struct stat st;
  const UniqueFd fd = openOwnFile(native, O_WRONLY, mode, st);
  if (!fd.valid()) return false;
  if (st.st_size == 0) return true;
  if (int fault = fileio::WriteFaultHook::check()) fileio::raiseErrno(fault, native);
  if (::ftruncate(fd.get(), 0) != 0) fileio::raiseErrno(errno, native);
  forgetKeptSize(native, st);
  return true;
}

bool rewriteInPlace(const std::string& native, std::string_view data, unsigned mode) {
  checkNative(native);
  struct stat st;
  UniqueFd fd = openOwnFile(native, O_RDWR, mode, st);
  if (!fd.valid()) return false;
  if (contentIs(fd.get(), st.st_size, data)) return true;
  std::size_t written = 0;
  int e = ::lseek(fd.get(), 0, SEEK_SET) == 0 ? fileio::writeCounted(fd.get(), data, written) : errno;
  if (e == 0 && ::ftruncate(fd.get(), static_cast<off_t>(data.size())) != 0) e = errno;
  forgetKeptSize(native, st);
  if (e != 0) {
    // Half of the new content and half of the old is no content at all.
    struct stat now;
    if (::lstat(native.c_str(), &now) == 0 && now.st_dev == st.st_dev && now.st_ino == st.st_ino)
      ::unlink(native.c_str());
    fileio::raiseErrno(e, native);
  }
  return true;
}

void appendLines(std::string_view path, std::string_view text) { appendLinesToNative(checkedNative(path), text); }

void appendLinesToNative(const std::string& native, std::string_view text) {
  checkNative(native);
  if (KeptAppends* kept = KeptAppends::current()) return appendKept(*kept, native, text);
  bool readable = false;
  struct stat st;
  const bool existed = ::lstat(native.c_str(), &st) == 0;
  UniqueFd fd(openForAppend(native, readable, st));
  const off_t before = st.st_size;
  std::size_t total = 0;
  writeWholeLines(fd.get(), native, text, readable && !endsWithLineEnd(fd.get(), before), before, !existed, total);
}

void appendLine(std::string_view path, std::string_view line) {
  appendLines(path, fileio::withLineEnd(line));
}

namespace {

// replaceNativeFile of the bytes `produce` hands its writer, in order; the
// file is not made empty when it hands none (callers check that first).
void replaceNativeFileFrom(const std::string& native, const BlockProducer& produce, unsigned mode, bool durable) {
  // A hidden name unique per process and call, in the same folder, so the
  // rename never crosses file systems and two writers never share it.
  static std::atomic<unsigned> counter{0};
  const std::size_t slash = native.rfind('/');
  std::string tmp = native.substr(0, slash + 1) + "." + native.substr(slash + 1) + "." + std::to_string(::getpid()) +
                    "." + std::to_string(counter++) + ".tmp";
  int fd = -1;
  try {
    fd = fileio::openForWrite(tmp, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, mode);
  } catch (const au::AutomationError& e) {
    au::raiseSystem(e.number(), e.systemError(), native);  // name the file asked for, not the temporary
  }
  std::size_t total = 0;
  bool open = true;  // writeAll closes fd when it fails; a producer that throws does not
  try {
    produce([&](std::string_view block) {
      try {
        fileio::writeAll(fd, block, tmp);
      } catch (...) {
        open = false;
        throw;
      }
      total += block.size();
    });
  } catch (...) {
    if (open) ::close(fd);
    ::unlink(tmp.c_str());
    throw;
  }
  // The content is on the device before it replaces the old one, so a
  // power loss leaves the old file or the new one, never an empty one. (An
  // empty new content has nothing to lose.)
  if (int e = fileio::syncAndRename(fd, tmp, native, durable && total > 0); e != 0) {
    ::unlink(tmp.c_str());
    if (e == EISDIR) refuseNonRegular(native);
    fileio::raiseErrno(e, native);
  }
}

}  // namespace

void replaceNativeFile(const std::string& native, std::string_view data, unsigned mode, bool durable) {
  checkNative(native);
  struct stat st;
  const bool exists = ::lstat(native.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) refuseNonRegular(native);
  if (!exists && data.empty() && createEmpty(native, mode)) return;
  replaceNativeFileFrom(native, [data](const BlockWriter& write) { write(data); }, mode, durable);
}

void replaceFile(std::string_view path, std::string_view data, unsigned mode) {
  replaceNativeFile(checkedNative(path), data, mode);
}

void replaceFileFrom(std::string_view path, const BlockProducer& produce, unsigned mode) {
  const std::string native = checkedNative(path);
  checkNative(native);
  struct stat st;
  if (::lstat(native.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) refuseNonRegular(native);
  replaceNativeFileFrom(native, produce, mode, /*durable=*/true);
}

}  // namespace rc::platform::output
