// The path rules of the document copier: how a relative document path splits
// into folder, name and base name, and when a path lies inside a root.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace rc::core {

// A document path relative to the copier's roots.
struct DocumentPath {
  std::string folder;  // the relative folder: "" or "a/b", no "." or ".." left
  std::string name;    // the file name (the text after the last separator)
  std::string base;    // the name without its last extension
};

// Splits `relPath` ("/" or "\" as separators, a leading one optional).
// Raises 5 when the name has no "." (there is no base name), and 75 when a
// ".." would climb above the roots the path is relative to.
DocumentPath parseDocumentPath(std::string_view relPath);

// The absolute normal form of the folder `root` as the library joins names
// onto it: an empty folder is the drive root.
std::string normalRoot(std::string_view root);

// `path` relative to the normal folder `root` ("a/b.prt"), or nullopt when
// its normal form does not lie below `root`.
std::optional<std::string> relativeWithin(std::string_view path, std::string_view root);

}  // namespace rc::core
