#include "tools/common/OutputFiles.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/automation/Error.h"
#include "platform/os/OutputFiles.h"

namespace rc::tools {

namespace au = rc::automation;

namespace {

[[noreturn]] void fail(const std::string& path, std::string_view why) {
  throw OutputError("cannot write " + path + ": " + std::string(why));
}

}  // namespace

std::string outputErrorReason(const std::string& path, const automation::AutomationError& e) {
  struct stat st {};
  if (e.number() == au::err::PathFileAccessError && ::lstat(path.c_str(), &st) == 0) {
    if (S_ISLNK(st.st_mode)) return systemReason(ELOOP);
    if (S_ISDIR(st.st_mode)) return systemReason(EISDIR);
    if (!S_ISREG(st.st_mode)) return "it is not a regular file";
  }
  // The system's own words where the automation number is general: a full
  // disk is "No space left on device", not "Path/File access error".
  if (e.number() == au::err::PathFileAccessError && e.systemError() != 0) return systemReason(e.systemError());
  return std::string(au::standardDescription(e.number()));
}

std::string systemReason(int error) {
  // O_NOFOLLOW answers ELOOP for a link at the path itself.
  if (error == ELOOP) return "it is a symbolic link, and output files are never written through one";
  return std::strerror(error);
}

void replaceOutputFile(const std::string& path, std::string_view data, Durability durability) {
  // A device, FIFO or socket in the file's place stays: replacing it (as
  // root, /dev/null) would break what else uses it.
  if (struct stat st {}; ::lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode) && !S_ISLNK(st.st_mode))
    fail(path, S_ISDIR(st.st_mode) ? systemReason(EISDIR) : "it is not a regular file, and only a file is replaced");
  try {
    if (durability == Durability::Scratch && platform::output::rewriteInPlace(path, data)) return;
    platform::output::replaceNativeFile(path, data, 0644, durability == Durability::Durable);
  } catch (const au::AutomationError& e) {
    fail(path, outputErrorReason(path, e));
  }
}

bool replaceChangedOutputFile(const std::string& path, std::string_view data) {
  if (platform::output::holdsExactly(path, data)) return false;
  replaceOutputFile(path, data);
  return true;
}

void appendOutputFile(const std::string& path, std::string_view text) {
  try {
    platform::output::appendLinesToNative(path, text);
  } catch (const au::AutomationError& e) {
    fail(path, outputErrorReason(path, e));
  }
}

void startOutputFile(const std::string& path, const std::string& kept) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) fail(path, systemReason(EISDIR));
    if (::rename(path.c_str(), kept.c_str()) != 0) fail(kept, systemReason(errno));
  } else if (errno != ENOENT) {
    fail(path, systemReason(errno));
  }
  replaceOutputFile(path, "");  // nothing is there: made in place, no temporary
}

}  // namespace rc::tools
