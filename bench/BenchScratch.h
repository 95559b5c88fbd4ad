// Shared by the benchmarks: a temporary folder for their input files, and
// the one instance of a fixture whose files are written once per run.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

namespace rc::bench {

// A fresh folder under /tmp, removed with its contents at the end; the C
// locale is set so that number texts do not depend on the machine.
class ScratchDir {
 public:
  ScratchDir() {
    char tmpl[] = "/tmp/ravelcrest-bench-XXXXXX";
    path_ = ::mkdtemp(tmpl);
    ::setenv("LC_ALL", "C", 1);
  }
  ~ScratchDir() { std::filesystem::remove_all(path_); }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// The fixture of type T, made on first use.
template <typename T>
T& fixture() {
  static T f;
  return f;
}

}  // namespace rc::bench
