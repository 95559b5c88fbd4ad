// ravelcrest check DOCUMENT... --results DIR [--tolerance T] [--build B]
//   [--checks LIST] [--baselines DIR] [--multi-session] [--host-folder DIR]
//
// Opens each document in the simulated host, runs every check that applies
// to its type through clsApplication, and prints a summary. The host
// journal goes to DIR/journal.txt beside the trace log and the data files.
// Exit code: 0 all agreed (or baselines were created), 1 a check warned,
// 2 a check failed or a document could not be opened.
#include <CLI/CLI.hpp>
#include <unistd.h>

#include <filesystem>
#include <iostream>
#include <memory>
#include <sstream>

#include "platform/os/Files.h"
#include "platform/os/Paths.h"
#include "tools/CheckRunner.h"
#include "tools/Command.h"
#include "tools/SummaryTable.h"

namespace rc::tools {

namespace fs = std::filesystem;

namespace {

struct CheckArgs {
  std::vector<std::string> documents;
  std::string results;
  std::string baselines;
  std::string checks;
  RunOptions options;
};

std::vector<std::string> splitList(const std::string& list) {
  std::vector<std::string> items;
  std::stringstream in(list);
  for (std::string item; std::getline(in, item, ',');)
    if (!item.empty()) items.push_back(item);
  return items;
}

// Copies the folder of each document into `work` (documents and what they
// reference are replaced; baselines already in `work` stay) and answers the
// documents' paths there.
std::vector<std::string> copyIntoWorkFolder(const std::vector<std::string>& documents, const std::string& work) {
  std::vector<std::string> copies;
  fs::create_directories(work);
  for (const std::string& doc : documents) {
    fs::path source = fs::absolute(platform::nativePath(doc));
    fs::path folder = source.parent_path();
    fs::path target = fs::path(work) / folder.filename();
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(folder)) {
      fs::path to = target / fs::relative(e.path(), folder);
      if (e.is_directory() && e.path().extension() == ".baselines") {
        // Baselines of the work folder's own runs stay; the source's are not copied.
        continue;
      }
      if (fs::relative(e.path(), folder).string().find(".baselines") != std::string::npos) continue;
      if (e.is_directory()) {
        fs::create_directories(to);
      } else if (e.is_regular_file() && to.extension() != ".properties" && to.extension() != ".massproperties") {
        fs::create_directories(to.parent_path());
        fs::copy_file(e.path(), to, fs::copy_options::overwrite_existing);
      }
    }
    copies.push_back((target / source.filename()).string());
  }
  return copies;
}

void run(CheckArgs& args, CommandContext& context) {
  if (args.documents.empty()) throw UsageError("check: name at least one document");
  for (const std::string& d : args.documents)
    if (!platform::fileExists(d)) throw UsageError("check: no such document: " + d);
  fs::create_directories(args.results);
  args.options.results = fs::absolute(args.results).string();
  args.options.checks = splitList(args.checks);

  std::vector<std::string> documents;
  for (const std::string& d : args.documents) documents.push_back(fs::absolute(platform::nativePath(d)).string());
  if (!args.baselines.empty()) documents = copyIntoWorkFolder(documents, fs::absolute(args.baselines).string());

  bool terminal = ::isatty(STDERR_FILENO) != 0;
  std::vector<CheckRow> rows;
  for (std::size_t i = 0; i < documents.size(); ++i) {
    std::vector<CheckRow> docRows = runDocument(documents[i], args.options);
    if (terminal) {
      context.err << "[" << i + 1 << "/" << documents.size() << "] " << platform::fileName(documents[i]) << ": "
                  << docRows.size() << " checks, exit " << exitCodeOf(docRows) << "\n";
    }
    rows.insert(rows.end(), docRows.begin(), docRows.end());
  }
  writeSummary(context.out, rows);
  context.out << "journal: " << platform::joinPath(args.options.results, "journal.txt") << "\n";
  context.exitCode = exitCodeOf(rows);
}

}  // namespace

void addCheckCommand(CLI::App& app, CommandContext& context) {
  auto args = std::make_shared<CheckArgs>();
  CLI::App* cmd = app.add_subcommand("check", "Run the regression checks on documents in the simulated host.");
  cmd->add_option("DOCUMENT", args->documents, "Part, assembly or drawing files")->required();
  cmd->add_option("--results", args->results, "Folder for the journal, trace log and data files")->required();
  cmd->add_option("--tolerance", args->options.tolerance, "Tolerance: percent, or percent,noise-floor")
      ->capture_default_str();
  cmd->add_option("--build", args->options.build, "Build text written into new baselines")->capture_default_str();
  cmd->add_option("--checks", args->checks, "Comma-separated check names (default: all that apply)");
  cmd->add_option("--baselines", args->baselines, "Work folder: copy the documents there and keep baselines there");
  cmd->add_flag("--multi-session", args->options.multiSession, "Run each document in a session of its own");
  cmd->add_option("--host-folder", args->options.hostFolder, "Host installation folder (VXPath)");
  cmd->callback([args, &context] { run(*args, context); });
}

}  // namespace rc::tools
