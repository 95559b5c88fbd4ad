// Reading a whole file into a buffer made for it: one open, one fstat and
// (for a regular file) one read into memory that is not zeroed first. For
// large inputs read once and dropped (pictures): no growing string, no
// second copy. A file read in pieces (a picture decoded as it is read,
// straight into its own buffer) is opened as a FileReader.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/os/DefaultInitAllocator.h"
#include "platform/os/UniqueFd.h"

namespace rc::platform {

class FileReader;

class FileBytes {
 public:
  FileBytes() = default;
  std::span<const std::uint8_t> bytes() const { return bytes_; }
  std::size_t size() const { return bytes_.size(); }

 private:
  friend class FileReader;
  std::vector<std::uint8_t, DefaultInitAllocator<std::uint8_t>> bytes_;
};

// A regular file open for reading, with the length it had when opened.
class FileReader {
 public:
  // Opens `path` without waiting (a pipe is refused, not waited on).
  // Errors as readFileBytes's.
  explicit FileReader(std::string_view path);

  std::int64_t size() const { return size_; }
  // Reads up to out.size() bytes at `offset` into `out`; answers how many,
  // fewer only where the file ends (it may have shrunk since it was
  // opened). 75 for a failed read.
  std::size_t readAt(std::uint64_t offset, std::span<std::uint8_t> out) const;
  // The whole file, at most size() bytes: what is left of it should it
  // have shrunk.
  FileBytes readAll() const;

 private:
  std::string native_;
  UniqueFd fd_;
  std::int64_t size_ = 0;
};

// The content of the regular file at `path`, or nullopt when it holds
// more than `limit` bytes (nothing that large is allocated). A file that
// changes while it is read gives at most the length it had when opened.
// Errors as fileLength's and readFile's: 53 when missing or not a regular
// file (a folder, a pipe, a device), 76 for a missing folder, 70 when
// access is refused, 75 for a failed read.
std::optional<FileBytes> readFileBytes(std::string_view path, std::int64_t limit);

}  // namespace rc::platform
