// The settings store: stands for the registry and the per-user settings.
//
// One human-readable text file per user, $RAVELCREST_REGISTRY or by default
// ${XDG_CONFIG_HOME:-~/.config}/ravelcrest/registry, created with mode 0600
// (it holds vault passwords). It holds keys such as
// HKEY_CURRENT_USER\Software\Vexlar\Vexlar 2007\Keystead\TempAdminUser with
// named string values. Key paths and value names compare without regard to
// case; a trailing "\" on a key path is ignored.
//
// Writes are atomic (temporary file, flush, rename) and serialised with a
// file lock (the file beside it named with ".lock"), so two processes
// writing at once lose nothing. Readers take no lock. A damaged file raises
// 75 (Path/File access error) with a description naming the file and the
// line, and is never overwritten. The text form is in SettingsText.h.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rc::platform {

class SettingsStore {
 public:
  // The store at `path` ("" for the default location, read from the
  // environment now).
  explicit SettingsStore(std::string path = "");

  const std::string& path() const { return path_; }

  // The value, or nullopt when the key or the value does not exist.
  std::optional<std::string> get(std::string_view key, std::string_view name) const;
  // Creates the key as needed and sets the value; 5 for an empty key path
  // or one that holds a line end.
  void set(std::string_view key, std::string_view name, std::string_view data);
  // Removes a value (no error when missing).
  void remove(std::string_view key, std::string_view name);
  // The value names of a key, in file order.
  std::vector<std::string> names(std::string_view key) const;

  // The key of the per-user settings of application `app`, section `section`:
  // HKEY_CURRENT_USER\Software\VB and VBA Program Settings\app\section.
  static std::string appSettingsKey(std::string_view app, std::string_view section);

 private:
  std::string path_;
};

}  // namespace rc::platform
