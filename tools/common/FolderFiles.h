// Files of one folder reached without following any link: the folder is
// opened once, and every file and subfolder below it by name relative to
// it with O_NOFOLLOW, so a link anywhere on the way is refused instead of
// read or written through. For baseline review, which must read and write
// only inside a document's folder whatever its record says.
#pragma once

#include <string>
#include <string_view>

#include "platform/os/UniqueFd.h"

namespace rc::tools {

class FolderFiles {
 public:
  // The folder at `path` (a link to a folder is followed here, once: the
  // user names the folder). OutputError when it cannot be opened.
  static FolderFiles open(const std::string& path);

  // The subfolder `name` (one plain name); OutputError when it is missing,
  // a link or no folder.
  FolderFiles sub(std::string_view name) const;

  // Whether anything (a link too, followed or not) is named `name` here.
  bool has(std::string_view name) const;

  // Opens (creating) the file `name` and holds an exclusive lock on it,
  // waiting for it, until the answered descriptor is closed. OutputError
  // when `name` is a link or cannot be opened or locked.
  platform::UniqueFd lock(std::string_view name) const;

  // The content of the regular file `name`; OutputError when it is
  // missing, a link or not a regular file.
  std::string read(std::string_view name) const;

  // Replaces the file `name` with `data` atomically (a temporary beside it,
  // then a rename, so a link there is replaced, never followed). The new
  // file keeps the permission bits of the regular file it replaces, or
  // has `mode` when there is none.
  void replace(std::string_view name, std::string_view data, unsigned mode = 0644) const;

  const std::string& path() const { return path_; }

 private:
  FolderFiles(platform::UniqueFd fd, std::string path) : fd_(std::move(fd)), path_(std::move(path)) {}

  platform::UniqueFd fd_;
  std::string path_;
};

// Whether `name` is one plain file name: not empty, ".", "..", nor holding a slash or NUL.
bool isPlainName(std::string_view name);

}  // namespace rc::tools
