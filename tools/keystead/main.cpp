// keystead-admin: makes vaults, adds users and documents, lists them and
// their audit log, fetches documents and checks a vault's integrity. Errors go to standard error with
// exit code 1 (2 for a command line that does not parse), control bytes of
// the file names in them shown escaped; --help or -h prints the usage and
// exits 0. Ctrl-C, SIGTERM or SIGHUP during an add or a get stops it with
// nothing changed (exit 130, 143, 129); a second one ends it at once.
#include <iostream>
#include <string>
#include <vector>

#include "sim/vault/VaultError.h"
#include "tools/common/Interrupt.h"
#include "tools/common/TerminalText.h"
#include "tools/keystead/AdminCommands.h"

namespace {

// The exit code of a command a signal stopped: 128 + the signal, as a shell
// reports a process the signal ended.
constexpr int kSignalExitBase = 128;

int failed(const std::string& message) {
  std::cout.flush();
  std::cerr << "keystead-admin: " << rc::tools::terminalText(message) << "\n";
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace rc::keystead;
  std::vector<std::string> args(argv + 1, argv + argc);
  // Asked for anywhere before a "--", the usage is the whole answer.
  for (const std::string& a : args) {
    if (a == "--") break;
    if (a == "--help" || a == "-h") {
      std::cout << kAdminUsage;
      std::cout.flush();
      return std::cout ? 0 : 1;
    }
  }
  AdminRequest request;
  try {
    request = parseAdminArguments(args);
  } catch (const UsageError& e) {
    std::cerr << "keystead-admin: " << rc::tools::terminalText(e.what()) << "\n" << kAdminUsage;
    return 2;
  }
  // The commands that copy contents stop between blocks when asked to.
  if (request.command == "add" || request.command == "get") rc::tools::watchStopSignals();
  int code = 0;
  try {
    code = runAdminCommand(request, std::cin, std::cout, [] { return rc::tools::interruptRequested(); });
  } catch (const rc::sim::vault::VaultError& e) {
    const int result = failed(e.what());
    if (e.kind() == rc::sim::vault::ErrorKind::Interrupted) return kSignalExitBase + rc::tools::interruptSignal();
    return result;
  } catch (const std::exception& e) {
    return failed(e.what());
  }
  std::cout.flush();
  if (!std::cout) {
    std::cerr << "keystead-admin: writing the output failed\n";
    return 1;
  }
  return code;
}
