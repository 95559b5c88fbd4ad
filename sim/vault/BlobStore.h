// The contents of a vault: files in blobs/ named by the SHA-256 of their
// bytes, readable by the vault's owner only. A content is written to a
// temporary file (.incoming-*), flushed, renamed under its hash and the
// folder flushed, so a blob is either whole or absent. Blobs are never
// removed; a replaced content stays. Temporaries a writer left when it died
// are removed by the next write that finds no other writer running.
#pragma once

#include <cstdint>
#include <string>

#include "sim/vault/FaultPoint.h"
#include "sim/vault/RecordTypes.h"

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

 private:
  // Removes every temporary in the store; called holding the lock alone.
  void removeTemporaries() const;

  std::string dir_;
  std::string lock_;
};

// Flushes the folder entry list at `dir` to disk (after a rename in it).
void syncFolder(const std::string& dir);

}  // namespace rc::sim::vault
