// Reading a whole file into a buffer made for it: one open, one fstat and
// (for a regular file) one read into memory that is not zeroed first. For
// large inputs read once and dropped (pictures): no growing string, no
// second copy.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "platform/os/DefaultInitAllocator.h"

namespace rc::platform {

class FileBytes {
 public:
  FileBytes() = default;
  std::span<const std::uint8_t> bytes() const { return bytes_; }
  std::size_t size() const { return bytes_.size(); }

 private:
  friend std::optional<FileBytes> readFileBytes(std::string_view path, std::int64_t limit);
  std::vector<std::uint8_t, DefaultInitAllocator<std::uint8_t>> bytes_;
};

// The content of the regular file at `path`, or nullopt when it holds
// more than `limit` bytes (nothing that large is allocated). A file that
// changes while it is read gives at most the length it had when opened.
// Errors as fileLength's and readFile's: 53 when missing or not a regular
// file (a folder, a pipe, a device), 76 for a missing folder, 70 when
// access is refused, 75 for a failed read.
std::optional<FileBytes> readFileBytes(std::string_view path, std::int64_t limit);

}  // namespace rc::platform
