// The suite file's part in a check run: its values for the options the
// command line leaves out (the command line wins, for single documents too),
// the documents it skips, the options of the documents its [[documents]]
// tables select, and their expected failures (XFAIL, or XPASS when the
// check agreed after all).
#pragma once

#include <CLI/CLI.hpp>

#include <ostream>
#include <string>
#include <vector>

#include "tools/check/CheckRunner.h"
#include "tools/check/DocumentSet.h"
#include "tools/run/SuiteConfig.h"

namespace rc::tools {

class SuiteSettings {
 public:
  // Reads `configFile`, or else the ravelcrest.toml found from the folder the
  // `documents` share (the working folder when there are none) upwards, and
  // gives every option of `cmd` that the command line did not the file's
  // value. Throws UsageError naming the file and line of a bad value.
  static SuiteSettings apply(CLI::App& cmd, const std::string& configFile, const std::vector<std::string>& documents);

  // --show-config: the file, each setting in force and where it came from,
  // the skipped globs and the [[documents]] tables.
  std::string describe(const CLI::App& cmd) const;

  // Leaves out the documents the file skips, each named on `notes`, and
  // notes which [[documents]] tables apply to the rest (call before the
  // documents are copied into a work folder).
  void select(std::vector<DocumentItem>& documents, std::ostream& notes);

  // The options of each selected document: `base` with its tables' values.
  std::vector<RunOptions> documentOptions(const RunOptions& base) const;

  // Turns the rows of the checks the file expects to fail into XFAIL (when
  // they warned or failed) or XPASS (when they agreed).
  void markExpected(DocumentResult& result) const;

 private:
  SuiteConfig config_;
  std::map<std::string, std::string> fromCommandLine_;  // option -> value given
  std::vector<std::vector<const DocumentRule*>> rulesOf_;  // per selected document
};

}  // namespace rc::tools
