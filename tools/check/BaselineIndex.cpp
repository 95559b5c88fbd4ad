#include "tools/check/BaselineIndex.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>
#include <cstdio>

#include "platform/os/Files.h"
#include "platform/os/Paths.h"
#include "platform/os/UniqueFd.h"
#include "tools/check/CheckCatalog.h"
#include "tools/common/FolderFiles.h"
#include "tools/common/OutputFiles.h"

namespace rc::tools {

namespace {

std::string stateFolder(const std::string& folder) { return platform::joinPath(folder, std::string(kStateFolderName)); }

std::string indexPath(const std::string& folder) {
  return platform::joinPath(stateFolder(folder), std::string(kBaselineIndexName));
}

std::string encoded(const std::string& name) {
  std::string out;
  for (unsigned char c : name) {
    if (c < 0x20 || c == 0x7F || c == '%') {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", c);
      out += hex;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string decoded(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

BaselineIndex parse(const std::string& text) {
  BaselineIndex index;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    const std::string line = text.substr(start, end - start);
    start = end + 1;
    const std::size_t tab = line.find('\t');
    if (tab == std::string::npos) continue;
    try {
      std::string document = decoded(line.substr(0, tab)), file = decoded(line.substr(tab + 1));
      // Only files of the folder itself, never the state folder.
      if (isPlainName(document) && isPlainName(file) && file != kStateFolderName) index[document].insert(file);
    } catch (const std::exception&) {
      // A damaged line names nothing the tool can trust.
    }
  }
  return index;
}

std::string text(const BaselineIndex& index) {
  std::string out;
  for (const auto& [document, files] : index)
    for (const std::string& file : files) out += encoded(document) + "\t" + encoded(file) + "\n";
  return out;
}

// Holds the index's lock of `folder` (creating the state folder) while alive.
class IndexLock {
 public:
  explicit IndexLock(const std::string& folder) {
    platform::createFolder(stateFolder(folder));
    const std::string path = platform::joinPath(stateFolder(folder), std::string(kBaselineIndexLock));
    fd_ = platform::UniqueFd(::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644));
    if (!fd_.valid()) throw OutputError("cannot write " + path + ": " + systemReason(errno));
    while (::flock(fd_.get(), LOCK_EX) != 0)
      if (errno != EINTR) throw OutputError("cannot lock " + path + ": " + systemReason(errno));
  }

 private:
  platform::UniqueFd fd_;
};

template <typename Change>
void update(const std::string& folder, Change change) {
  IndexLock lock(folder);
  BaselineIndex index = readBaselineIndex(folder);
  const std::string before = text(index);
  change(index);
  const std::string after = text(index);
  if (after != before) replaceOutputFile(indexPath(folder), after);
}

}  // namespace

BaselineIndex readBaselineIndex(const std::string& folder) {
  // Read without following a link: an index is only the tool's own file.
  try {
    return parse(FolderFiles::open(folder).sub(kStateFolderName).read(kBaselineIndexName));
  } catch (const OutputError&) {
    return {};
  }
}

void recordBaselines(const std::string& folder, const std::string& document, const std::vector<std::string>& files) {
  if (files.empty()) return;
  // Most runs find their baselines recorded already: no lock, no write.
  const BaselineIndex known = readBaselineIndex(folder);
  if (auto it = known.find(document); it != known.end()) {
    bool all = true;
    for (const std::string& f : files) all = all && it->second.count(f) > 0;
    if (all) return;
  }
  update(folder, [&](BaselineIndex& index) { index[document].insert(files.begin(), files.end()); });
}

void forgetBaselines(const std::string& folder, const std::vector<std::string>& documents) {
  if (documents.empty()) return;
  update(folder, [&](BaselineIndex& index) {
    for (const std::string& d : documents) index.erase(d);
  });
}

}  // namespace rc::tools
