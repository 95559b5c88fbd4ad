#include "platform/os/SettingsStore.h"

#include <fcntl.h>
#include <limits.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/automation/Error.h"
#include "platform/os/FileIo.h"
#include "platform/os/Files.h"
#include "platform/os/Paths.h"
#include "platform/os/SettingsText.h"
#include "platform/os/UniqueFd.h"

namespace rc::platform {

namespace au = rc::automation;
namespace st = rc::platform::settings_text;

namespace {

constexpr mode_t kStoreMode = 0600;

std::string homeFolder() {
  if (const char* h = std::getenv("HOME"); h != nullptr && *h != '\0') return h;
  if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr) return pw->pw_dir;
  return "/tmp";
}

std::string defaultPath() {
  if (const char* r = std::getenv("RAVELCREST_REGISTRY"); r != nullptr && *r != '\0') return r;
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::string base = (config != nullptr && config[0] == '/') ? std::string(config) : homeFolder() + "/.config";
  return base + "/ravelcrest/registry";
}

// The errors name the store's file in their description as well as their
// source: a message shows only the description.
[[noreturn]] void raiseErrno(int e, const std::string& path) {
  if (e == EACCES || e == EPERM || e == EROFS) au::raiseWithDetail(au::err::PermissionDenied, path, path);
  if (e == ENOENT || e == ENOTDIR) au::raiseWithDetail(au::err::PathNotFound, path, path);
  au::raiseWithDetail(au::err::PathFileAccessError, path, path);
}

// Raises 75 naming `path` when something other than a regular file (a
// folder, a device such as /dev/null) stands where the store should be, or
// when `path` ends in "/" and so can only name a folder.
void refuseNonRegular(const std::string& path) {
  if (!path.empty() && path.back() == '/')
    au::raiseWithDetail(au::err::PathFileAccessError, path + " names a folder, not a settings store file", path);
  struct stat sb;
  if (::stat(path.c_str(), &sb) != 0 || S_ISREG(sb.st_mode)) return;
  au::raiseWithDetail(au::err::PathFileAccessError,
                      path + (S_ISDIR(sb.st_mode) ? " is a folder" : " is not a regular file") +
                          ", not a settings store file",
                      path);
}


// The file the store really lives in: a symbolic link to the store is
// followed, so that rewriting the store keeps the link.
std::string resolvedPath(const std::string& path) {
  char buf[PATH_MAX];
  if (::realpath(path.c_str(), buf) != nullptr) return buf;
  return path;
}

// The parsed store; an empty document when the file does not exist.
st::Document load(const std::string& path) {
  if (!fileExists(path)) {
    refuseNonRegular(path);
    return st::parse("", path);
  }
  std::string text;
  try {
    text = readFile(path);
  } catch (const au::AutomationError& e) {
    throw e.withDetail(path);
  }
  return st::parse(text, path);
}

// Holds the store's lock file (path + ".lock") locked for writing.
class WriteLock {
 public:
  explicit WriteLock(const std::string& storePath) : fd_(open(storePath + ".lock")) {
    while (::flock(fd_.get(), LOCK_EX) != 0) {
      if (errno != EINTR) raiseErrno(errno, storePath + ".lock");
    }
  }

 private:
  static int open(const std::string& lockPath) {
    createFolder(std::string(folderOf(lockPath)));
    int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, kStoreMode);
    if (fd < 0) raiseErrno(errno, lockPath);
    return fd;
  }
  UniqueFd fd_;  // the lock goes with the descriptor
};

// Replaces the store with `text`: a temporary file beside it, flushed, made
// 0600 and renamed over it, then the folder flushed. Called under the lock.
void replaceStore(const std::string& path, const std::string& text) {
  std::string tmp = path + ".tmp";
  {
    UniqueFd fd(::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, kStoreMode));
    if (fd.get() < 0) raiseErrno(errno, tmp);
    try {
      if (::fchmod(fd.get(), kStoreMode) != 0) raiseErrno(errno, tmp);
      if (int e = fileio::writeWhole(fd.get(), text.data(), text.size())) raiseErrno(e, tmp);
      if (::fsync(fd.get()) != 0) raiseErrno(errno, tmp);
      if (!fd.close()) raiseErrno(errno, tmp);
    } catch (...) {
      ::unlink(tmp.c_str());
      throw;
    }
  }
  if (::rename(tmp.c_str(), path.c_str()) != 0) {
    int e = errno;
    ::unlink(tmp.c_str());
    raiseErrno(e, path);
  }
  std::string folder(folderOf(path));
  UniqueFd dir(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
}

