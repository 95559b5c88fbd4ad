// ravelcrest check DOCUMENT|FOLDER... --results DIR [--tolerance T] [--build B]
//   [--checks LIST] [--baselines DIR] [--multi-session] [--host-folder DIR]
//   [--time-floor S] [--warn-faster] [--ci] [-j N] [--shard K/N]
//   [--report FILE] [--junit FILE] [--json FILE] [--config FILE] [--show-config]
//   | ravelcrest check --list-checks
//
// Opens each document in the simulated host, runs every check that applies
// to its type through clsApplication, and prints each document's rows in
// document order as it finishes (with -j, documents run in parallel worker
// processes), then the notes and counts, and writes the reports. The host
// journal goes to DIR/journal.txt beside the trace log and the data files.
// Options the command line leaves out come from the suite file
// (ravelcrest.toml, see SuiteConfig.h).
// Exit code: 0 all agreed (or baselines were created), 1 a check warned,
// 2 a check failed or a document could not be opened, 130 interrupted.
#include <CLI/CLI.hpp>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>

#include "platform/automation/NumberText.h"
#include "platform/os/FileIo.h"
#include "platform/os/Paths.h"
#include "tools/baseline/BaselineInventory.h"
#include "tools/check/CheckCatalog.h"
#include "tools/check/CheckOptions.h"
#include "tools/check/CheckRunner.h"
#include "tools/check/DocumentSet.h"
#include "tools/common/Command.h"
#include "tools/common/Interrupt.h"
#include "tools/common/OutputFiles.h"
#include "tools/common/TerminalText.h"
#include "tools/history/HistoryCharts.h"
#include "tools/history/HistoryStore.h"
#include "tools/history/HistoryTrend.h"
#include "tools/reports/HtmlReport.h"
#include "tools/reports/RunReports.h"
#include "tools/results/ResultsFolder.h"
#include "tools/review/ReviewCommand.h"
#include "tools/run/DocumentQueue.h"
#include "tools/run/Progress.h"
#include "tools/run/ShardEnvironment.h"
#include "tools/run/SuiteSettings.h"
#include "tools/run/SummaryTable.h"

