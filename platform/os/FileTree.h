// File-tree services of the document copier: path normalisation and
// containment, one-pass folder listings and copies that never leave a
// half-written file behind.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace rc::platform {

// The absolute native form of `path` (nativePath(), made absolute against the
// current folder), with "." and ".." components resolved and no trailing
// "/" (except for "/" itself). Links are left alone.
std::string normalPath(std::string_view path);

// normalPath() with every symbolic link resolved along the longest part of
// the path that exists; the rest is appended as it stands.
std::string resolvedPath(std::string_view path);

// Whether the normal path `path` is `root` or lies below it (whole
// components compared, so "/a/bc" is not within "/a/b").
bool pathWithin(std::string_view path, std::string_view root);

// One entry of a folder listing.
struct FileEntry {
  std::string name;
  bool link = false;  // a symbolic link (to a regular file)
};

// The regular files of `folder` (links to regular files included), in
// directory order, read in one pass. A missing folder or one that cannot be
// read has no files.
std::vector<FileEntry> listFiles(std::string_view folder);

// Copies the file `from` to `to`, overwriting: the bytes go to a temporary
// file in the destination folder, which is then renamed over `to`, so `to`
// holds the old or the new content whole. A link at `to` is replaced, never
// written through. Errors as the file statements raise them (53, 76, 70, 75);
// the temporary file is removed after a failure.
void copyFileReplacing(std::string_view from, std::string_view to);

// Whether `path` is a symbolic link (dangling or not).
bool isLink(std::string_view path);

}  // namespace rc::platform
