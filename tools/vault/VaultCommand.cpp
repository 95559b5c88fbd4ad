// ravelcrest vault update VAULT [NAME...] [--all] --results DIR [--latest-only]
//   [--reopen-check] [--old-dates] [--user U [--password-stdin]]
// ravelcrest vault print VAULT NAME... --results DIR [--printer P] [--pages R]
//   [--copies N] [--user U [--password-stdin]]
//
// Runs the library's vault tasks, clsKstdUpdate and clsKstdPrint, by ProgID
// as a task runner does: the setters, then per document a fresh login and
// UpdateDocument or PrintDocument. The working folder is DIR/work, the
// warning file DIR/warnings.txt (the previous one kept as warnings.1.txt),
// and print jobs go to DIR/print-jobs unless $VEXLAR_SPOOL names a folder.
// Prints one line per document; exit code 0 all done, 1 the task wrote
// warnings, 2 a document failed, 128 + the signal when Ctrl-C (130), SIGTERM
// (143) or SIGHUP (129) stopped it (after the document in progress).
#include <CLI/CLI.hpp>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>

#include "Core/vault/PageRanges.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/Error.h"
#include "platform/automation/Registry.h"
#include "platform/os/Files.h"
#include "platform/os/Paths.h"
#include "sim/vault/Vault.h"
#include "tools/common/Command.h"
#include "tools/common/Interrupt.h"
#include "tools/common/OutputFiles.h"
#include "tools/vault/VaultLogin.h"

