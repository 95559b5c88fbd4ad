#include "sim/vault/BlobStore.h"

#include <dirent.h>
#include <fcntl.h>
#include <sodium.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <limits>
#include <utility>
#include <vector>

#include "platform/os/FileIo.h"
#include "platform/os/UniqueFd.h"
#include "sim/vault/ContentHash.h"
#include "sim/vault/Names.h"
#include "sim/vault/VaultError.h"
#include "sim/vault/WriterLock.h"

namespace rc::sim::vault {

namespace {

constexpr std::size_t kChunk = 1 << 16;

std::string errnoText() { return std::strerror(errno); }

// The text of a failed write into the caller's folder `folder` (not the
// vault's): a full device is named as such.
std::string outputFailure(int e, const std::string& folder, const std::string& doing) {
  if (e == ENOSPC || e == EDQUOT) return "no space left on the device holding " + folder;
  return doing + ": " + std::strerror(e);
}

using Fd = platform::UniqueFd;

// A temporary file `<prefix><random>` made with `mode` (less the umask),
// removed unless kept.
class TempFile {
 public:
  TempFile(const std::string& prefix, mode_t mode) {
    if (sodium_init() < 0) return;
    for (int attempt = 0; attempt < 8 && fd_.get() < 0; ++attempt) {
      unsigned char bytes[8];
      randombytes_buf(bytes, sizeof bytes);
      char hex[sizeof bytes * 2 + 1];
      sodium_bin2hex(hex, sizeof hex, bytes, sizeof bytes);
      path_ = prefix + hex;
      fd_ = Fd(::open(path_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode));
      if (fd_.get() < 0 && errno != EEXIST) break;
    }
    created_ = fd_.get() >= 0;
  }
  ~TempFile() {
    if (!kept_ && created_) ::unlink(path_.c_str());
  }
  bool ok() const { return created_; }
  Fd& fd() { return fd_; }
  const std::string& path() const { return path_; }
  void keep() { kept_ = true; }

 private:
  std::string path_;
  Fd fd_;
  bool created_ = false;
  bool kept_ = false;
};

// Copies everything readable from `in` to `out`, hashing it. Returns the
// byte count, or -1 with `failure` set (and `writeError` the errno of a
// failed write, `stopped` when `store` was asked to stop).
std::int64_t copyHashing(int in, int out, ContentHash& hash, const BlobStore& store, std::string& failure,
                         int& writeError, bool& stopped) {
  std::vector<unsigned char> buf(kChunk);
  std::int64_t total = 0;
  for (;;) {
    if (store.stopRequested()) {
      stopped = true;
      failure = "interrupted";
      return -1;
    }
    ssize_t n = ::read(in, buf.data(), buf.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      failure = "read failed: " + errnoText();
      return -1;
    }
    if (n == 0) return total;
    hash.update(buf.data(), static_cast<std::size_t>(n));
    if (int e = platform::fileio::writeWhole(out, buf.data(), static_cast<std::size_t>(n)); e != 0) {
      writeError = e;
      failure = std::string("write failed: ") + std::strerror(e);
      return -1;
    }
    total += n;
  }
}

// Copies `source` into `tmp`, a new temporary of `dir`, hashing it on the
// way; raises naming the file and the folder when the temporary could not be
// made, the copy failed or the file is too large. `tmp` stays open.
StoredContent copyToTemporary(const BlobStore& store, const SourceFile& source, TempFile& tmp) {
  const std::string& dir = store.directory();
  if (!tmp.ok()) {
    const int e = errno;
    throw VaultError(ErrorKind::Storage, systemFailureText(e, dir, "cannot write in " + dir));
  }
  ContentHash hash;
  std::string failure;
  int writeError = 0;
  bool stopped = false;
  if (::lseek(source.fd(), 0, SEEK_SET) != 0) failure = "cannot rewind " + source.path();
  std::int64_t size =
      failure.empty() ? copyHashing(source.fd(), tmp.fd().get(), hash, store, failure, writeError, stopped) : -1;
  if (stopped) throw VaultError(ErrorKind::Interrupted, "interrupted while storing " + source.path());
  if (size < 0 && writeError != 0)
    throw VaultError(ErrorKind::Storage, systemFailureText(writeError, dir, "storing " + source.path() + " in " + dir));
  if (size < 0) throw VaultError(ErrorKind::Storage, "storing " + source.path() + " in " + dir + ": " + failure);
  if (size > std::numeric_limits<std::int32_t>::max())
    throw VaultError(ErrorKind::Refused, "the file " + source.path() + " is too large for the vault (over 2 GiB)");
  return StoredContent{hash.hex(), size};
}

}  // namespace

SourceFile::SourceFile(const std::string& path) : path_(path) {
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd_ < 0) {
    if (errno == ENOENT || errno == ENOTDIR) throw VaultError(ErrorKind::NotFound, "the file " + path + " does not exist");
    throw VaultError(ErrorKind::Refused, "the file " + path + " cannot be read: " + errnoText());
  }
  struct stat st {};
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd_);
    fd_ = -1;
    throw VaultError(ErrorKind::Refused, "the file " + path + " is no regular file");
  }
  if (st.st_size > std::numeric_limits<std::int32_t>::max()) {
    ::close(fd_);
    fd_ = -1;
    throw VaultError(ErrorKind::Refused, "the file " + path + " is too large for the vault (over 2 GiB)");
  }
}

