// The command table's names: `ravelcrest` builds only the subcommand the
// first word names, found by the table's name, so each name must be the
// one its function adds.
#include <gtest/gtest.h>

#include <CLI/CLI.hpp>
#include <set>
#include <sstream>

#include "tools/common/Command.h"

namespace rc::tools {
namespace {

TEST(CommandTable, EachNameIsTheSubcommandItsFunctionAdds) {
  std::ostringstream out;
  CommandContext context{out, out, out};
  std::set<std::string_view> seen;
  for (const CommandEntry& command : commandTable()) {
    CLI::App app;
    command.add(app, context);
    std::vector<CLI::App*> added = app.get_subcommands({});
    ASSERT_EQ(added.size(), 1u) << command.name;
    EXPECT_EQ(added[0]->get_name(), command.name);
    EXPECT_TRUE(seen.insert(command.name).second) << command.name;
  }
  EXPECT_EQ(seen.size(), 9u);
}

}  // namespace
}  // namespace rc::tools
