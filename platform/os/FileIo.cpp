#include "platform/os/FileIo.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
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
      if (!folder.empty() && !folderExists(folder)) au::raiseSystem(au::err::PathNotFound, e, path);
      au::raiseSystem(au::err::FileNotFound, e, path);
    }
    case ENOTDIR: au::raiseSystem(au::err::PathNotFound, e, path);
    case EACCES: case EPERM: case EROFS: au::raiseSystem(au::err::PermissionDenied, e, path);
    default: au::raiseSystem(au::err::PathFileAccessError, e, path);
  }
}

namespace {

struct WriteFaultState {
  std::atomic<int> refuseAt{0};  // the step to refuse, counted from arming; 0: off
  std::atomic<int> steps{0};
};

WriteFaultState& writeFaultState() {
  static WriteFaultState state;
  return state;
}

}  // namespace

void WriteFaultHook::refuseStep(int n) {
  writeFaultState().steps = 0;
  writeFaultState().refuseAt = n > 0 ? n : 0;
}

int WriteFaultHook::steps() { return writeFaultState().steps; }

int WriteFaultHook::check() {
  WriteFaultState& s = writeFaultState();
  const int step = ++s.steps;
  return s.refuseAt != 0 && step == s.refuseAt ? EIO : 0;
}

int writeWhole(int fd, const void* data, std::size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = ::write(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) return EIO;
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return 0;
}

int readWhole(int fd, void* data, std::size_t size) {
  char* p = static_cast<char*>(data);
  while (size > 0) {
    ssize_t n = ::read(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    if (n == 0) return -1;
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return 0;
}

int writeCounted(int fd, std::string_view data, std::size_t& written) {
  written = 0;
  while (!data.empty()) {
    if (int fault = WriteFaultHook::check()) {
      // A full disk takes part of a buffer before it refuses the rest.
      const std::size_t part = data.size() / 2;
      if (part > 0 && ::write(fd, data.data(), part) > 0) written += part;
      return fault;
    }
    ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    written += static_cast<std::size_t>(n);
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return 0;
}

void writeAll(int fd, std::string_view data, const std::string& path) {
  std::size_t written = 0;
  if (int e = writeCounted(fd, data, written)) {
    ::close(fd);
    raiseErrno(e, path);
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

namespace {

thread_local bool syncsWaived = false;

}  // namespace

SyncsWaived::SyncsWaived() : previous_(syncsWaived) { syncsWaived = true; }

SyncsWaived::~SyncsWaived() { syncsWaived = previous_; }

bool SyncsWaived::active() { return syncsWaived; }

int syncAndRename(int fd, const std::string& temp, const std::string& target, bool durable) {
  durable = durable && !syncsWaived;
  int e = 0;
  if (durable && ::fsync(fd) != 0) e = errno;
  if (::close(fd) != 0 && e == 0) e = errno;
  if (e == 0) e = WriteFaultHook::check();
  if (e == 0 && ::rename(temp.c_str(), target.c_str()) != 0) e = errno;
  if (e != 0 || !durable) return e;
  // `target` is native: only "/" separates its folders, a backslash is part of a name.
  const std::size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
  if (FolderSyncs* batch = FolderSyncs::current()) batch->add(folder);
  else syncFolder(folder);
  return 0;
}

void syncFolder(const std::string& folder) {
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
}

namespace {

thread_local FolderSyncs* currentBatch = nullptr;

}  // namespace

FolderSyncs::FolderSyncs() : previous_(currentBatch) { currentBatch = this; }

FolderSyncs::~FolderSyncs() {
  flush();
  currentBatch = previous_;
}

FolderSyncs* FolderSyncs::current() { return currentBatch; }

void FolderSyncs::add(const std::string& folder) {
  for (const std::string& f : folders_)
    if (f == folder) return;
  folders_.push_back(folder);
}

void FolderSyncs::flush() {
  for (const std::string& f : folders_) syncFolder(f);
  folders_.clear();
}

int openForWrite(const std::string& native, int flags, unsigned mode) {
  ensureDriveRootFor(native);
  if (int fault = WriteFaultHook::check()) raiseErrno(fault, native);
  int fd = ::open(native.c_str(), flags | O_CLOEXEC, mode);
  if (fd < 0) raiseErrno(errno, native);
  return fd;
}

}  // namespace rc::platform::fileio
