#include "tools/vault/VaultLogin.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "platform/automation/Error.h"
#include "platform/os/FileIo.h"
#include "platform/os/Files.h"
#include "platform/os/SettingsStore.h"
#include "platform/os/UniqueFd.h"
#include "tools/common/Command.h"
#include "tools/common/Interrupt.h"
#include "tools/common/OutputFiles.h"

namespace rc::tools {

namespace {

namespace fs = std::filesystem;

constexpr const char* kRunFolderPrefix = "ravelcrest-vault-";

// Where the run's private folder goes: $XDG_RUNTIME_DIR (memory, the
// user's alone) when there is one we may write, else $TMPDIR, else /tmp.
std::string privateBase() {
  for (const char* name : {"XDG_RUNTIME_DIR", "TMPDIR"}) {
    const char* v = std::getenv(name);
    struct stat st {};
    if (v != nullptr && v[0] == '/' && ::stat(v, &st) == 0 && S_ISDIR(st.st_mode) && ::access(v, W_OK | X_OK) == 0)
      return v;
  }
  return "/tmp";
}

// Removes the private folders of earlier runs of this user that ended
// without removing them (killed outright): their process is gone.
void removeAbandonedFolders(const std::string& base) {
  std::error_code ec;
  const std::string prefix = kRunFolderPrefix;
  for (const fs::directory_entry& e : fs::directory_iterator(base, ec)) {
    const std::string name = e.path().filename().string();
    if (name.compare(0, prefix.size(), prefix) != 0) continue;
    struct stat st {};
    if (::lstat(e.path().c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) continue;
    const long pid = std::strtol(name.c_str() + prefix.size(), nullptr, 10);
    if (pid <= 0 || ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;
    fs::remove_all(e.path(), ec);
  }
}

// Writes `text` as a new file only its owner can read.
void writePrivateFile(const std::string& path, const std::string& text) {
  platform::UniqueFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (fd.get() < 0 || platform::fileio::writeWhole(fd.get(), text.data(), text.size()) != 0 || !fd.close())
    throw OutputError("vault: cannot write the run's settings store " + path + ": " + std::strerror(errno));
}

}  // namespace

std::string VaultLogin::keyOf(const std::string& userKey) {
  return "HKEY_CURRENT_USER\\Software\\Vexlar\\Vexlar 2007\\Keystead\\" + userKey;
}

VaultLogin::VaultLogin(const std::string& userKey, const std::string& vault, const std::optional<std::string>& user,
                       const std::string& password) {
  const std::string key = keyOf(userKey);
  platform::SettingsStore userStore;
  // Read whole first: a damaged store is reported under its own name.
  userStore.names(key);
  if (!user && userStore.get(key, "Temp-1").value_or("").empty())
    throw UsageError("vault: no vault user: give --user (and --password-stdin), or store one with\n  ravelcrest registry set '" +
                     key + "' Temp-1 NAME");
  if (user && user->empty()) throw UsageError("vault: --user is empty");

  const std::string base = privateBase();
  removeAbandonedFolders(base);
  std::string tmpl = base + "/" + kRunFolderPrefix + std::to_string(::getpid()) + "-XXXXXX";
  if (::mkdtemp(tmpl.data()) == nullptr)
    throw OutputError("vault: cannot make a private folder in " + base + ": " + std::strerror(errno));
  folder_ = tmpl;
  store_ = folder_ + "/registry";
  removeOnFinalSignal({store_, store_ + ".lock", store_ + ".tmp"}, folder_);
  try {
    if (platform::fileExists(userStore.path())) writePrivateFile(store_, platform::readFile(userStore.path()));
    if (const char* r = std::getenv("RAVELCREST_REGISTRY")) previousRegistry_ = r;
    ::setenv("RAVELCREST_REGISTRY", store_.c_str(), 1);
    namesCopy_ = true;
    platform::SettingsStore runStore(store_);
    runStore.set(key, "Temp-3", vault);
    if (user) {
      runStore.set(key, "Temp-1", *user);
      runStore.set(key, "Temp-2", password);
    }
  } catch (...) {
    restore();
    throw;
  }
}

void VaultLogin::restore() noexcept {
  if (namesCopy_) {
    if (previousRegistry_) ::setenv("RAVELCREST_REGISTRY", previousRegistry_->c_str(), 1);
    else ::unsetenv("RAVELCREST_REGISTRY");
    namesCopy_ = false;
  }
  if (folder_.empty()) return;
  removeOnFinalSignal({}, "");
  for (const char* suffix : {"", ".lock", ".tmp"}) ::unlink((store_ + suffix).c_str());
  ::rmdir(folder_.c_str());
  folder_.clear();
}

VaultLogin::~VaultLogin() { restore(); }

std::string readPasswordLine() {
  std::string line;
  if (!std::getline(std::cin, line)) throw UsageError("vault: --password-stdin: no line on standard input");
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

}  // namespace rc::tools
