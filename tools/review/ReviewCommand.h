// The review options `review` and `check --review` share.
#pragma once

#include <string>

#include "tools/common/Command.h"
#include "tools/review/ReviewServer.h"

namespace rc::tools {

// Adds --port, --open and --idle-timeout (seconds as text) to `cmd`.
void addReviewOptions(CLI::App& cmd, ReviewOptions& options, std::string& idleTimeout);

// Serves the run in `results` (a results folder or --json file) until
// Ctrl-C or the idle timeout.
void runReview(const std::string& results, ReviewOptions options, const std::string& idleTimeout,
               CommandContext& context);

}  // namespace rc::tools
