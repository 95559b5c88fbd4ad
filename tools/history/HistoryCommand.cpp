// ravelcrest history DOCUMENT --history DB [--check C] [--last N] [--json]
//
// Prints the recorded series of a document (its label as the runs named it,
// or its path): one line per run and check, oldest first.
#include <CLI/CLI.hpp>

#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>

#include "tools/common/Command.h"
#include "tools/common/JsonBytes.h"
#include "tools/history/HistoryStore.h"

namespace rc::tools {

namespace {

struct HistoryArgs {
  std::string document;
  std::string database;
  std::string check;
  std::size_t last = 20;
  bool json = false;
};

void runHistory(const HistoryArgs& args, CommandContext& context) {
  if (!isPostgresLocation(args.database) && !std::filesystem::is_regular_file(args.database))
    throw UsageError("history: no history database " + args.database);
  HistoryStore store(args.database, HistoryAccess::Read);
  std::string key = args.document;
  std::error_code ec;
  if (std::filesystem::exists(args.document, ec))
    key = std::filesystem::absolute(args.document).lexically_normal().string();
  std::vector<HistoryPoint> points = store.series(key, args.check, args.last);
  if (points.empty() && key != args.document) points = store.series(args.document, args.check, args.last);
  if (args.json) {
    nlohmann::json list = nlohmann::json::array();
    for (const HistoryPoint& p : points) {
      nlohmann::json point{{"run", p.run}, {"started", p.started}, {"build", p.build}, {"check", p.check},
                           {"status", p.status}, {"seconds", p.seconds}};
      // A name or value that is not UTF-8 keeps its bytes beside it.
      putText(point, "document", p.document);
      putText(point, "new", p.newValue);
      putText(point, "baseline", p.baseValue);
      list.push_back(point);
    }
    context.out << list.dump(1, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
    return;
  }
  if (points.empty()) {
    context.out << "no recorded runs of " << args.document << (args.check.empty() ? "" : " " + args.check) << "\n";
    context.exitCode = 1;
    return;
  }
  context.out << "started                      build        check                     status            new -> baseline\n";
  for (const HistoryPoint& p : points) {
    std::string check = p.check, build = p.build, status = p.status;
    check.resize(std::max<std::size_t>(check.size(), 25), ' ');
    build.resize(std::max<std::size_t>(build.size(), 12), ' ');
    status.resize(std::max<std::size_t>(status.size(), 17), ' ');
    context.out << p.started << "  " << build << " " << check << " " << status << " " << p.newValue << " -> "
                << p.baseValue << "\n";
  }
}

}  // namespace

void addHistoryCommand(CLI::App& app, CommandContext& context) {
  auto args = std::make_shared<HistoryArgs>();
  CLI::App* cmd = app.add_subcommand("history", "Print the recorded values of a document's checks over the runs.");
  cmd->add_option("DOCUMENT", args->document, "The document (its path, or its label in the runs)")->required();
  cmd->add_option("--history", args->database, "SQLite file or PostgreSQL connection string check --history wrote")
      ->required();
  cmd->add_option("--check", args->check, "Only this check (as the summary names it)");
  cmd->add_option("--last", args->last, "The last N runs")->check(CLI::Range(1, 100000))->capture_default_str();
  cmd->add_flag("--json", args->json, "Print JSON instead of a table");
  cmd->callback([args, &context] { runHistory(*args, context); });
}

}  // namespace rc::tools
