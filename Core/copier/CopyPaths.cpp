#include "Core/copier/CopyPaths.h"

#include <vector>

#include "platform/automation/Error.h"
#include "platform/os/FileTree.h"
#include "platform/os/Paths.h"

namespace rc::core {

namespace au = rc::automation;

DocumentPath parseDocumentPath(std::string_view relPath) {
  DocumentPath doc;
  std::size_t cut = platform::lastSeparator(relPath);
  std::string_view folder = cut == std::string_view::npos ? std::string_view() : relPath.substr(0, cut);
  doc.name = std::string(platform::fileName(relPath));
  std::size_t dot = doc.name.rfind('.');
  if (dot == std::string::npos) au::raise(au::err::InvalidCall);
  if (doc.name == "." || doc.name == "..")
    au::raise(au::err::PathFileAccessError, "The path names a folder, not a document: " + std::string(relPath), "");
  doc.base = doc.name.substr(0, dot);

  std::vector<std::string_view> parts;
  while (!folder.empty()) {
    std::size_t sep = folder.find_first_of("/\\");
    std::string_view part = folder.substr(0, sep);
    folder = sep == std::string_view::npos ? std::string_view() : folder.substr(sep + 1);
    if (part.empty() || part == ".") continue;
    if (part != "..") {
      parts.push_back(part);
      continue;
    }
    if (parts.empty())
      au::raise(au::err::PathFileAccessError,
                "The path leaves the source and destination folders: " + std::string(relPath), "");
    parts.pop_back();
  }
  for (std::string_view part : parts) {
    if (!doc.folder.empty()) doc.folder += '/';
    doc.folder.append(part);
  }
  return doc;
}

std::string normalRoot(std::string_view root) { return platform::normalPath(platform::joinPath(root, "")); }

std::optional<std::string> relativeWithin(std::string_view path, std::string_view root) {
  std::string normal = platform::normalPath(path);
  if (!platform::pathWithin(normal, root) || normal.size() == root.size()) return std::nullopt;
  std::size_t skip = root == "/" ? 1 : root.size() + 1;
  return normal.substr(skip);
}

}  // namespace rc::core
