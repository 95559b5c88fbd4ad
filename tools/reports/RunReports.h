// The report files of a run (--report, --junit, --json), shared by `check`
// and `merge`.
#pragma once

#include <string>

#include "tools/results/RunResults.h"

namespace CLI {
class App;
}

namespace rc::tools {

struct ReportPaths {
  std::string html;
  std::string junit;
  std::string json;
};

// Adds --report, --junit and --json to `cmd`.
void addReportOptions(CLI::App& cmd, ReportPaths& paths);

// Creates the folders of the report paths (with their parents) and refuses
// (UsageError) a path that names a folder or whose folder cannot be made,
// before anything runs.
void checkReportPaths(const ReportPaths& paths, const std::string& command);

// Writes the reports asked for; image paths are relative to `imageFolder`.
void writeReports(const RunResults& results, const ReportPaths& paths, const std::string& imageFolder);

}  // namespace rc::tools
