// The subcommands of the ravelcrest tool.
//
// Each subcommand is one source file with one function that adds itself to
// the application; Commands.cpp lists those functions. A subcommand's
// callback writes to the context's streams and sets its exit code: 0 ok,
// 1 a warning (a value that is missing, a check that warned), 2 a failure.
// It throws UsageError for a wrong invocation and lets run-time errors
// escape; main() prints both as "ravelcrest: <message>" and exits 2.
#pragma once

#include <ostream>
#include <span>
#include <stdexcept>
#include <string_view>

namespace CLI {
class App;
}

namespace rc::tools {

struct CommandContext {
  // Standard output and error: control bytes in what is written there are
  // shown escaped (TerminalText.h).
  std::ostream& out;
  std::ostream& err;
  // Standard error as it is, for the progress line's own cursor controls
  // (whatever else it writes goes through terminalText first).
  std::ostream& progress;
  int exitCode = 0;
};

class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Adds one subcommand (with its callback) to `app`.
using AddCommand = void (*)(CLI::App& app, CommandContext& context);

// A subcommand: its name on the command line and what adds it.
struct CommandEntry {
  std::string_view name;
  AddCommand add;
};

// Every subcommand, in the order `ravelcrest --help` lists them.
std::span<const CommandEntry> commandTable();

// The subcommands themselves.
void addTypelibCommand(CLI::App& app, CommandContext& context);
void addRegistryCommand(CLI::App& app, CommandContext& context);
void addCheckCommand(CLI::App& app, CommandContext& context);
void addImgdiffCommand(CLI::App& app, CommandContext& context);
void addMergeCommand(CLI::App& app, CommandContext& context);
void addBaselineCommand(CLI::App& app, CommandContext& context);
void addVaultCommand(CLI::App& app, CommandContext& context);
void addReviewCommand(CLI::App& app, CommandContext& context);
void addHistoryCommand(CLI::App& app, CommandContext& context);

}  // namespace rc::tools
