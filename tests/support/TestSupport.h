// Helpers shared by every C++ test area: scratch folders, environment
// variables set for one test (restored at its end), the error number of a
// failing statement, and a locale whose decimal sign is a comma. Assertions
// name error numbers by their constants: err::FileNotFound, not 53.
#pragma once

#include <langinfo.h>
#include <locale.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/automation/Error.h"

extern char** environ;

namespace rc::testing {

namespace err = rc::automation::err;

// The automation error number `fn` raises, or 0 when it raises none.
template <typename Fn>
int errorNumber(Fn&& fn) {
  try {
    fn();
  } catch (const rc::automation::AutomationError& e) {
    return e.number();
  }
  return 0;
}

// A fresh folder removed with its contents at the end of the test.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "rc-test-XXXXXX").string();
    path_ = ::mkdtemp(tmpl.data());
  }
  ~ScratchFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Sets (or with nullopt unsets) an environment variable until the end of scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      ::setenv(name, value->c_str(), 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      ::setenv(name_.c_str(), old_->c_str(), 1);
    } else {
      ::unsetenv(name_.c_str());
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> old_;
};

// Whether `name` is a locale whose decimal sign is ",".
inline bool hasCommaDecimal(const char* name) {
  locale_t loc = ::newlocale(LC_NUMERIC_MASK, name, static_cast<locale_t>(0));
  if (loc == static_cast<locale_t>(0)) return false;
  bool comma = std::strcmp(::nl_langinfo_l(RADIXCHAR, loc), ",") == 0;
  ::freelocale(loc);
  return comma;
}

// The name of a comma-decimal locale, setting LOCPATH when it had to be
// compiled; nullopt when the machine has none and cannot compile one. The
// compiled locale is kept in a folder per user so that the tests, each run
// as its own process, compile it once.
inline std::optional<std::string> commaDecimalLocale() {
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "nl_NL.UTF-8", "de_DE"}) {
    if (hasCommaDecimal(name)) return name;
  }
  std::string dir = (std::filesystem::temp_directory_path() / ("rc-test-locales-" + std::to_string(::getuid()))).string();
  std::string target = dir + "/de_DE.UTF-8";
  if (!std::filesystem::exists(target + "/LC_NUMERIC")) {
    if (!std::filesystem::exists("/usr/share/i18n/locales/de_DE")) return std::nullopt;
    std::filesystem::create_directories(dir);
    std::string work = target + ".tmp" + std::to_string(::getpid());
    const char* argv[] = {"localedef", "-i", "de_DE", "-f", "UTF-8", work.c_str(), nullptr};
    pid_t pid = 0;
    if (::posix_spawnp(&pid, "localedef", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) return std::nullopt;
    int status = 0;
    ::waitpid(pid, &status, 0);
    std::error_code ec;
    if (!std::filesystem::exists(work + "/LC_NUMERIC") || (std::filesystem::rename(work, target, ec), ec)) {
      std::filesystem::remove_all(work, ec);
    }
    if (!std::filesystem::exists(target + "/LC_NUMERIC")) return std::nullopt;
  }
  ::setenv("LOCPATH", dir.c_str(), 1);
  if (hasCommaDecimal("de_DE.UTF-8")) return "de_DE.UTF-8";
  return std::nullopt;
}

}  // namespace rc::testing