// Applies `change` to the store under its lock and writes it back when
// `change` reports a change. A damaged store raises before anything is written.
template <typename Change>
void update(const std::string& storePath, Change change) {
  std::string path = resolvedPath(storePath);
  refuseNonRegular(path);  // before a lock file is made beside it
  WriteLock lock(path);
  st::Document doc = load(path);
  if (doc.sections.size() == 1 && doc.sections[0].lines.empty()) {
    doc.sections[0].lines.push_back(st::Line{true, "; Ravelcrest settings store: [key path] then \"name\"=\"data\" lines.", {}, {}});
  }
  if (change(doc)) replaceStore(path, st::format(doc));
}

const st::Section* findSection(const st::Document& doc, std::string_view key) {
  key = st::trimKey(key);
  if (key.empty()) return nullptr;
  for (const st::Section& s : doc.sections)
    if (!s.key.empty() && st::sameName(s.key, key)) return &s;
  return nullptr;
}

// A key path the store can hold: not empty, no line ends.
std::string_view checkedKey(std::string_view key) {
  key = st::trimKey(key);
  if (key.empty() || key.find_first_of("\r\n") != std::string_view::npos) au::raise(au::err::InvalidCall);
  return key;
}

}  // namespace

SettingsStore::SettingsStore(std::string path) : path_(nativePath(path.empty() ? defaultPath() : path)) {}

std::optional<std::string> SettingsStore::get(std::string_view key, std::string_view name) const {
  // Readers take no lock: the store is only ever replaced whole.
  st::Document doc = load(resolvedPath(path_));
  const st::Section* s = findSection(doc, key);
  if (s == nullptr) return std::nullopt;
  for (const st::Line& l : s->lines)
    if (!l.comment && st::sameName(l.name, name)) return l.data;
  return std::nullopt;
}

void SettingsStore::set(std::string_view key, std::string_view name, std::string_view data) {
  key = checkedKey(key);
  update(path_, [&](st::Document& doc) {
    st::Section* section = nullptr;
    for (st::Section& s : doc.sections)
      if (!s.key.empty() && st::sameName(s.key, key)) section = &s;
    if (section == nullptr) section = &doc.sections.emplace_back(st::Section{std::string(key), {}});
    for (st::Line& l : section->lines) {
      if (!l.comment && st::sameName(l.name, name)) {
        if (l.data == data) return false;
        l.data = std::string(data);
        return true;
      }
    }
    section->lines.push_back(st::Line{false, {}, std::string(name), std::string(data)});
    return true;
  });
}

void SettingsStore::remove(std::string_view key, std::string_view name) {
  key = st::trimKey(key);
  if (key.empty() || !fileExists(path_)) return;
  update(path_, [&](st::Document& doc) {
    for (st::Section& s : doc.sections) {
      if (s.key.empty() || !st::sameName(s.key, key)) continue;
      return std::erase_if(s.lines, [&](const st::Line& l) { return !l.comment && st::sameName(l.name, name); }) > 0;
    }
    return false;
  });
}

std::vector<std::string> SettingsStore::names(std::string_view key) const {
  st::Document doc = load(resolvedPath(path_));
  std::vector<std::string> out;
  if (const st::Section* s = findSection(doc, key)) {
    for (const st::Line& l : s->lines)
      if (!l.comment) out.push_back(l.name);
  }
  return out;
}

std::string SettingsStore::appSettingsKey(std::string_view app, std::string_view section) {
  std::string key = "HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\";
  key.append(app).append("\\").append(section);
  return key;
}

}  // namespace rc::platform
