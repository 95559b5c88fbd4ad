#include "tools/reports/RunReports.h"

#include <CLI/CLI.hpp>

#include <filesystem>
#include <system_error>

#include "tools/common/Command.h"
#include "tools/common/OutputFiles.h"
#include "tools/reports/HtmlReport.h"
#include "tools/reports/JunitReport.h"

namespace rc::tools {

namespace fs = std::filesystem;

void addReportOptions(CLI::App& cmd, ReportPaths& paths) {
  cmd.add_option("--report", paths.html, "Write a self-contained HTML report (summary, documents, images, journal)");
  cmd.add_option("--junit", paths.junit, "Write JUnit XML: one test case per document and check");
  cmd.add_option("--json", paths.json, "Write the results as JSON (ravelcrest merge joins such files)");
}

void checkReportPaths(const ReportPaths& paths, const std::string& command) {
  for (const auto& [option, path] : {std::pair{"--report", &paths.html}, std::pair{"--junit", &paths.junit},
                                      std::pair{"--json", &paths.json}}) {
    if (path->empty()) continue;
    fs::path p = fs::absolute(*path);
    std::error_code ec;
    if (fs::is_directory(p, ec))
      throw UsageError(command + ": " + option + " " + *path + " is a folder; name a file");
    // A device, FIFO or socket (or a link to one, such as /dev/stdout) is
    // never replaced by the report.
    if (fs::exists(p, ec) && !fs::is_regular_file(p, ec))
      throw UsageError(command + ": " + option + " " + *path + " is not a regular file; name a file");
    // Created with its parents, as test runners do, so a report may go
    // into the results folder of a first run.
    if (fs::is_directory(p.parent_path(), ec)) continue;
    fs::create_directories(p.parent_path(), ec);
    if (ec || !fs::is_directory(p.parent_path(), ec))
      throw UsageError(command + ": " + option + " " + *path + ": cannot create the folder " +
                       p.parent_path().string() + (ec ? ": " + ec.message() : std::string()));
  }
}

void writeReports(const RunResults& results, const ReportPaths& paths, const std::string& imageFolder) {
  if (!paths.json.empty()) replaceOutputFile(paths.json, resultsToJson(results));
  if (!paths.junit.empty()) replaceOutputFile(paths.junit, junitXml(results));
  if (!paths.html.empty()) replaceOutputFile(paths.html, htmlReport(results, imageFolder));
}

}  // namespace rc::tools
