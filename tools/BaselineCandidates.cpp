#include "tools/BaselineCandidates.h"

#include "platform/os/Files.h"
#include "platform/os/Paths.h"
#include "tools/OutputFiles.h"

namespace rc::tools {

namespace {

// The candidate's absolute path, its folder created.
std::string preparedCandidate(const CheckEnv& env, const std::string& relative) {
  std::string path = platform::joinPath(env.realFolder, relative);
  platform::createFolder(platform::folderOf(path));
  return path;
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

std::pair<std::string, std::string> writeCandidate(const CheckEnv& env, const std::string& name,
                                                    const std::string& text, const std::string& baseline) {
  std::string relative = candidatePathOf(env.nameOnly, name);
  replaceOutputFile(preparedCandidate(env, relative), text);
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
  }
}

}  // namespace rc::tools
