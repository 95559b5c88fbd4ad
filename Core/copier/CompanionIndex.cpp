#include "Core/copier/CompanionIndex.h"

#include <algorithm>
#include <cctype>

namespace rc::core {

namespace {

std::string lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool endsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

}  // namespace

CompanionIndex::CompanionIndex(std::vector<std::string> extensions) {
  for (const std::string& e : extensions) extensions_.push_back(lower(e));
}

// A name matches "*B.*E" when, once E is cut off its end, some "." in what is
// left has B right in front of it. Every text in front of a "." is kept
// reversed, so the names that match B are a prefix range of a sorted list.
const CompanionIndex::Folder& CompanionIndex::folder(const std::string& path) {
  auto found = folders_.find(path);
  if (found != folders_.end()) return found->second;
  Folder f;
  f.files = platform::listFiles(path);
  std::sort(f.files.begin(), f.files.end(),
            [](const platform::FileEntry& a, const platform::FileEntry& b) { return a.name < b.name; });
  f.keys.resize(extensions_.size());
  for (std::size_t i = 0; i < f.files.size(); ++i) {
    const std::string name = lower(f.files[i].name);
    for (std::size_t e = 0; e < extensions_.size(); ++e) {
      if (!endsWith(name, extensions_[e])) continue;
      std::string_view stem = std::string_view(name).substr(0, name.size() - extensions_[e].size());
      for (std::size_t dot = stem.find('.'); dot != std::string_view::npos; dot = stem.find('.', dot + 1)) {
        std::string head(stem.substr(0, dot));
        std::reverse(head.begin(), head.end());
        f.keys[e].push_back({std::move(head), i});
      }
    }
  }
  for (auto& keys : f.keys)
    std::sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) { return a.reversedHead < b.reversedHead; });
  return folders_.emplace(path, std::move(f)).first->second;
}

std::vector<platform::FileEntry> CompanionIndex::match(const std::string& path, std::string_view base,
                                                       std::size_t ext) {
  const Folder& f = folder(path);
  std::string wanted = lower(base);
  std::reverse(wanted.begin(), wanted.end());
  const std::vector<Key>& keys = f.keys.at(ext);
  auto it = std::lower_bound(keys.begin(), keys.end(), wanted,
                             [](const Key& k, const std::string& w) { return k.reversedHead < w; });
  std::vector<std::size_t> hits;
  for (; it != keys.end() && it->reversedHead.compare(0, wanted.size(), wanted) == 0; ++it) hits.push_back(it->file);
  std::sort(hits.begin(), hits.end());
  hits.erase(std::unique(hits.begin(), hits.end()), hits.end());
  std::vector<platform::FileEntry> out;
  out.reserve(hits.size());
  for (std::size_t i : hits) out.push_back(f.files[i]);
  return out;
}

}  // namespace rc::core
