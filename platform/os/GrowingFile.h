// A file read while others append to it (the journal a document's checks
// write): opened once, then its length and the bytes past an offset are
// read through the same descriptor, with no path lookup each time.
//
// It reads the file that was at the path when it was opened; whoever
// replaces that file must open a new GrowingFile.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/os/UniqueFd.h"

namespace rc::platform {

class GrowingFile {
 public:
  // Opens the regular file `path` for reading; raises 53 when missing,
  // 70 when refused, 75 for a link, a pipe or a device.
  explicit GrowingFile(std::string_view path);

  // Whether `path` still names the file read (not removed, renamed away or
  // replaced since it was opened).
  bool isAt(std::string_view path) const;
  // The length now; -1 when it cannot be told.
  std::int64_t length() const;
  // The bytes from `offset` to the end as it stands now ("" past the end);
  // raises 75 on a read error.
  std::string readFrom(std::int64_t offset) const;

 private:
  std::string native_;
  UniqueFd fd_;
};

}  // namespace rc::platform