namespace rc::tools {

namespace {

namespace au = rc::automation;

constexpr int kInterrupted = 130;
// The runs the report's history charts show.
constexpr std::size_t kChartedRuns = 20;

constexpr const char* kHelpFooter = R"(Tolerance: a value agrees with its baseline when it differs by less than
the percentage, or when both are below the noise floor.
  --tolerance 5          5 % with the default noise floor (the same as 5,1e-9)
  --tolerance 5,1e-9     5 % with a noise floor of 1e-9 (the default)
  --tolerance 5,0.01     5 %, and values both below 0.01 always agree
(The library's own tolerance property reads a single number P as P % with a
noise floor of P; the tool always hands it the explicit P,F form.)
Timings use the percentage with their own floor (--time-floor, seconds) and
warn only when the new time is slower, unless --warn-faster is given.
Baselines: the library's properties files beside each document; the tool's
own (data-file copies, the Components and Views structure, the journal
blocks of checks that only journal) in a .ravelcrest folder beside it; image
baselines beside it too, named after it: bracket.vxlprt -> bracket-vxlprt.gif
(the view), bracket.vxldrw -> bracket-vxldrw-sheet1.gif, ... (one per sheet),
GIF for at most 256 colours and CBF beyond (--image-format auto).
What the image checks saw is in RESULTS/images/<document>/.
Parallel runs (-j) and shards (--shard) print the same rows in the same
order as a serial run; `ravelcrest merge` joins the --json files of shards.
Exit code: 0 all agreed or created baselines, 1 a check warned, 2 a check
failed or a document could not be checked, 130 interrupted.)";

struct CheckArgs {
  std::vector<std::string> documents;
  std::string results;
  std::string baselines;
  std::string checks;
  std::string timeFloor = "0.5";
  std::string jobs;
  std::string shard;
  bool listChecks = false;
  std::string threshold;
  std::string antialiasing = "count";
  std::vector<std::string> masks;
  std::string maxDiffRatio;
  std::string config;
  bool showConfig = false;
  bool noSync = false;  // --no-sync
  RunOptions options;
  ReportPaths reports;
  std::string history;          // --history DB
  std::size_t timingTrend = 0;  // --timing-trend K
  bool review = false;
  ReviewOptions reviewOptions;
  std::string idleTimeout = "0";
};

// Keeps the run for `review`, records it in the history (and warns of
// timing trends there), then serves the review when asked. Answers the
// timing trends found.
int afterRun(const CheckArgs& args, const RunResults& results, const std::string& started, CommandContext& context) {
  replaceOutputFile(platform::joinPath(args.options.results, kReviewResultsName), resultsToJson(results));
  int trends = 0;
  if (!args.history.empty()) {
    HistoryStore store(args.history);
    store.record(results, started, args.options.build);
    ToleranceText tolerance = parseToleranceOption(args.options.tolerance);
    if (!args.reports.html.empty())
      replaceOutputFile(args.reports.html, withHistoryCharts(htmlReport(results, args.options.results), results, store,
                                                             kChartedRuns, tolerance.percent));
    if (args.timingTrend > 0) {
      trends = warnTimingTrends(store, results, args.timingTrend, tolerance.percent, args.options.timeFloor,
                                context.out);
    }
  }
  if (args.review && !results.interrupted)
    runReview(args.options.results, args.reviewOptions, args.idleTimeout, context);
  return trends;
}

std::size_t widestLabel(const std::vector<DocumentItem>& documents) {
  std::size_t w = 0;
  for (const DocumentItem& d : documents) w = std::max(w, oneLineText(d.label).size());
  return w;
}

// Notes the baselines in the folders given whose document is gone (what
// `baseline prune` would remove); a note, never a failure.
void noteOrphanedBaselines(const std::vector<std::string>& given, std::ostream& out) {
  std::vector<std::string> folders;
  std::error_code ec;
  for (const std::string& g : given)
    if (std::filesystem::is_directory(g, ec)) folders.push_back(g);
  if (folders.empty()) return;
  std::ostringstream found;
  pruneBaselines(folders, PruneOptions{true, false}, found);
  std::string lines = found.str();
  constexpr std::string_view kPrefix = "would remove ";
  std::vector<std::string> orphans;
  for (std::size_t start = 0; start < lines.size();) {
    std::size_t end = std::min(lines.find('\n', start), lines.size());
    std::string_view line(lines.data() + start, end - start);
    if (line.starts_with(kPrefix)) orphans.emplace_back(line.substr(kPrefix.size()));
    start = end + 1;
  }
  if (orphans.empty()) return;
  out << "note: " << orphans.size() << " baseline" << (orphans.size() > 1 ? "s" : "")
      << " without a document (`ravelcrest baseline prune` removes them):\n";
  for (const std::string& o : orphans) out << "  " << o << "\n";
}

// Refuses a report that would replace a document or a baseline file:
// `check --json a.vxlprt b.vxlprt` (the report's name forgotten) would
// otherwise write the results over a.vxlprt.
void refuseReportsOverDocuments(const ReportPaths& reports) {
  for (const auto& [option, path] : {std::pair{"--report", &reports.html}, std::pair{"--junit", &reports.junit},
                                      std::pair{"--json", &reports.json}}) {
    std::error_code ec;
    if (path->empty() || !std::filesystem::exists(*path, ec)) continue;
    if (documentTypeOf(*path) != 0 || isBaselineFile(*path))
      throw UsageError(std::string("check: ") + option + " " + *path + " is " +
                       (isBaselineFile(*path) ? "a baseline" : "a document") +
                       ", which a report never replaces; name the report's own file");
  }
}

// The library's module trace (TraceLog.log at the drive root: "Couldn't
// find vxconst.bas" and the like) of a run goes into its results folder, as
// the session's trace log does, unless $RAVELCREST_DRIVE_ROOT names a drive
// root of the caller's own. Worker processes inherit it.
void keepTracesInResults(const std::string& results) {
  const char* root = ::getenv("RAVELCREST_DRIVE_ROOT");
  if (root == nullptr || *root == '\0') ::setenv("RAVELCREST_DRIVE_ROOT", results.c_str(), 1);
}

void run(CheckArgs& args, CLI::App& cmd, CommandContext& context) {
  if (args.listChecks) {
    context.out << checkListText(checkCatalog());
    return;
  }
  SuiteSettings suite = SuiteSettings::apply(cmd, args.config, args.documents);
  if (args.showConfig) {
    context.out << suite.describe(cmd);
    return;
  }
  if (args.documents.empty()) throw UsageError("check: name at least one document or folder");
  if (args.results.empty()) throw UsageError("check: --results is required (the folder for the journal and data files)");
  parseToleranceOption(args.options.tolerance);
  args.options.tolerance = toleranceForLibrary(args.options.tolerance);
  if (args.options.hostFolder.empty()) args.options.hostFolder = defaultHostFolder();
  args.options.timeFloor = parseSecondsOption("--time-floor", args.timeFloor);
  args.options.checks = resolveCheckNames(args.checks, checkCatalog());
  unsigned jobs = args.jobs.empty() ? processorCount() : parseJobsOption(args.jobs);
  Shard shard = args.shard.empty() ? Shard{} : shardOption(args.shard, ::getenv, context.err);
  checkReportPaths(args.reports, "check");
  refuseReportsOverDocuments(args.reports);
  if (args.timingTrend > 0 && args.history.empty()) throw UsageError("check: --timing-trend needs --history");
  // A history this version cannot write is refused before anything runs.
  if (!args.history.empty()) HistoryStore{args.history};
  const std::string startedAt = utcNow();
  ImageDiffOptions& imageDiff = args.options.imageDiff;
  if (!args.threshold.empty()) imageDiff.threshold = parseThresholdOption(args.threshold);
  imageDiff.ignoreAntialiasing = args.antialiasing == "ignore";
  for (const std::string& m : args.masks) imageDiff.masks.push_back(parseMaskOption(m));
  if (!args.maxDiffRatio.empty()) imageDiff.maxDiffRatio = parseRatioOption(args.maxDiffRatio);

  // Workers inherit the waiver: they are forked from this thread.
  std::optional<platform::fileio::SyncsWaived> syncsWaived;
  if (args.noSync) syncsWaived.emplace();
  std::vector<DocumentItem> documents = collectDocuments(args.documents, context.err);
  suite.select(documents, context.err);
  // Held until the run (and the review it serves) ends.
  platform::UniqueFd resultsHeld;
  args.options.results = prepareResultsFolder(args.results, &resultsHeld);
  keepTracesInResults(args.options.results);
  // Every shard copies every document, so the copies' places (and their
  // baselines) do not depend on the shard.
  if (!args.baselines.empty()) copyIntoWorkFolder(documents, args.baselines);
  for (DocumentItem& d : documents)
    if (d.problem.empty()) d.problem = stateFolderProblem(d.path);
  std::vector<RunOptions> documentOptions = suite.documentOptions(args.options);
  std::vector<QueuedDocument> queue;
  for (std::size_t i = 0; i < documents.size(); ++i)
    if (shard.takes(i)) queue.push_back({i, &documents[i], &documentOptions[i]});

  auto started = std::chrono::steady_clock::now();
  watchInterrupts();
  SummaryTable table(context.out, widestLabel(documents));
  table.writeHeader();
  RunResults results;
  results.documentCount = documents.size();
  results.tolerance = describeTolerance(args.options.tolerance);
  std::string checks;
  for (const std::string& c : args.options.checks) checks += (checks.empty() ? "" : ",") + c;
  results.settings = {{"checks", checks.empty() ? "all" : checks},
                      {"time floor", au::writeForm(args.options.timeFloor) + " s"},
                      {"faster timings", args.options.warnFaster ? "warn" : "pass"},
                      {"image format", args.options.imageFormat},
                      {"image tolerance", std::to_string(args.options.imageTolerance)}};
  // Only a tolerant run names its comparison: exact runs merge with those
  // written before the options existed.
  if (args.options.imageDiff.tolerant())
    results.settings.emplace_back("image comparison", args.options.imageDiff.describe());
  results.resultsFolder = args.options.results;
  if (!args.shard.empty()) results.shard = std::to_string(shard.part) + "/" + std::to_string(shard.parts);
  Progress progress(context.progress, ::isatty(STDERR_FILENO) != 0, queue.size());
  std::vector<CheckRow> rows;
  runDocuments(queue, args.options, jobs, [&](DocumentResult&& document) {
    progress.clear();
    suite.markExpected(document);
    table.writeRows(document.rows);
    appendToJournal(args.options.results, document.journal);
    progress.finished(document);
    rows.insert(rows.end(), document.rows.begin(), document.rows.end());
    results.documents.push_back(std::move(document));
  });
  progress.end();
  table.writeEnd();
  context.out << "tolerance: " << results.tolerance << ", timings: floor " << args.timeFloor << " s"
              << (args.options.warnFaster ? "" : ", slower only") << "\n";
  context.out << "journal: " << platform::joinPath(args.options.results, "journal.txt") << "\n";
  noteOrphanedBaselines(args.documents, context.out);
  context.exitCode = exitCodeOf(rows);
  results.interrupted = interruptRequested();
  results.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  writeReports(results, args.reports, args.options.results);
  if (afterRun(args, results, startedAt, context) > 0) context.exitCode = std::max(context.exitCode, 1);
  if (results.interrupted) {
    context.out << "interrupted: " << results.documents.size() << " of " << queue.size() << " documents checked\n";
    context.exitCode = kInterrupted;
  }
}

}  // namespace

