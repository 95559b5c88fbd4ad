// ravelcrest review RESULTS [--port P] [--open] [--idle-timeout S] [--build B]
//
// Serves a check run's report for review in the browser (ReviewServer.h):
// RESULTS is the run's results folder (or a --json file of it).
#include <CLI/CLI.hpp>

#include <memory>

#include "tools/check/CheckOptions.h"
#include "tools/common/Command.h"
#include "tools/common/Interrupt.h"
#include "tools/review/ReviewCommand.h"

namespace rc::tools {

namespace {

struct ReviewArgs {
  std::string results;
  std::string idleTimeout = "0";
  ReviewOptions options;
};

}  // namespace

void addReviewOptions(CLI::App& cmd, ReviewOptions& options, std::string& idleTimeout) {
  cmd.add_option("--port", options.port, "Port on 127.0.0.1 (default: a free one)")->check(CLI::Range(0, 65535));
  cmd.add_flag("--open", options.open, "Open the page with xdg-open");
  cmd.add_option("--idle-timeout", idleTimeout, "Stop after this many seconds without a request (0: never)")
      ->capture_default_str();
}

void runReview(const std::string& results, ReviewOptions options, const std::string& idleTimeout,
               CommandContext& context) {
  options.idleTimeout = parseSecondsOption("--idle-timeout", idleTimeout);
  RunResults run = reviewableResults(results);
  watchInterrupts();
  serveReview(run, options, context.out);
}

void addReviewCommand(CLI::App& app, CommandContext& context) {
  auto args = std::make_shared<ReviewArgs>();
  CLI::App* cmd = app.add_subcommand("review", "Review a check run's changes in the browser and accept them.");
  cmd->add_option("RESULTS", args->results, "The run's results folder (or its --json file)")->required();
  addReviewOptions(*cmd, args->options, args->idleTimeout);
  cmd->add_option("--build", args->options.build, "Build text written into accepted baselines")->capture_default_str();
  cmd->callback([args, &context] { runReview(args->results, args->options, args->idleTimeout, context); });
}

}  // namespace rc::tools