namespace rc::tools {

namespace {

namespace au = rc::automation;
namespace fs = std::filesystem;
using au::Variant;

// The exit code of a run a signal stopped: 128 + the signal, as a shell
// reports a process the signal ended.
constexpr int kSignalExitBase = 128;

bool stoppedBySignal(const CommandContext& context) { return context.exitCode > kSignalExitBase; }

struct VaultArgs {
  std::string vault;
  std::vector<std::string> names;
  std::string results;
  bool all = false;
  bool latestOnly = false;
  bool reopenCheck = false;
  bool oldDates = false;
  std::optional<std::string> user;
  bool passwordStdin = false;
  std::string printer;
  std::string pages;
  int copies = 1;
};

struct TaskFolders {
  std::string work;
  std::string warnings;
};

// The vault as the tasks are given it: a directory made absolute, a name as it is.
std::string vaultArgument(const std::string& vault) {
  std::error_code ec;
  return fs::is_directory(vault, ec) ? fs::absolute(vault).lexically_normal().string() : vault;
}

TaskFolders prepareFolders(const std::string& results) {
  fs::path root = fs::absolute(results).lexically_normal();
  std::error_code ec;
  fs::create_directories(root / "work", ec);
  if (ec || !fs::is_directory(root / "work"))
    throw OutputError("cannot use the results folder: " + root.string() + ": " + (ec ? ec.message() : "not a folder"));
  std::string warnings = (root / "warnings.txt").string();
  startOutputFile(warnings, (root / "warnings.1.txt").string());
  return {(root / "work").string(), warnings};
}

// Every document name of the vault, in the order of its records.
std::vector<std::string> allDocuments(const std::string& vault) {
  std::vector<std::string> names;
  std::set<std::string> seen;
  try {
    auto v = sim::vault::Vault::open(sim::vault::Vault::locate(vault), sim::vault::OpenMode::ReadOnly);
    for (const auto& rev : v->allRevisions())
      if (seen.insert(rev.document).second) names.push_back(rev.document);
  } catch (const std::exception& e) {
    throw UsageError("vault: cannot read the vault " + vault + ": " + e.what());
  }
  return names;
}

// Reports one document's outcome and folds it into the exit code.
void report(CommandContext& context, const std::string& name, bool ok, const std::string& text, const char* done) {
  context.out << name << ": " << (ok ? done : "FAILED") << (text.empty() ? "" : (ok ? " (" : ": ") + text + (ok ? ")" : ""))
              << "\n";
  if (!ok) context.exitCode = 2;
}

// After Ctrl-C the document in progress finishes and no other starts.
bool stoppedBefore(const std::string& name, CommandContext& context) {
  if (!interruptRequested()) return false;
  context.out << "interrupted before " << name << "\n";
  context.exitCode = kSignalExitBase + interruptSignal();
  return true;
}

void finish(CommandContext& context, const TaskFolders& folders) {
  std::string warnings = platform::readFile(folders.warnings);
  std::size_t lines = 0;
  for (char c : warnings) lines += c == '\n' ? 1 : 0;
  context.out << "work folder: " << folders.work << "\n";
  if (lines == 0) return;
  context.out << "warnings (" << lines << "): " << folders.warnings << "\n" << warnings;
  if (!stoppedBySignal(context)) context.exitCode = std::max(context.exitCode, 1);
}

std::string passwordOf(const VaultArgs& args) {
  if (args.passwordStdin && !args.user) throw UsageError("vault: --password-stdin needs --user");
  return args.passwordStdin ? readPasswordLine() : "";
}

void runUpdate(const VaultArgs& args, CommandContext& context) {
  if (args.all == !args.names.empty()) throw UsageError("vault update: name the documents or give --all, not both");
  std::vector<std::string> names = args.all ? allDocuments(args.vault) : args.names;
  watchStopSignals();  // before the login: its copy of the settings store goes with any stop
  VaultLogin login("TempAdminUser", vaultArgument(args.vault), args.user, passwordOf(args));
  TaskFolders folders = prepareFolders(args.results);
  for (const std::string& name : names) {
    if (stoppedBefore(name, context)) break;
    au::ObjectRef task = au::createObject("RavelcrestCore.clsKstdUpdate");
    au::call(task, "SetUpdatingDirectory", folders.work);
    au::call(task, "SetUpdateWarningFilePath", folders.warnings);
    au::call(task, "SetUpdateLatestOnly", args.latestOnly);
    au::call(task, "SetDoReOpenCheck", args.reopenCheck);
    au::call(task, "SetUseOldModTimes", args.oldDates);
    std::vector<Variant> text{Variant("")};
    if (!au::call(task, "InitKeysteadAdminConnection", text).toBool()) {
      report(context, name, false, text[0].toText(), "");
      continue;
    }
    au::call(task, "GetVexlarVersion");
    std::vector<Variant> update{Variant(name), Variant("")};
    bool ok = au::call(task, "UpdateDocument", update).toBool();
    report(context, name, ok, update[1].toText(), "updated");
  }
  finish(context, folders);
}

void runPrint(const VaultArgs& args, CommandContext& context) {
  if (!args.pages.empty()) {
    if (std::string problem = core::vault::PageRangeListProblem(args.pages); !problem.empty())
      throw UsageError("vault print: --pages \"" + args.pages + "\": " + problem);
  }
  if (args.copies < 1) throw UsageError("vault print: --copies must be 1 or more");
  watchStopSignals();  // before the login: its copy of the settings store goes with any stop
  VaultLogin login("TempPrintUser", vaultArgument(args.vault), args.user, passwordOf(args));
  TaskFolders folders = prepareFolders(args.results);
  if (const char* spool = std::getenv("VEXLAR_SPOOL"); spool == nullptr || *spool == '\0') {
    std::string jobs = (fs::path(args.results) / "print-jobs").string();
    platform::createFolder(jobs);
    ::setenv("VEXLAR_SPOOL", fs::absolute(jobs).c_str(), 1);
  }
  for (const std::string& name : args.names) {
    if (stoppedBefore(name, context)) break;
    au::ObjectRef task = au::createObject("RavelcrestCore.clsKstdPrint");
    au::call(task, "SetPrintingDirectory", folders.work);
    au::call(task, "SetPrintWarningFilePath", folders.warnings);
    au::call(task, "SetPrintPrinter", args.printer);
    au::call(task, "SetPrintUseDefault", args.printer.empty() ? "TRUE" : "FALSE");
    au::call(task, "SetPageSetupUseDefault", "TRUE");
    au::call(task, "SetPrintRange", args.pages.empty() ? 0 : 1);
    au::call(task, "SetPrintPageRange", args.pages);
    au::call(task, "SetPrintCopies", args.copies);
    au::call(task, "SetPrintCollate", 1);
    std::vector<Variant> text{Variant("")};
    if (!au::call(task, "InitKeysteadConnection", text).toBool()) {
      report(context, name, false, text[0].toText(), "");
      continue;
    }
    std::vector<Variant> print{Variant(name), Variant("")};
    bool ok = au::call(task, "PrintDocument", print).toBool();
    report(context, name, ok, print[1].toText(), "printed");
  }
  context.out << "print jobs: " << std::getenv("VEXLAR_SPOOL") << "\n";
  finish(context, folders);
}

void addLoginOptions(CLI::App& cmd, VaultArgs& args) {
  cmd.add_option("--results", args.results, "Folder for the working copies (work/) and the warning file")->required();
  cmd.add_option("--user", args.user, "Vault user for this run (default: the one in the settings store)");
  cmd.add_flag("--password-stdin", args.passwordStdin, "Read the user's password as one line from standard input");
}

}  // namespace

void addVaultCommand(CLI::App& app, CommandContext& context) {
  auto args = std::make_shared<VaultArgs>();
  CLI::App* cmd = app.add_subcommand("vault", "Run the vault tasks: update documents to the host's version, print them.");
  cmd->require_subcommand(1);

  CLI::App* update = cmd->add_subcommand("update", "Open, rebuild and save vault documents and check them back in.");
  update->add_option("VAULT", args->vault, "Vault directory or name")->required();
  update->add_option("NAME", args->names, "Document names in the vault");
  update->add_flag("--all", args->all, "Every document of the vault");
  update->add_flag("--latest-only", args->latestOnly, "Only the current revision of each document");
  update->add_flag("--reopen-check", args->reopenCheck, "Open each saved document once more to prove it opens");
  update->add_flag("--old-dates", args->oldDates, "Keep the revisions' modification times");
  addLoginOptions(*update, *args);
  update->callback([args, &context] { runUpdate(*args, context); });

  CLI::App* print = cmd->add_subcommand("print", "Print vault documents through the host.");
  print->add_option("VAULT", args->vault, "Vault directory or name")->required();
  print->add_option("NAME", args->names, "Document names in the vault")->required();
  print->add_option("--printer", args->printer, "Printer name (default: the default printer)");
  print->add_option("--pages", args->pages, "Page ranges such as 1-3,5 (default: all pages)");
  print->add_option("--copies", args->copies, "Copies")->capture_default_str();
  addLoginOptions(*print, *args);
  print->callback([args, &context] { runPrint(*args, context); });
}

}  // namespace rc::tools
