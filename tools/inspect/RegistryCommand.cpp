// ravelcrest registry get KEY VALUE / registry set KEY VALUE DATA: values of
// the settings store (the stand-in for the system registry).
#include <CLI/CLI.hpp>

#include <memory>
#include <optional>
#include <string>

#include "platform/os/SettingsStore.h"
#include "tools/common/Command.h"

namespace rc::tools {

namespace {

struct RegistryArgs {
  std::string store;  // "" for the default store
  std::string key;
  std::string name;
  std::string data;
};

// Refuses a key path the settings store cannot hold, naming the rule.
void checkKeyPath(const std::string& key) {
  if (key.empty()) throw UsageError("registry: the key path is empty; name a key, e.g. HKEY_CURRENT_USER\\Software\\Vexlar");
  if (key.find_first_not_of("\\/") == std::string::npos)
    throw UsageError("registry: the key path \"" + key + "\" holds only separators; name a key, e.g. HKEY_CURRENT_USER\\Software");
  if (key.find_first_of("\r\n") != std::string::npos)
    throw UsageError("registry: a key path cannot hold a line break");
}

}  // namespace

void addRegistryCommand(CLI::App& app, CommandContext& context) {
  auto args = std::make_shared<RegistryArgs>();
  CLI::App* cmd = app.add_subcommand("registry", "Read or write a value of the settings store.");
  cmd->require_subcommand(1);
  cmd->add_option("--store", args->store, "Settings store file (default: $RAVELCREST_REGISTRY or the user's store)");

  CLI::App* get = cmd->add_subcommand("get", "Print a value's data; exit 1 when it does not exist.");
  get->add_option("KEY", args->key, "Key path, e.g. HKEY_CURRENT_USER\\Software\\Vexlar")->required();
  get->add_option("VALUE", args->name, "Value name")->required();
  get->callback([args, &context] {
    checkKeyPath(args->key);
    std::optional<std::string> data = platform::SettingsStore(args->store).get(args->key, args->name);
    if (!data) {
      context.err << "ravelcrest: no value \"" << args->name << "\" under " << args->key << "\n";
      context.exitCode = 1;
      return;
    }
    context.out << *data << "\n";
  });

  CLI::App* set = cmd->add_subcommand("set", "Set a value, creating its key as needed.");
  set->add_option("KEY", args->key, "Key path")->required();
  set->add_option("VALUE", args->name, "Value name")->required();
  set->add_option("DATA", args->data, "Data to store")->required();
  set->callback([args] {
    checkKeyPath(args->key);
    platform::SettingsStore(args->store).set(args->key, args->name, args->data);
  });
}

}  // namespace rc::tools
