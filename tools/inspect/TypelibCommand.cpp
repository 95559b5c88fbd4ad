// ravelcrest typelib [--library NAME]: the type library of the registered classes.
#include <CLI/CLI.hpp>

#include <memory>
#include <optional>
#include <string>

#include "platform/automation/Registry.h"
#include "tools/common/Command.h"
#include "tools/inspect/TypeLibraryText.h"

namespace rc::tools {

void addTypelibCommand(CLI::App& app, CommandContext& context) {
  auto library = std::make_shared<std::string>("RavelcrestCore");
  CLI::App* cmd = app.add_subcommand("typelib", "Print the type library: name, version and ID, classes, ProgIDs, interfaces and members.");
  cmd->add_option("--library", *library, "Library whose classes to list")->capture_default_str();
  cmd->callback([library, &context] {
    std::optional<automation::TypeLibrary> found = automation::typeLibrary(*library);
    if (!found) throw UsageError("no classes registered for library \"" + *library + "\"");
    writeTypeLibrary(context.out, found->library, found->classes);
  });
}

}  // namespace rc::tools
