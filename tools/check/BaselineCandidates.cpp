#include "tools/check/BaselineCandidates.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "platform/os/Files.h"
#include "platform/os/Paths.h"
#include "tools/common/OutputFiles.h"

namespace rc::tools {

namespace {

// The candidate's absolute path, its folder created.
std::string preparedCandidate(const CheckEnv& env, const std::string& relative) {
  std::string path = platform::joinPath(env.realFolder, relative);
  platform::createFolder(platform::folderOf(path));
  return path;
}

// The lines of `text` without their line ends.
std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = std::min(text.find('\n', start), text.size());
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

// Shows the first value line (after the heading line of build and date)
// where the candidate differs from the baseline file: "line 6: 0.0008"
// becoming "0.0132".
void describeFileChange(const std::string& baseline, const std::string& candidate, AcceptableChange& change) {
  if (!platform::fileExists(baseline)) return;
  std::vector<std::string> before = linesOf(platform::readFile(baseline)), after = linesOf(platform::readFile(candidate));
  for (std::size_t i = 1; i < std::max(before.size(), after.size()); ++i) {
    std::string was = i < before.size() ? before[i] : "", now = i < after.size() ? after[i] : "";
    if (was == now) continue;
    change.oldValue = "line " + std::to_string(i + 1) + ": " + was;
    change.newValue = now;
    return;
  }
}

}  // namespace

std::string missingBaseline(const CheckEntry& entry, const CheckEnv& env) {
  if (!entry.baselineKey.empty()) {
    if (baselineValueOf(env, entry.baselineKey).empty())
      return entry.baselineKey + " in " + std::string(platform::fileName(propertiesFileOf(env)));
    return "";
  }
  if (!entry.baselineFileName) return "";
  std::string file = entry.baselineFileName(env);
  return platform::fileExists(platform::joinPath(env.realFolder, file)) ? "" : file;
}

std::string baselineWriteProblem(const std::string& file) {
  const int fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
  if (fd >= 0) {
    ::close(fd);
    return "";
  }
  if (errno != ENOENT) return systemReason(errno);
  std::string probe = std::string(platform::folderOf(file)) + "/.ravelcrest-write-XXXXXX";
  const int made = ::mkstemp(probe.data());
  if (made < 0) return systemReason(errno);
  ::close(made);
  ::unlink(probe.c_str());
  return "";
}

std::string unwrittenBaseline(const CheckEntry& entry, const CheckEnv& env, bool onlyWithReason) {
  const std::string what = missingBaseline(entry, env);
  if (what.empty()) return "";
  const std::string file = !entry.baselineKey.empty() ? propertiesFileOf(env)
                                                      : platform::joinPath(env.realFolder, entry.baselineFileName(env));
  const std::string why = baselineWriteProblem(file);
  if (why.empty() && onlyWithReason) return "";
  return "cannot write the baseline " + what + (why.empty() ? "" : ": " + why);
}

std::pair<std::string, std::string> writeCandidate(const CheckEnv& env, const std::string& name,
                                                    const std::string& text, const std::string& baseline) {
  std::string relative = candidatePathOf(env.nameOnly, name);
  // A change that stays from run to run leaves its candidate as it was.
  replaceChangedOutputFile(preparedCandidate(env, relative), text);
  return {relative, baseline};
}

void captureCandidates(const CheckEntry& entry, const CheckEnv& env, const RunOptions& options, const CheckRow& row,
                       AcceptableChange& change) {
  if (!row.newValue.empty()) change.oldValue = row.baseValue, change.newValue = row.newValue;
  if (!entry.baselineKey.empty() && !row.newValue.empty()) change.key = entry.baselineKey;
  if (entry.writeCandidate && entry.baselineFileName) {
    std::string baseline = entry.baselineFileName(env);
    std::string relative = candidatePathOf(env.nameOnly, baseline);
    std::string path = preparedCandidate(env, relative);
    if (platform::fileExists(path)) platform::deleteFile(path);
    entry.writeCandidate(env, path, options.build);
    change.files.emplace_back(relative, baseline);
    if (change.newValue.empty()) describeFileChange(platform::joinPath(env.realFolder, baseline), path, change);
  }
}

}  // namespace rc::tools
