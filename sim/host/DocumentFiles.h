// Where a document's bytes really live. Documents are the user's own files:
// a document opened through a symbolic link is the link's target, so saving
// writes the target (atomically, keeping its permissions) and a dependency
// walk recognises one file under all of its names.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace rc::sim::host::documentfiles {

// The identity of an existing file (device and inode, links followed).
struct FileId {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  friend bool operator<(const FileId& a, const FileId& b) {
    return a.device != b.device ? a.device < b.device : a.inode < b.inode;
  }
  friend bool operator==(const FileId& a, const FileId& b) { return a.device == b.device && a.inode == b.inode; }
};

// The identity of the file at `path`, or nullopt when it does not exist.
std::optional<FileId> identity(const std::string& path);

// Whether two paths name one file: the same path, or the same identity.
bool sameFile(const std::string& a, const std::string& b);

// The size in bytes of the file at `path` (links followed), or nullopt.
std::optional<std::uint64_t> size(const std::string& path);

// Replaces the content of the document at `path` with `text`: through a
// symbolic link its final target is written, by a temporary file in the
// target's folder renamed over it, and the file keeps its permission bits.
// Raises an AutomationError (naming the path) when it cannot be written.
void write(const std::string& path, const std::string& text);

}  // namespace rc::sim::host::documentfiles
