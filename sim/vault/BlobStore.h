// The contents of a vault: files in blobs/ named by the SHA-256 of their
// bytes. A content is written to a temporary file, flushed, renamed under
// its hash and the folder flushed, so a blob is either whole or absent.
// Blobs are never removed; a replaced content stays.
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

class BlobStore {
 public:
  explicit BlobStore(std::string directory) : dir_(std::move(directory)) {}

  // Copies the file into the store (see above); raises Storage on failure.
  StoredContent put(const SourceFile& source, const FaultHook& hook);

  // Writes the content of `rev` as `directory/rev.document`, replacing a
  // file there only once the whole content has been read and its hash
  // checked. Raises NotFound for a missing directory and Damaged, naming the
  // document, for a missing or altered blob.
  void copyOut(const RevisionRecord& rev, const std::string& directory) const;

  std::string pathOf(const std::string& hash) const { return dir_ + "/" + hash; }
  const std::string& directory() const { return dir_; }

 private:
  std::string dir_;
};

// Flushes the folder entry list at `dir` to disk (after a rename in it).
void syncFolder(const std::string& dir);

}  // namespace rc::sim::vault
