#include "tools/results/ResultsFolder.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "platform/automation/Error.h"
#include "platform/os/OutputFiles.h"
#include "tools/common/OutputFiles.h"

namespace rc::tools {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void refuse(const fs::path& path, const std::string& why) {
  throw OutputError("cannot use the results folder: " + path.string() + ": " + why);
}

void makeFolder(const fs::path& path) {
  std::error_code ec;
  if (fs::exists(path, ec) && !fs::is_directory(path, ec)) refuse(path, "it exists and is not a folder");
  fs::create_directories(path, ec);
  if (ec) refuse(path, ec.message());
  if (!fs::is_directory(path, ec)) refuse(path, "it exists and is not a folder");
}

// Creates and removes a file in `folder`: the one sure test that it takes files.
void probeWritable(const fs::path& folder) {
  std::string probe = (folder / ".ravelcrest-probe-XXXXXX").string();
  int fd = ::mkstemp(probe.data());
  if (fd < 0) refuse(folder, systemReason(errno));
  ::close(fd);
  ::unlink(probe.c_str());
}

// Takes the folder's run lock, or refuses the folder when another run
// holds it.
platform::UniqueFd holdForRun(const fs::path& folder) {
  const std::string path = (folder / kResultsLockName).string();
  platform::UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644));
  if (!fd.valid()) refuse(folder, "cannot open its lock file " + path + ": " + systemReason(errno));
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
    refuse(folder, "its lock file " + path + " is not a regular file");
  while (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
    if (errno == EINTR) continue;
    if (errno == EWOULDBLOCK)
      refuse(folder, "another check run is using it; let that run end, or give this one a results folder of its own");
    refuse(folder, "cannot lock " + path + ": " + systemReason(errno));
  }
  return fd;
}

}  // namespace

std::string prepareResultsFolder(const std::string& folder, platform::UniqueFd* hold) {
  fs::path root = fs::absolute(folder).lexically_normal();
  makeFolder(root);
  probeWritable(root);
  if (hold) *hold = holdForRun(root);
  for (const char* sub : {"data", "performance"}) makeFolder(root / sub);
  // The library appends its trace log; a link in its place is removed
  // rather than written through.
  std::error_code ec;
  if (fs::path trace = root / "TraceLog.log"; fs::is_symlink(fs::symlink_status(trace, ec))) fs::remove(trace, ec);
  startOutputFile((root / "journal.txt").string(), (root / "journal.1.txt").string());
  // Journal parts of a run that was killed.
  for (fs::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec))
    if (std::string name = it->path().filename().string(); name.starts_with(".journal-") && name.ends_with(".txt"))
      fs::remove(it->path(), ec);
  std::string path = root.string();
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string journalPartOf(const std::string& results) {
  return (fs::path(results) / (".journal-" + std::to_string(::getpid()) + ".txt")).string();
}

void startJournalPart(const std::string& part, const std::string& heading) {
  bool emptied = false;
  try {
    emptied = platform::output::emptyInPlace(part);
  } catch (const automation::AutomationError& e) {
    throw OutputError("cannot write " + part + ": " + outputErrorReason(part, e));
  }
  if (!emptied) {
    std::error_code ec;
    fs::remove(part, ec);
  }
  appendOutputFile(part, heading);
}

namespace {

thread_local KeptJournalParts* currentParts = nullptr;

}  // namespace

void finishJournalPart(const std::string& part) {
  if (KeptJournalParts* parts = KeptJournalParts::current()) return parts->keep(part);
  std::error_code ec;
  fs::remove(part, ec);
}

KeptJournalParts::KeptJournalParts() : previous_(currentParts) { currentParts = this; }

KeptJournalParts::~KeptJournalParts() {
  currentParts = previous_;
  for (const std::string& part : parts_) {
    std::error_code ec;
    fs::remove(part, ec);
  }
}

KeptJournalParts* KeptJournalParts::current() { return currentParts; }

void KeptJournalParts::keep(const std::string& part) {
  if (std::find(parts_.begin(), parts_.end(), part) == parts_.end()) parts_.push_back(part);
}

void appendToJournal(const std::string& results, const std::string& text) {
  appendOutputFile((fs::path(results) / "journal.txt").string(), text);
}

}  // namespace rc::tools
