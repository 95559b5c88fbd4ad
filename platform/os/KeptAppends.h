// Files appended to again and again (journals, trace logs, data files) kept
// open for as long as a run lasts, instead of opened and closed per line.
//
// While a KeptAppends lives, the appends of its thread (output::appendLines
// and appendText of Files.h) open each file once and keep the descriptor.
// Before each append the path is looked at again (lstat for output files,
// which never follow a link; stat for appendText, which does): a file
// deleted, renamed away, replaced (by another file or a link), or whose
// mode or owner changed is no longer the kept one, and is opened afresh
// exactly as a single append would open it. That one look is the whole
// cost of a kept append besides its write; the guarantees stay those of a
// single append: each call's text goes in one write(2) on an O_APPEND
// descriptor, no output file is ever written through a link, and a failed
// write leaves no part of its lines.
//
// Without a KeptAppends, every append opens and closes its file.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/os/UniqueFd.h"

struct stat;

namespace rc::platform {

class KeptAppends {
 public:
  // One kept file.
  struct File {
    std::string native;  // the path as opened
    bool follow = false;  // opened through links (appendText)
    UniqueFd fd;
    dev_t device = 0;
    ino_t inode = 0;
    mode_t mode = 0;
    uid_t owner = 0;
    gid_t group = 0;
    bool readable = false;  // its bytes can be read back through fd
    off_t size = -1;        // its size after the last append through fd; -1 unknown
    char lastByte = 0;      // the last byte that append wrote
    std::uint64_t used = 0;  // when last used, for eviction
  };

  // Makes this the current table of the calling thread (until it ends) and
  // keeps at most `capacity` files open; the least recently used is closed
  // when another is opened.
  explicit KeptAppends(std::size_t capacity = 16);
  // Closes every kept file; the previous table (if any) is current again.
  ~KeptAppends();
  KeptAppends(const KeptAppends&) = delete;
  KeptAppends& operator=(const KeptAppends&) = delete;

  // The calling thread's current table, or nullptr when none lives.
  static KeptAppends* current();

  // The kept file for `native` (opened with `follow`) when `now`, the
  // path's state just taken, still names it; nullptr otherwise, and a kept
  // file the path no longer names is closed.
  File* find(const std::string& native, bool follow, const struct stat& now);

  // Keeps `fd`, just opened for appending at `native`, whose state is `st`.
  File& keep(const std::string& native, bool follow, UniqueFd fd, const struct stat& st, bool readable);

  // Closes the kept file for `native` (after a failed write, say).
  void forget(const std::string& native, bool follow);

  std::size_t size() const { return files_.size(); }

 private:
  std::vector<File> files_;
  std::size_t capacity_;
  std::uint64_t clock_ = 0;
  KeptAppends* previous_;
};

}  // namespace rc::platform