SourceFile::~SourceFile() {
  if (fd_ >= 0) ::close(fd_);
}

StoredContent BlobStore::put(const SourceFile& source, const FaultHook& hook) {
  WriterLock lock(lock_, /*create=*/true);
  if (lock.tryAlone()) removeTemporaries();
  lock.share();
  TempFile tmp(dir_ + "/" + kIncomingPrefix, 0400);  // the owner's alone, never changed in place
  StoredContent out = copyToTemporary(*this, source, tmp);
  if (::fsync(tmp.fd().get()) != 0 || !tmp.fd().close()) {
    const int e = errno;
    throw VaultError(ErrorKind::Storage, systemFailureText(e, dir_, "flushing a new content in " + dir_ + " failed"));
  }
  if (hook) hook(FaultPoint::AfterBlobWrite);
  if (::rename(tmp.path().c_str(), pathOf(out.hash).c_str()) != 0) {
    const int e = errno;
    throw VaultError(ErrorKind::Storage, systemFailureText(e, dir_, "renaming a new content in " + dir_ + " failed"));
  }
  tmp.keep();
  syncFolder(dir_);
  if (hook) hook(FaultPoint::AfterRename);
  return out;
}

BlobBatch::BlobBatch(const BlobStore& store, FaultHook hook)
    : store_(store), hook_(std::move(hook)), lock_(store.lockPath(), /*create=*/true) {
  lock_.alone();
  store_.removeTemporaries();
  dir_ = Fd(::open(store_.directory().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir_.get() < 0) {
    const int e = errno;
    throw VaultError(ErrorKind::Storage, systemFailureText(e, store_.directory(), "cannot open " + store_.directory()));
  }
}

BlobBatch::~BlobBatch() {
  if (kept_) return;
  // Alone under the lock: no other writer can have stored the same content
  // meanwhile, so what this batch added is no one else's.
  for (const Pending& p : pending_) {
    if (!p.temp.empty()) ::unlink(p.temp.c_str());
    if (p.added) ::unlink(store_.pathOf(p.hash).c_str());
  }
}

StoredContent BlobBatch::add(const SourceFile& source) {
  const std::string& dir = store_.directory();
  TempFile tmp(dir + "/" + kIncomingPrefix, 0400);
  StoredContent out = copyToTemporary(store_, source, tmp);
  if (!tmp.fd().close()) {
    const int e = errno;
    throw VaultError(ErrorKind::Storage, systemFailureText(e, dir, "storing " + source.path() + " in " + dir));
  }
  pending_.push_back(Pending{tmp.path(), out.hash, false});
  tmp.keep();  // the batch removes it from now on
  return out;
}

void BlobBatch::store() {
  const std::string& dir = store_.directory();
  if (store_.stopRequested()) throw VaultError(ErrorKind::Interrupted, "interrupted before the contents were stored");
  // One flush for every content: syncfs writes the file system's dirty
  // data, the temporaries' among it, before any of them gets its name.
  if (!pending_.empty() && ::syncfs(dir_.get()) != 0) {
    const int e = errno;
    throw VaultError(ErrorKind::Storage, systemFailureText(e, dir, "flushing the new contents in " + dir + " failed"));
  }
  if (hook_) hook_(FaultPoint::AfterBlobWrite);
  for (Pending& p : pending_) {
    const std::string target = store_.pathOf(p.hash);
    // A content stored before is replaced by the same bytes, flushed: a
    // blob altered since is mended, and undoing the batch leaves it.
    struct stat st {};
    const bool existed = ::lstat(target.c_str(), &st) == 0;
    if (::rename(p.temp.c_str(), target.c_str()) != 0) {
      const int e = errno;
      throw VaultError(ErrorKind::Storage, systemFailureText(e, dir, "renaming a new content in " + dir + " failed"));
    }
    p.temp.clear();
    p.added = !existed;
  }
  if (::fsync(dir_.get()) != 0) {
    const int e = errno;
    throw VaultError(ErrorKind::Storage, systemFailureText(e, dir, "flushing the folder " + dir + " failed"));
  }
  if (hook_) hook_(FaultPoint::AfterRename);
}

void BlobStore::copyOut(const RevisionRecord& rev, const std::string& directory) const {
  checkDocumentName(rev.document);
  std::string what = "the content of " + rev.document + " revision " + rev.label;
  struct stat st {};
  if (::stat(directory.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
    throw VaultError(ErrorKind::NotFound, "the folder " + directory + " does not exist");
  // Without blocking: a pipe put in a content's place must not hang the fetch.
  Fd in(::open(pathOf(rev.hash).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK));
  if (in.get() < 0) {
    if (errno == ENOENT) throw VaultError(ErrorKind::Damaged, what + " is missing from the vault (" + pathOf(rev.hash) + ")");
    throw VaultError(ErrorKind::Damaged, what + " cannot be read: " + errnoText());
  }
  struct stat content {};
  if (::fstat(in.get(), &content) != 0 || !S_ISREG(content.st_mode))
    throw VaultError(ErrorKind::Damaged, what + " is no regular file in the vault (" + pathOf(rev.hash) + ")");
  TempFile tmp(directory + "/.kstd-", 0666);
  if (!tmp.ok()) {
    const int e = errno;
    throw VaultError(ErrorKind::Storage, outputFailure(e, directory, "cannot write in " + directory));
  }
  ContentHash hash;
  std::string failure;
  int writeError = 0;
  bool stopped = false;
  std::int64_t size = copyHashing(in.get(), tmp.fd().get(), hash, *this, failure, writeError, stopped);
  if (stopped) throw VaultError(ErrorKind::Interrupted, "interrupted while writing " + rev.document + " into " + directory);
  if (size < 0 && writeError != 0)
    throw VaultError(ErrorKind::Storage, outputFailure(writeError, directory, "writing " + rev.document + " into " + directory + " failed"));
  if (size < 0) throw VaultError(ErrorKind::Storage, "writing " + rev.document + " into " + directory + ": " + failure);
  if (hash.hex() != rev.hash || size != rev.size)
    throw VaultError(ErrorKind::Damaged, what + " is damaged: its bytes do not match the hash recorded for it");
  if (!tmp.fd().close()) {
    const int e = errno;
    throw VaultError(ErrorKind::Storage, outputFailure(e, directory, "writing " + rev.document + " into " + directory + " failed"));
  }
  std::string target = directory + "/" + rev.document;
  if (::rename(tmp.path().c_str(), target.c_str()) != 0) {
    const int e = errno;
    throw VaultError(ErrorKind::Storage, outputFailure(e, directory, "cannot write " + target));
  }
  tmp.keep();
}

void BlobStore::removeTemporaries() const {
  const std::size_t prefix = std::strlen(kIncomingPrefix);
  Fd dir(::open(dir_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() < 0) return;
  DIR* list = ::fdopendir(::dup(dir.get()));
  if (list == nullptr) return;
  std::vector<std::string> stale;
  while (const dirent* e = ::readdir(list))
    if (std::strncmp(e->d_name, kIncomingPrefix, prefix) == 0) stale.emplace_back(e->d_name);
  ::closedir(list);
  // Best effort: a temporary that cannot be removed now is tried again by
  // the next write, and `keystead-admin check` lists it meanwhile.
  for (const std::string& name : stale) ::unlinkat(dir.get(), name.c_str(), 0);
}

void syncFolder(const std::string& dir) {
  Fd fd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (fd.get() < 0 || ::fsync(fd.get()) != 0) throw VaultError(ErrorKind::Storage, "flushing the folder " + dir + " failed: " + errnoText());
}

}  // namespace rc::sim::vault
