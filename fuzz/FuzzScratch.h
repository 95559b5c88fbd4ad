// A private folder for a fuzz target's scratch files: made on first use
// (under $TMPDIR, else /tmp) and removed, with everything in it, when the
// process ends normally, so a replay of the seeds leaves nothing behind.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

namespace rc::fuzz {

inline const std::string& scratchFolder() {
  struct Folder {
    std::string path;
    Folder() {
      const char* tmp = std::getenv("TMPDIR");
      std::string tmpl = std::string(tmp && *tmp ? tmp : "/tmp") + "/ravelcrest-fuzz-XXXXXX";
      if (char* made = ::mkdtemp(tmpl.data())) path = made;
      if (path.empty()) std::abort();  // nowhere to work: no input could be judged
    }
    ~Folder() {
      std::error_code ec;
      std::filesystem::remove_all(path, ec);
    }
  };
  static const Folder folder;
  return folder.path;
}

}  // namespace rc::fuzz
