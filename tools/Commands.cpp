#include "tools/common/Command.h"

namespace rc::tools {

std::span<const AddCommand> commandTable() {
  static constexpr AddCommand kCommands[] = {
      &addCheckCommand,
      &addMergeCommand,
      &addBaselineCommand,
      &addReviewCommand,
      &addHistoryCommand,
      &addVaultCommand,
      &addTypelibCommand,
      &addRegistryCommand,
      &addImgdiffCommand,
  };
  return kCommands;
}

}  // namespace rc::tools
