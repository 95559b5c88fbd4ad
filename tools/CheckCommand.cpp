// ravelcrest check DOCUMENT|FOLDER... --results DIR [--tolerance T] [--build B]
//   [--checks LIST] [--baselines DIR] [--multi-session] [--host-folder DIR]
//   [--time-floor S] [--warn-faster] | ravelcrest check --list-checks
//
// Opens each document in the simulated host, runs every check that applies
// to its type through clsApplication, and prints each document's rows as it
// finishes, then the notes and counts. The host journal goes to
// DIR/journal.txt beside the trace log and the data files.
// Exit code: 0 all agreed (or baselines were created), 1 a check warned,
// 2 a check failed or a document could not be opened, 130 interrupted.
#include <CLI/CLI.hpp>
#include <unistd.h>

#include <algorithm>
#include <memory>

#include "platform/os/Paths.h"
#include "tools/CheckCatalog.h"
#include "tools/CheckOptions.h"
#include "tools/CheckRunner.h"
#include "tools/Command.h"
#include "tools/DocumentSet.h"
#include "tools/Interrupt.h"
#include "tools/ResultsFolder.h"
#include "tools/SummaryTable.h"

namespace rc::tools {

namespace {

constexpr int kInterrupted = 130;

constexpr const char* kHelpFooter = R"(Tolerance: a value agrees with its baseline when it differs by less than
the percentage, or when both are below the noise floor.
  --tolerance 5          5 % with a noise floor of 5 (values below 5 always agree)
  --tolerance 5,1e-9     5 % with a noise floor of 1e-9 (the default)
Timings use the percentage with their own floor (--time-floor, seconds) and
warn only when the new time is slower, unless --warn-faster is given.
Baselines: the library's properties files beside each document; the tool's
own (data-file copies) in a .ravelcrest folder beside it.
Exit code: 0 all agreed or created baselines, 1 a check warned, 2 a check
failed or a document could not be checked, 130 interrupted.)";

struct CheckArgs {
  std::vector<std::string> documents;
  std::string results;
  std::string baselines;
  std::string checks;
  std::string timeFloor = "0.5";
  bool listChecks = false;
  RunOptions options;
};

std::size_t widestLabel(const std::vector<DocumentItem>& documents) {
  std::size_t w = 0;
  for (const DocumentItem& d : documents) w = std::max(w, d.label.size());
  return w;
}

void run(CheckArgs& args, CommandContext& context) {
  if (args.listChecks) {
    context.out << checkListText(checkCatalog());
    return;
  }
  if (args.documents.empty()) throw UsageError("check: name at least one document or folder");
  if (args.results.empty()) throw UsageError("check: --results is required (the folder for the journal and data files)");
  parseToleranceOption(args.options.tolerance);
  args.options.timeFloor = parseSecondsOption("--time-floor", args.timeFloor);
  args.options.checks = resolveCheckNames(args.checks, checkCatalog());

  std::vector<DocumentItem> documents = collectDocuments(args.documents, context.err);
  args.options.results = prepareResultsFolder(args.results);
  if (!args.baselines.empty()) copyIntoWorkFolder(documents, args.baselines);

  watchInterrupts();
  bool terminal = ::isatty(STDERR_FILENO) != 0;
  SummaryTable table(context.out, widestLabel(documents));
  table.writeHeader();
  std::vector<CheckRow> rows;
  std::size_t done = 0;
  for (const DocumentItem& document : documents) {
    if (interruptRequested()) break;
    if (terminal) {
      context.err << "\r[" << done + 1 << "/" << documents.size() << "] " << document.label << "\033[K";
      context.err.flush();
    }
    std::vector<CheckRow> docRows = runDocument(document, args.options);
    if (terminal) context.err << "\r\033[K" << std::flush;
    table.writeRows(docRows);
    rows.insert(rows.end(), docRows.begin(), docRows.end());
    ++done;
  }
  table.writeEnd();
  context.out << "tolerance: " << describeTolerance(args.options.tolerance) << ", timings: floor "
              << args.timeFloor << " s" << (args.options.warnFaster ? "" : ", slower only") << "\n";
  context.out << "journal: " << platform::joinPath(args.options.results, "journal.txt") << "\n";
  context.exitCode = exitCodeOf(rows);
  if (interruptRequested()) {
    context.out << "interrupted: " << done << " of " << documents.size() << " documents checked\n";
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
                  "(samples/appComm/vxconst.bas below it), used by the Features check");
  cmd->callback([args, &context] { run(*args, context); });
}

}  // namespace rc::tools
