#include "tools/common/Command.h"

namespace rc::tools {

std::span<const CommandEntry> commandTable() {
  static constexpr CommandEntry kCommands[] = {
      {"check", &addCheckCommand},
      {"merge", &addMergeCommand},
      {"baseline", &addBaselineCommand},
      {"review", &addReviewCommand},
      {"history", &addHistoryCommand},
      {"vault", &addVaultCommand},
      {"typelib", &addTypelibCommand},
      {"registry", &addRegistryCommand},
      {"imgdiff", &addImgdiffCommand},
  };
  return kCommands;
}

}  // namespace rc::tools