void addCheckCommand(CLI::App& app, CommandContext& context) {
  auto args = std::make_shared<CheckArgs>();
  args->options.tolerance = std::string(kDefaultTolerance);
  CLI::App* cmd = app.add_subcommand("check", "Run the regression checks on documents in the simulated host.");
  cmd->footer(kHelpFooter);
  cmd->add_option("DOCUMENT", args->documents, "Part, assembly or drawing files, or folders searched for them");
  cmd->add_option("--results", args->results, "Folder for the journal, trace log and data files");
  cmd->add_option("--tolerance", args->options.tolerance, "PERCENT or PERCENT,NOISE-FLOOR (see below)")
      ->capture_default_str();
  cmd->add_option("--time-floor", args->timeFloor, "Seconds below which timings always agree")->capture_default_str();
  cmd->add_flag("--warn-faster", args->options.warnFaster, "Timings faster than their baseline warn too");
  cmd->add_option("--build", args->options.build, "Build text written into new baselines")->capture_default_str();
  cmd->add_option("--checks", args->checks, "Comma-separated check names (default: all that apply)");
  cmd->add_flag("--list-checks", args->listChecks, "List the checks, the documents they apply to and what they measure");
  cmd->add_option("--baselines", args->baselines,
                  "Work folder: copy the documents, their companions and references there and check the copies");
  cmd->add_flag("--multi-session", args->options.multiSession, "Run each document in a host session of its own");
  cmd->add_option("--host-folder", args->options.hostFolder,
                  "Host installation folder (VXPath): where the host's constants file vxconst.bas is found "
                  "(samples/appComm/vxconst.bas below it), used by the Features check (default: the one installed "
                  "with the tool, share/ravelcrest/host)");
  cmd->add_flag("--ci", args->options.ci, "A missing baseline fails the check instead of being created");
  cmd->add_flag("--no-sync", args->noSync,
                "Do not wait for baselines and results to reach the disk: faster on a disk, but a power loss or "
                "system crash during or soon after the run may leave them missing or empty (for throwaway "
                "machines such as CI runners)");
  cmd->add_option("-j,--jobs", args->jobs, "Documents checked at once, each in a host session of its own "
                                           "(default: the number of processors)");
  cmd->add_option("--image-format", args->options.imageFormat,
                  "Format of new image baselines: auto (default: GIF for at most 256 colours, else CBF), gif "
                  "(warns when the picture has more colours than a GIF holds) or cbf (lossless for any number)")
      ->check(CLI::IsMember({"auto", "gif", "cbf"}))
      ->capture_default_str();
  cmd->add_option("--image-tolerance,--max-diff-pixels", args->options.imageTolerance,
                  "Pixels an image may differ by (and by which its size may change) without a warning")
      ->check(CLI::Range(0, 32767))
      ->capture_default_str();
  cmd->add_option("--threshold", args->threshold,
                  "0 to 1: image pixels whose YIQ colour distance is at most this agree (0, the default, is exact)");
  cmd->add_option("--antialiasing", args->antialiasing,
                  "count (default) or ignore: whether anti-aliased image pixels differ")
      ->check(CLI::IsMember({"count", "ignore"}));
  cmd->add_option("--mask", args->masks,
                  "x,y,w,h: a rectangle of every image where differences do not count (repeatable); "
                  "per image, NAME.mask.png beside its baseline marks them with its non-white pixels");
  cmd->add_option("--max-diff-ratio", args->maxDiffRatio, "0 to 1: share of an image's pixels that may differ");
  cmd->add_option("--shard", args->shard, "K/N: check only documents K, K+N, K+2N, ... (for a CI matrix); auto: "
                  "the shard of the GitLab, Kubernetes, Slurm or Buildkite job the run is in");
  addReportOptions(*cmd, args->reports);
  cmd->add_option("--history", args->history,
                  "Record the run in this history: an SQLite file, or a PostgreSQL connection string");
  cmd->add_option("--timing-trend", args->timingTrend,
                  "Warn when a timing's median over the last K recorded runs is beyond its tolerance")
      ->check(CLI::Range(1, 10000));
  cmd->add_flag("--review", args->review, "Then serve the run for review in the browser (see `review`)");
  addReviewOptions(*cmd, args->reviewOptions, args->idleTimeout);
  cmd->add_option("--config", args->config,
                  "Suite file (default: ravelcrest.toml in the documents' common folder or the nearest above it)");
  cmd->add_flag("--show-config", args->showConfig, "Print the settings in force and where each came from, then stop");
  cmd->callback([args, cmd, &context] { run(*args, *cmd, context); });
}

}  // namespace rc::tools
