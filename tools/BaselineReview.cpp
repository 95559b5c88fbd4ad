#include "tools/BaselineReview.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "Core/properties/PropertyFile.h"
#include "platform/os/Files.h"
#include "platform/os/Paths.h"
#include "tools/CheckCatalog.h"
#include "tools/ImageChecks.h"
#include "tools/LastRun.h"
#include "tools/OutputFiles.h"

namespace rc::tools {

namespace {

bool named(const std::vector<std::string>& checks, const std::string& check) {
  return checks.empty() || std::find(checks.begin(), checks.end(), check) != checks.end();
}

std::string shown(const std::string& value) { return value.empty() ? "(none)" : value; }

}  // namespace

void rewriteProperty(const std::string& file, const std::string& key, const std::string& value,
                     const std::string& build) {
  std::string text = platform::fileExists(file) ? platform::readFile(file) : "";
  std::string before = text, after;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    end = end == std::string::npos ? text.size() : end + 1;
    if (text.compare(start, key.size(), key) == 0 && end - start > key.size()) {
      before = text.substr(0, start);
      after = text.substr(end);
      break;
    }
    start = end;
  }
  // The library formats the line (build and date); it is appended to a
  // temporary copy that then replaces the file.
  std::string temp = std::string(platform::folderOf(file)) + "/.ravelcrest-accept-XXXXXX";
  int fd = ::mkstemp(temp.data());
  if (fd < 0) throw OutputError("cannot write " + file + ": " + systemReason(errno));
  ::close(fd);
  try {
    platform::writeFile(temp, before);
    if (core::SetProperty(key, temp, value, build) != 0) throw OutputError("cannot write " + file);
    platform::appendText(temp, after);
    if (::rename(temp.c_str(), file.c_str()) != 0) throw OutputError("cannot write " + file + ": " + systemReason(errno));
  } catch (...) {
    ::unlink(temp.c_str());
    throw;
  }
}

int acceptChanges(const DocumentItem& document, const std::vector<std::string>& checks, const std::string& build,
                  std::ostream& out) {
  std::string path = hostPathOf(document.path);
  std::string folder(platform::folderOf(document.path));
  std::string nameOnly(platform::fileName(path));
  LastRun run = readLastRun(folder, nameOnly);
  LastRun kept{run.document, {}};
  std::vector<std::string> recorded;
  for (const AcceptableChange& c : run.changes) recorded.push_back(catalogNameOf(c.check));
  int accepted = 0;
  for (AcceptableChange& change : run.changes) {
    if (!named(checks, catalogNameOf(change.check))) {
      kept.changes.push_back(std::move(change));
      continue;
    }
    if (!change.key.empty())
      rewriteProperty(platform::joinPath(folder, nameOnly + ".properties"), change.key, change.newValue, build);
    for (const auto& [candidate, baseline] : change.files) {
      std::string from = platform::joinPath(folder, candidate), to = platform::joinPath(folder, baseline);
      if (!platform::fileExists(from)) throw OutputError("the new baseline " + from + " of the last run is gone; check again");
      platform::createFolder(platform::folderOf(to));
      replaceOutputFile(to, platform::readFile(from));
    }
    out << document.label << " " << change.check << ": " << shown(change.oldValue) << " -> " << shown(change.newValue);
    for (const auto& file : change.files) out << (&file == &change.files.front() ? " (" : ", ") << file.second;
    out << (change.files.empty() ? "" : " replaced)") << "\n";
    ++accepted;
  }
  for (const std::string& check : checks) {
    if (std::find(recorded.begin(), recorded.end(), check) == recorded.end()) out << document.label << " " << check << ": nothing to accept (it did not warn in the last run)\n";
  }
  if (run.changes.empty() && checks.empty()) out << document.label << ": nothing to accept\n";
  writeLastRun(folder, nameOnly, kept);
  return accepted;
}

}  // namespace rc::tools
