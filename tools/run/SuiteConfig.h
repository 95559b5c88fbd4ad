// ravelcrest.toml: a suite's settings for `ravelcrest check`, kept with the
// suite. Top-level keys are check's long options (tolerance, time-floor,
// warn-faster, checks, image-format, image-tolerance, host-folder, results,
// baselines, build, ci, multi-session, jobs, report, junit, json), `skip`
// lists globs of documents to leave out, and each [[documents]] table gives
// the documents its `match` glob selects their own tolerance, time-floor,
// warn-faster, checks, image-format or image-tolerance, `skip = true`, and
// expected failures (`xfail = ["TestMassProp"]`, or `true` for every check,
// with a `reason`). Globs and relative paths start at the file's folder.
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <vector>

namespace rc::tools {

inline constexpr const char* kSuiteConfigName = "ravelcrest.toml";

// A value as the option takes it (paths made absolute), and its line.
struct ConfigValue {
  std::string text;
  std::size_t line = 0;
};

struct DocumentRule {
  std::string match;
  std::size_t line = 0;
  std::map<std::string, ConfigValue> values;  // option name -> value
  bool skip = false;
  bool xfailAll = false;
  std::vector<std::string> xfail;  // catalog names
  std::string reason;
};

struct SuiteConfig {
  std::string file;    // absolute; "" when the run has none
  std::string folder;  // the file's folder
  std::map<std::string, ConfigValue> values;  // option name (without "--") -> value
  std::vector<ConfigValue> skip;              // globs
  std::vector<DocumentRule> documents;
};

// Reads and checks `file`. Throws UsageError "FILE:LINE: why" for a syntax
// error, an unknown key, a value of the wrong type and a value the option
// would refuse; "FILE: why" for a file that cannot be read (or is over 1 MiB).
SuiteConfig readSuiteConfig(const std::string& file);

// The top-level keys, in the order --show-config lists them.
std::vector<std::string> suiteKeys();

// The first ravelcrest.toml in `folder` or a folder above it; "" when none.
std::string findSuiteConfig(const std::string& folder);

}  // namespace rc::tools
