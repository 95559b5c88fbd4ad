// The companion files of the documents met in one copy run. Each folder is
// listed once, when it is first asked about, and indexed so that a document's
// companions are found without scanning the folder again.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/os/FileTree.h"

namespace rc::core {

class CompanionIndex {
 public:
  // `extensions`: the companion extensions a query may name.
  explicit CompanionIndex(std::vector<std::string> extensions);

  // The files of `folder` whose names match the wildcard pattern "*" + `base`
  // + ".*" + extensions[ext], ASCII case ignored, in name order. A folder
  // that does not exist has none.
  std::vector<platform::FileEntry> match(const std::string& folder, std::string_view base, std::size_t ext);

 private:
  struct Key {
    std::string reversedHead;  // lower-cased name up to a ".", reversed
    std::size_t file;
  };
  struct Folder {
    std::vector<platform::FileEntry> files;  // in name order
    std::vector<std::vector<Key>> keys;      // per extension, sorted
  };

  const Folder& folder(const std::string& path);

  std::vector<std::string> extensions_;  // lower-cased
  std::unordered_map<std::string, Folder> folders_;
};

}  // namespace rc::core
