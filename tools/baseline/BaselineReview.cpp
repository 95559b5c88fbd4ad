#include "tools/baseline/BaselineReview.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "Core/properties/PropertyFile.h"
#include "platform/os/FileIo.h"
#include "platform/os/Files.h"
#include "platform/automation/Error.h"
#include "platform/os/Paths.h"
#include "tools/check/BaselineIndex.h"
#include "tools/check/CheckCatalog.h"
#include "tools/check/ImageChecks.h"
#include "tools/check/LastRun.h"
#include "tools/common/Command.h"
#include "tools/common/FolderFiles.h"
#include "tools/common/OutputFiles.h"

namespace rc::tools {

namespace {

// Accepts into one folder take this lock in its state folder, so that two
// at once (two reviewers, a review and `baseline accept`) take turns
// instead of each replacing a baseline from a copy the other has changed.
constexpr std::string_view kAcceptLock = "accept.lock";
// The prefix of a rewritten properties file's temporary beside the document.
constexpr std::string_view kAcceptTemporary = ".ravelcrest-accept-";

// Removes the temporaries an accept killed midway left in `folder`: under
// the accept lock no other accept is writing one. Only this user's regular
// files go; anything else of the name is left as it is.
void removeStaleAcceptTemporaries(const std::string& folder) {
  std::vector<std::string> names;
  try {
    names = platform::listFolder(folder);
  } catch (const automation::AutomationError&) {
    return;  // the accept itself says what is wrong with the folder
  }
  for (const std::string& name : names) {
    if (!name.starts_with(kAcceptTemporary)) continue;
    const std::string path = platform::joinPath(folder, name);
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid()) ::unlink(path.c_str());
  }
}

bool named(const std::vector<std::string>& checks, const std::string& check) {
  return checks.empty() || std::find(checks.begin(), checks.end(), check) != checks.end();
}

std::string shown(const std::string& value) { return value.empty() ? "(none)" : value; }

// The parts of a relative path of a record.
std::vector<std::string> partsOf(const std::string& relative) {
  std::vector<std::string> parts;
  for (std::size_t start = 0;;) {
    const std::size_t slash = relative.find('/', start);
    parts.push_back(relative.substr(start, slash == std::string::npos ? std::string::npos : slash - start));
    if (slash == std::string::npos) return parts;
    start = slash + 1;
  }
}

// Throws UsageError unless the candidate of a recorded file is
// .ravelcrest/<nameOnly>/new/<name> and its baseline <name> beside the
// document or .ravelcrest/<nameOnly>/<name> (a data file's copy).
void requireOwnFiles(const std::string& nameOnly, const std::string& candidate, const std::string& baseline) {
  const std::vector<std::string> from = partsOf(candidate), to = partsOf(baseline);
  const std::string state(kStateFolderName);
  const bool candidateInState = from.size() == 4 && from[0] == state && from[1] == nameOnly && from[2] == "new" &&
                                isPlainName(from[3]);
  const bool besideDocument = to.size() == 1 && isPlainName(to[0]) && to[0] != state;
  const bool inState = to.size() == 3 && to[0] == state && to[1] == nameOnly && isPlainName(to[2]);
  if (!candidateInState || !(besideDocument || inState))
    throw UsageError("the last run names " + candidate + " -> " + baseline +
                     ", outside the document's own baselines; check again");
}

// Makes the candidate of one recorded file (checked by requireOwnFiles) its
// baseline. Both are reached without following any link, and the baseline
// keeps the permissions of the file it replaces.
void acceptFile(const FolderFiles& folder, const std::string& nameOnly, const std::string& candidate,
                const std::string& baseline) {
  const std::vector<std::string> from = partsOf(candidate), to = partsOf(baseline);
  const FolderFiles own = folder.sub(kStateFolderName).sub(nameOnly);
  std::string data;
  try {
    data = own.sub("new").read(from[3]);
  } catch (const OutputError& e) {
    throw OutputError("the new baseline " + folder.path() + "/" + candidate + " of the last run cannot be used (" +
                      e.what() + "); check again");
  }
  if (to.size() == 1) folder.replace(to[0], data);
  else own.replace(to[2], data);
}

}  // namespace

