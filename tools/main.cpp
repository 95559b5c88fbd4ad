// ravelcrest: the command-line harness of RavelcrestCore.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <iostream>
#include <string>

#include "Core/frame/Register.h"
#include "platform/automation/Error.h"
#include "platform/os/System.h"
#include "sim/Register.h"
#include "tools/common/Command.h"
#include "tools/common/TerminalText.h"

namespace {

constexpr int kFailure = 2;

int fail(std::string_view message) {
  std::cerr << "ravelcrest: " << rc::tools::terminalText(message) << "\n";
  return kFailure;
}

// The subcommand the first word of the command line names, or nullptr.
const rc::tools::CommandEntry* commandNamed(int argc, char** argv) {
  if (argc < 2) return nullptr;
  for (const rc::tools::CommandEntry& command : rc::tools::commandTable())
    if (command.name == argv[1]) return &command;
  return nullptr;
}

// The first word of the command line when it is neither a subcommand nor a
// top-level option: "unknown command" or "unknown option" naming it, else "".
std::string firstWordNotUnderstood(int argc, char** argv) {
  if (argc < 2 || commandNamed(argc, argv)) return "";
  std::string word = argv[1];
  if (word == "--help" || word == "-h" || word == "--version") return "";
  std::string names;
  for (const rc::tools::CommandEntry& command : rc::tools::commandTable())
    names += (names.empty() ? "" : ", ") + std::string(command.name);
  std::string kind = word.starts_with("-") ? "option" : "command";
  return "unknown " + kind + " \"" + word + "\" (commands: " + names + "; see ravelcrest --help)";
}

}  // namespace

int main(int argc, char** argv) {
  rc::platform::keepLargeBlocksForReuse();
  if (std::string problem = firstWordNotUnderstood(argc, argv); !problem.empty()) return fail(problem);
  // Only the subcommand named is built, and the classes are registered only
  // for it: --version and --help (which lists every subcommand) run nothing.
  const rc::tools::CommandEntry* named = commandNamed(argc, argv);
  if (named) {
    rc::core::registerClasses();
    rc::sim::registerApplications();
  }

  CLI::App app{"Regression checks and tools of RavelcrestCore.", "ravelcrest"};
  app.require_subcommand(1);
  app.set_version_flag("--version", "ravelcrest " RAVELCREST_VERSION);
  rc::tools::TerminalStream out(std::cout), err(std::cerr);
  rc::tools::CommandContext context{out, err, std::cerr};
  if (named) {
    named->add(app, context);
  } else if (!(argc == 2 && std::string_view(argv[1]) == "--version")) {
    for (const rc::tools::CommandEntry& command : rc::tools::commandTable()) command.add(app, context);
  }
  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    return app.exit(e);  // --help, --version
  } catch (const CLI::ParseError& e) {
    return fail(std::string(e.what()) + " (see ravelcrest --help)");
  } catch (const rc::tools::UsageError& e) {
    return fail(e.what());
  } catch (const rc::automation::AutomationError& e) {
    return fail(e.description());
  } catch (const std::exception& e) {
    return fail(e.what());
  }
  out.flush();
  err.flush();
  // A listing lost on a full disk or a closed output is no success.
  if (!out || std::ferror(stdout)) return fail("writing the standard output failed");
  return context.exitCode;
}
