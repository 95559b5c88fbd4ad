// Helpers of the fault sweeps: which fault positions a sweep visits,
// snapshots of folders to tell a file left whole from one left half
// written, and reading the trace log back as lines.
#pragma once

#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/os/Files.h"

namespace rc::testing::sweep {

// Whether the full sweep was asked for (RAVELCREST_SWEEP=full, as the
// "sweep" ctest label sets it); otherwise a sample of fault positions runs.
inline bool fullSweep() {
  const char* mode = std::getenv("RAVELCREST_SWEEP");
  return mode && std::string(mode) == "full";
}

// The fault positions 1..calls a sweep visits: all of them in the full
// sweep; otherwise the first three, the last two and a few spread between.
inline std::vector<int> faultPositions(int calls) {
  std::set<int> picked;
  if (fullSweep()) {
    for (int n = 1; n <= calls; ++n) picked.insert(n);
  } else {
    for (int n : {1, 2, 3, calls / 4, calls / 2, 3 * calls / 4, calls - 1, calls})
      if (n >= 1 && n <= calls) picked.insert(n);
  }
  return {picked.begin(), picked.end()};
}

// A scratch folder for one test: "drive" in it is the drive root, "models"
// a copy of the sample documents, and the C locale is in force. Removed
// with its contents at the end.
class SweepFolder {
 public:
  SweepFolder() {
    std::string tmpl = "/tmp/ravelcrest-sweep-XXXXXX";
    root_ = ::mkdtemp(tmpl.data());
    ::setenv("RAVELCREST_DRIVE_ROOT", (root_ + "/drive").c_str(), 1);
    ::setenv("LC_ALL", "C", 1);
    std::filesystem::create_directories(root_ + "/drive");
    const char* source = std::getenv("RAVELCREST_SOURCE_DIR");
    if (source == nullptr) throw std::runtime_error("RAVELCREST_SOURCE_DIR is not set");
    std::filesystem::copy(std::string(source) + "/examples/models", models(),
                          std::filesystem::copy_options::recursive);
  }
  ~SweepFolder() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  SweepFolder(const SweepFolder&) = delete;
  SweepFolder& operator=(const SweepFolder&) = delete;

  const std::string& root() const { return root_; }
  std::string models() const { return root_ + "/models"; }

 private:
  std::string root_;
};

// Every regular file below `folder` (relative path to content).
using Snapshot = std::map<std::string, std::string>;

inline Snapshot snapshot(const std::string& folder) {
  Snapshot files;
  if (!std::filesystem::exists(folder)) return files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    if (!entry.is_regular_file()) continue;
    files[std::filesystem::relative(entry.path(), folder).string()] = platform::readFile(entry.path().string());
  }
  return files;
}

// Puts `folder` back as `files` holds it, knowing that it holds `now`:
// changed files are rewritten, files `files` does not hold are removed
// (folders stay).
inline void restore(const std::string& folder, const Snapshot& files, const Snapshot& now) {
  for (const auto& [name, _] : now)
    if (!files.count(name)) std::filesystem::remove(folder + "/" + name);
  for (const auto& [name, content] : files) {
    auto it = now.find(name);
    if (it != now.end() && it->second == content) continue;
    std::filesystem::create_directories(std::filesystem::path(folder + "/" + name).parent_path());
    platform::writeFile(folder + "/" + name, content);
  }
}

// The files of `after` that are neither as they were (`before`) nor as a
// run without a fault leaves them (`clean`): a file is whole when it is one
// of the two. With `appendOnly`, a file that keeps its old content and adds
// whole CR LF lines after it counts as whole too (a check that goes on
// after a fault may measure and record another value).
inline std::vector<std::string> brokenFiles(const Snapshot& before, const Snapshot& clean, const Snapshot& after,
                                            bool appendOnly) {
  std::vector<std::string> broken;
  std::set<std::string> names;
  for (const auto* s : {&before, &clean, &after})
    for (const auto& [name, _] : *s) names.insert(name);
  auto content = [](const Snapshot& s, const std::string& name) -> const std::string* {
    auto it = s.find(name);
    return it == s.end() ? nullptr : &it->second;
  };
  for (const std::string& name : names) {
    const std::string* b = content(before, name);
    const std::string* c = content(clean, name);
    const std::string* a = content(after, name);
    auto same = [](const std::string* x, const std::string* y) { return x == y || (x && y && *x == *y); };
    if (same(a, b) || same(a, c)) continue;
    if (appendOnly && a && a->ends_with("\r\n") && (!b || a->starts_with(*b))) continue;
    broken.push_back(name);
  }
  return broken;
}

// The trace log's lines without their quotes; none when it is missing.
inline std::vector<std::string> traceLines(const std::string& path) {
  std::vector<std::string> lines;
  if (!platform::fileExists(path)) return lines;
  std::string text = platform::readFile(path);
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (line.size() >= 2 && line.front() == '"' && line.back() == '"') line = line.substr(1, line.size() - 2);
    lines.push_back(line);
    start = end + 2;
  }
  return lines;
}

// Whether `part` is `whole` with nothing added: its first lines.
inline bool isPrefix(const std::vector<std::string>& part, const std::vector<std::string>& whole) {
  return part.size() <= whole.size() && std::equal(part.begin(), part.end(), whole.begin());
}

}  // namespace rc::testing::sweep
