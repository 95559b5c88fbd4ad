// ravelcrest baseline accept DOCUMENT... [--checks A,B] [--build B]
// ravelcrest baseline list FOLDER|DOCUMENT...
// ravelcrest baseline prune FOLDER... [--dry-run] [--include-dangling]
//
// Review of baselines after a check run: accept writes the new values the
// last run recorded for the named checks (every check that warned when none
// are named) as their baselines and prints old -> new; list prints every
// baseline with its age; prune removes the baselines the tool recorded for
// documents that no longer exist (BaselineIndex.h).
#include <CLI/CLI.hpp>

#include <ctime>
#include <filesystem>
#include <memory>
#include <sstream>

#include "tools/baseline/BaselineInventory.h"
#include "tools/baseline/BaselineReview.h"
#include "tools/check/CheckOptions.h"
#include "tools/check/DocumentSet.h"
#include "tools/common/Command.h"

namespace rc::tools {

namespace {

struct BaselineArgs {
  std::vector<std::string> paths;
  std::string checks;
  std::string build = "accepted";
  bool dryRun = false;
  bool includeDangling = false;
};

void runAccept(const BaselineArgs& args, CommandContext& context) {
  std::vector<std::string> checks = resolveCheckNames(args.checks, checkCatalog());
  std::ostringstream notes;
  std::vector<DocumentItem> documents = collectDocuments(args.paths, notes);
  context.err << notes.str();
  for (const DocumentItem& d : documents) {
    if (!d.problem.empty()) {
      context.err << "ravelcrest: baseline accept: " << d.given << ": " << d.problem << "\n";
      context.exitCode = 2;
      continue;
    }
    acceptChanges(d, checks, args.build, context.out);
  }
}

// The folders that hold the named documents, or the named folders.
std::vector<std::string> foldersOf(const std::vector<std::string>& paths) {
  std::vector<std::string> folders;
  for (const std::string& p : paths) {
    std::error_code ec;
    if (std::filesystem::is_directory(p, ec)) folders.push_back(p);
    else if (std::filesystem::exists(p, ec)) folders.push_back(std::filesystem::absolute(p).parent_path().string());
    else throw UsageError("baseline: no such document or folder: " + p);
  }
  return folders;
}

void runList(const BaselineArgs& args, CommandContext& context) {
  std::time_t now = std::time(nullptr);
  std::vector<BaselineEntry> entries = listBaselines(foldersOf(args.paths));
  for (const BaselineEntry& e : entries)
    context.out << e.document << "  " << e.name << (e.value.empty() ? "" : " = " + e.value) << "  "
                << ageText(e.written, now) << "\n";
  context.out << entries.size() << " baselines\n";
}

void runPrune(const BaselineArgs& args, CommandContext& context) {
  for (const std::string& p : args.paths) {
    std::error_code ec;
    if (!std::filesystem::is_directory(p, ec)) throw UsageError("baseline prune: not a folder: " + p);
  }
  int n = pruneBaselines(args.paths, {args.dryRun, args.includeDangling}, context.out);
  context.out << n << (n == 1 ? " baseline" : " baselines") << " of missing documents" << (args.dryRun ? " found" : " removed")
              << "\n";
}

}  // namespace

void addBaselineCommand(CLI::App& app, CommandContext& context) {
  auto args = std::make_shared<BaselineArgs>();
  CLI::App* cmd = app.add_subcommand("baseline", "Review baselines: accept the last run's new values, list, prune.");
  cmd->require_subcommand(1);

  CLI::App* accept = cmd->add_subcommand("accept", "Make the last run's new values the baselines of the named checks.");
  accept->add_option("DOCUMENT", args->paths, "Documents (or folders of them) checked before")->required();
  accept->add_option("--checks", args->checks, "Comma-separated check names (default: every check that warned)");
  accept->add_option("--build", args->build, "Build text written into the accepted baselines")->capture_default_str();
  accept->callback([args, &context] { runAccept(*args, context); });

  CLI::App* list = cmd->add_subcommand("list", "List every baseline with its age.");
  list->add_option("FOLDER", args->paths, "Folders (searched below) or documents")->required();
  list->callback([args, &context] { runList(*args, context); });

  CLI::App* prune = cmd->add_subcommand("prune", "Remove the baselines of documents that no longer exist.");
  prune->add_option("FOLDER", args->paths, "Folders searched (and below)")->required();
  prune->add_flag("--dry-run", args->dryRun, "Only print what would be removed");
  prune->add_flag("--include-dangling", args->includeDangling,
                  "Also remove the baselines of documents that are links to missing files");
  prune->callback([args, &context] { runPrune(*args, context); });
}

}  // namespace rc::tools
