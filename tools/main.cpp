// ravelcrest: the command-line harness of RavelcrestCore.
#include <CLI/CLI.hpp>

#include <exception>
#include <iostream>

#include "Core/frame/Register.h"
#include "platform/automation/Error.h"
#include "sim/Register.h"
#include "tools/Command.h"

namespace {

constexpr int kFailure = 2;

int fail(std::string_view message) {
  std::cerr << "ravelcrest: " << message << "\n";
  return kFailure;
}

}  // namespace

int main(int argc, char** argv) {
  rc::core::registerClasses();
  rc::sim::registerApplications();

  CLI::App app{"Regression checks and tools of RavelcrestCore.", "ravelcrest"};
  app.require_subcommand(1);
  rc::tools::CommandContext context{std::cout, std::cerr};
  for (rc::tools::AddCommand add : rc::tools::commandTable()) add(app, context);

  try {
    app.parse(argc, argv);
  } catch (const CLI::Success& e) {
    return app.exit(e);  // --help
  } catch (const CLI::ParseError& e) {
    return fail(std::string(e.what()) + " (see ravelcrest --help)");
  } catch (const rc::tools::UsageError& e) {
    return fail(e.what());
  } catch (const rc::automation::AutomationError& e) {
    return fail(e.description());
  } catch (const std::exception& e) {
    return fail(e.what());
  }
  std::cout.flush();
  return context.exitCode;
}
