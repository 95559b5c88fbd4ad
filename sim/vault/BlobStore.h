// The contents of a vault: files in blobs/ named by the SHA-256 of their
// bytes, readable by the vault's owner only. A content is written to a
// temporary file (.incoming-*), flushed, renamed under its hash and the
// folder flushed, so a blob is either whole or absent. Blobs are never
// removed; a replaced content stays. Temporaries a writer left when it died
// are removed by the next write that finds no other writer running.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/os/UniqueFd.h"
#include "sim/vault/FaultPoint.h"
#include "sim/vault/RecordTypes.h"
#include "sim/vault/WriterLock.h"

namespace rc::sim::vault {

// A local file opened for check-in.
class SourceFile {
 public:
  // Opens the regular file at `path`; raises NotFound when it is missing,
  // Refused when it is no regular file, unreadable or larger than a Long.
  explicit SourceFile(const std::string& path);
  ~SourceFile();
  SourceFile(const SourceFile&) = delete;
  SourceFile& operator=(const SourceFile&) = delete;
  int fd() const { return fd_; }
  const std::string& path() const { return path_; }

 private:
  int fd_ = -1;
  std::string path_;
};

struct StoredContent {
  std::string hash;
  std::int64_t size = 0;
};

// Whether the caller has been asked to stop (an interrupt): a copy in
// progress then ends, raising Interrupted, and leaves nothing behind.
using StopCheck = std::function<bool()>;

// The name prefix of a content's temporary file in blobs/.
inline constexpr const char* kIncomingPrefix = ".incoming-";

class BlobStore {
 public:
  // The store in `directory`, its writers sharing the lock `lockPath`.
  BlobStore(std::string directory, std::string lockPath) : dir_(std::move(directory)), lock_(std::move(lockPath)) {}

  // Copies the file into the store (see above), first removing the
  // temporaries of writers that died when no writer is running; raises
  // Storage on failure.
  StoredContent put(const SourceFile& source, const FaultHook& hook);

  // Writes the content of `rev` as `directory/rev.document`, replacing a
  // file there only once the whole content has been read and its hash
  // checked. Raises NotFound for a missing directory and Damaged, naming the
  // document, for a missing or altered blob.
  void copyOut(const RevisionRecord& rev, const std::string& directory) const;

  std::string pathOf(const std::string& hash) const { return dir_ + "/" + hash; }
  const std::string& directory() const { return dir_; }
  const std::string& lockPath() const { return lock_; }
  // Asked between the blocks of every copy in and out (none when empty).
  void setStopCheck(StopCheck stop) { stop_ = std::move(stop); }
  bool stopRequested() const { return stop_ && stop_(); }

 private:
  friend class BlobBatch;
  // Removes every temporary in the store; called holding the lock alone.
  void removeTemporaries() const;

  std::string dir_;
  std::string lock_;
  StopCheck stop_;
};

// The contents of one batch of check-ins, stored together. Each file is
// copied to a temporary without a flush of its own; store() flushes them all
// with one sync of the file system, renames them under their hashes and
// flushes the folder once, so a batch costs two flushes however many files
// it holds, and each blob is still whole or absent. The batch holds the
// writers' lock alone from start to end: abandoned before keep(), it removes
// its temporaries and the blobs it added, leaving blobs/ as it found it.
class BlobBatch {
 public:
  // Waits for the writers' lock alone, then removes the temporaries of
  // writers that died. Raises Storage.
  BlobBatch(const BlobStore& store, FaultHook hook);
  ~BlobBatch();
  BlobBatch(const BlobBatch&) = delete;
  BlobBatch& operator=(const BlobBatch&) = delete;

  // Copies `source` into a temporary of the batch; raises Storage naming
  // the file.
  StoredContent add(const SourceFile& source);
  // Flushes every content added and renames it under its hash (a content
  // the store holds already is left as it is). Raises Storage.
  void store();
  // The records that name the contents are committed: nothing is undone.
  void keep() { kept_ = true; }

 private:
  struct Pending {
    std::string temp;
    std::string hash;
    bool added = false;  // renamed into place by this batch
  };

  const BlobStore& store_;
  FaultHook hook_;
  WriterLock lock_;
  platform::UniqueFd dir_;
  std::vector<Pending> pending_;
  bool kept_ = false;
};

// Flushes the folder entry list at `dir` to disk (after a rename in it).
void syncFolder(const std::string& dir);

}  // namespace rc::sim::vault