void rewriteProperty(const std::string& file, const std::string& key, const std::string& value,
                     const std::string& build) {
  // Read without following a link: a link there is refused, never copied.
  const FolderFiles folder = FolderFiles::open(std::string(platform::folderOf(file)));
  const std::string name(platform::fileName(file));
  struct stat st {};
  const bool exists = ::lstat(file.c_str(), &st) == 0;
  std::string text = exists ? folder.read(name) : "";
  const unsigned mode = exists && S_ISREG(st.st_mode) ? st.st_mode & 07777 : 0644;
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
  std::string temp = std::string(platform::folderOf(file)) + "/" + std::string(kAcceptTemporary) + "XXXXXX";
  int fd = ::mkstemp(temp.data());
  if (fd < 0) throw OutputError("cannot write " + file + ": " + systemReason(errno));
  ::close(fd);
  try {
    platform::writeFile(temp, before);
    std::int16_t set = 1;
    try {
      set = core::SetProperty(key, temp, value, build);
    } catch (const automation::AutomationError& e) {
      throw OutputError("cannot write " + key + " into " + file + ": " + e.description() +
                        (value.find_first_of("\r\n") != std::string::npos ? " (its new value holds a line break)" : ""));
    }
    if (set != 0) throw OutputError("cannot write " + key + " into " + file);
    platform::appendText(temp, after);
    if (::chmod(temp.c_str(), mode) != 0) throw OutputError("cannot write " + file + ": " + systemReason(errno));
    // Synced before it replaces the baseline, as every replaced output file.
    const int written = ::open(temp.c_str(), O_RDONLY | O_CLOEXEC);
    if (written < 0) throw OutputError("cannot write " + file + ": " + systemReason(errno));
    if (int e = platform::fileio::syncAndRename(written, temp, file); e != 0)
      throw OutputError("cannot write " + file + ": " + systemReason(e));
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
  const FolderFiles files = FolderFiles::open(folder.empty() ? "." : folder);
  // Without a state folder there is nothing to accept, and nothing to wait for.
  platform::UniqueFd lock, checking;
  if (files.has(kStateFolderName)) {
    lock = files.sub(kStateFolderName).lock(kAcceptLock);
    // A check run of the document holds the document file (DocumentQueue);
    // its record and candidates are taken once it is done.
    checking = platform::UniqueFd(::open(document.path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    while (checking.valid() && ::flock(checking.get(), LOCK_EX) != 0 && errno == EINTR) {
    }
    removeStaleAcceptTemporaries(folder.empty() ? "." : folder);
  }
  LastRun run = readLastRun(folder, nameOnly);
  std::vector<std::string> written;  // baseline files beside the document, for the index
  LastRun kept{run.document, {}};
  std::vector<std::string> recorded;
  for (const AcceptableChange& c : run.changes) recorded.push_back(catalogNameOf(c.check));
  // Every file is checked before anything is written.
  for (const AcceptableChange& change : run.changes) {
    if (!named(checks, catalogNameOf(change.check))) continue;
    for (const auto& [candidate, baseline] : change.files) requireOwnFiles(nameOnly, candidate, baseline);
    if (!change.key.empty() && change.newValue.find_first_of("\r\n") != std::string::npos)
      throw UsageError("cannot accept " + change.key + " of " + document.path +
                       ": the last run's new value holds a line break, which a properties line cannot; check again");
  }
  int accepted = 0;
  for (AcceptableChange& change : run.changes) {
    if (!named(checks, catalogNameOf(change.check))) {
      kept.changes.push_back(std::move(change));
      continue;
    }
    if (!change.key.empty()) {
      rewriteProperty(platform::joinPath(folder, nameOnly + ".properties"), change.key, change.newValue, build);
      written.push_back(nameOnly + ".properties");
    }
    for (const auto& [candidate, baseline] : change.files) {
      acceptFile(files, nameOnly, candidate, baseline);
      if (baseline.find('/') == std::string::npos) written.push_back(baseline);
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
  if (accepted > 1) out << document.label << ": " << accepted << " checks accepted at once\n";
  recordBaselines(folder.empty() ? "." : folder, nameOnly, written);
  writeLastRun(folder, nameOnly, kept);
  return accepted;
}

}  // namespace rc::tools
