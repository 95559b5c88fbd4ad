// keystead-admin: makes vaults, adds users and documents, lists them and
// their audit log, fetches documents and checks a vault's integrity. Errors go to standard error with
// exit code 1 (2 for a command line that does not parse); --help or -h
// prints the usage and exits 0.
#include <iostream>
#include <string>
#include <vector>

#include "sim/vault/VaultError.h"
#include "tools/keystead/AdminCommands.h"

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
    std::cerr << "keystead-admin: " << e.what() << "\n" << kAdminUsage;
    return 2;
  }
  int code = 0;
  try {
    code = runAdminCommand(request, std::cin, std::cout);
  } catch (const rc::sim::vault::VaultError& e) {
    std::cout.flush();
    std::cerr << "keystead-admin: " << e.what() << "\n";
    return 1;
  } catch (const std::exception& e) {
    std::cerr << "keystead-admin: " << e.what() << "\n";
    return 1;
  }
  std::cout.flush();
  if (!std::cout) {
    std::cerr << "keystead-admin: writing the output failed\n";
    return 1;
  }
  return code;
}
