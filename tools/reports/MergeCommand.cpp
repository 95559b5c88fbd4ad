// ravelcrest merge RESULTS.json... [--prefer later] [--report FILE] [--junit FILE] [--json FILE]:
// joins the --json results of shards (or of any runs of one suite) into one
// set of reports, documents in the order of the suite, and prints the
// counts. Runs with other tolerances or checks are refused, and so is a
// document in two inputs unless --prefer later. Exit code as check's: 0 all agreed, 1 a check warned, 2 a check
// failed or a document of the suite is missing from every part.
#include <CLI/CLI.hpp>

#include <filesystem>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "platform/os/Files.h"
#include "tools/common/Command.h"
#include "tools/reports/RunReports.h"
#include "tools/results/RunResults.h"

namespace rc::tools {

namespace {

namespace fs = std::filesystem;

struct MergeArgs {
  std::vector<std::string> inputs;
  std::string prefer;  // "later", or "" when a document in two inputs is an error
  ReportPaths reports;
};

// Image paths made absolute: in the part's results folder when the image
// is there, else beside the JSON file.
void anchorImages(RunResults& part, const std::string& jsonFile) {
  fs::path beside = fs::absolute(jsonFile).parent_path();
  auto anchor = [&](std::string& image) {
    if (image.empty() || fs::path(image).is_absolute()) return;
    std::error_code ec;
    fs::path inResults = fs::path(part.resultsFolder) / image;
    image = (!part.resultsFolder.empty() && fs::exists(inResults, ec) ? inResults : beside / image).string();
  };
  for (DocumentResult& d : part.documents)
    for (CheckRow& r : d.rows) anchor(r.images.baseline), anchor(r.images.fresh), anchor(r.images.difference);
}

// Refuses a report that would replace a shard's results: `merge --json
// shard-1.json shard-2.json` (the report's name forgotten) would otherwise
// write the merge of shard 2 alone over shard 1's results.
void refuseReportsOverShards(const ReportPaths& reports) {
  for (const auto& [option, path] : {std::pair{"--report", &reports.html}, std::pair{"--junit", &reports.junit},
                                      std::pair{"--json", &reports.json}}) {
    if (path->empty() || !platform::fileExists(*path) || platform::fileLength(*path) > 1024 * 1024 * 1024) continue;
    std::string shard;
    try {
      shard = resultsFromJson(platform::readFile(*path), *path).shard;
    } catch (const std::exception&) {
      continue;  // no results file: the report's own, or the user's to replace
    }
    if (!shard.empty())
      throw UsageError(std::string("merge: ") + option + " " + *path + " holds the results of shard " + shard +
                       ", which a report never replaces; name the report's own file");
  }
}

void runMerge(const MergeArgs& args, CommandContext& context) {
  checkReportPaths(args.reports, "merge");
  refuseReportsOverShards(args.reports);
  std::vector<RunResults> parts;
  for (const std::string& input : args.inputs) {
    if (!platform::fileExists(input)) throw UsageError("merge: no such results file: " + input);
    parts.push_back(resultsFromJson(platform::readFile(input), input));
    anchorImages(parts.back(), input);
  }
  std::size_t replaced = 0;
  RunResults merged = mergeResults(std::move(parts), args.prefer == "later", &replaced);
  writeReports(merged, args.reports, "");
  StatusCounts c = countStatuses(merged);
  context.out << merged.documents.size() << " of " << merged.documentCount << " documents, " << c.total()
              << " checks: " << c.ok << " ok, " << c.created << " baselines created, " << c.warned << " warned, "
              << c.failed << " failed"
              << (c.xfailed + c.xpassed > 0 ? ", " + std::to_string(c.xfailed) + " XFAIL, " +
                                                   std::to_string(c.xpassed) + " XPASS"
                                             : std::string())
              << "\n";
  if (replaced > 0)
    context.out << replaced << (replaced == 1 ? " document was" : " documents were")
                << " in more than one input: the later input's result kept (--prefer later)\n";
  context.exitCode = exitCodeOf(merged);
  if (merged.documents.size() < merged.documentCount) {
    context.err << "ravelcrest: merge: " << merged.documentCount - merged.documents.size()
                << " documents of the suite are in none of the results (a shard missing or interrupted?)\n";
  }
}

}  // namespace

void addMergeCommand(CLI::App& app, CommandContext& context) {
  auto args = std::make_shared<MergeArgs>();
  CLI::App* cmd = app.add_subcommand("merge", "Join the --json results of shards into one report.");
  cmd->add_option("RESULTS", args->inputs, "Results files written by check --json")->required();
  cmd->add_option("--prefer", args->prefer,
                  "later: a document in more than one input keeps the later input's result (else an error)")
      ->check(CLI::IsMember({"later"}));
  addReportOptions(*cmd, args->reports);
  cmd->callback([args, &context] { runMerge(*args, context); });
}

}  // namespace rc::tools
