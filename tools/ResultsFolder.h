// The results folder of a check run, made ready before any check runs: it
// exists and takes files, its "data" and "performance" folders are folders,
// and the journal starts afresh (the previous run's kept as journal.1.txt).
// A folder that cannot serve is an OutputError naming the path and why.
#pragma once

#include <string>

namespace rc::tools {

// Prepares `folder` (creating it with its parents) and answers its
// absolute path.
std::string prepareResultsFolder(const std::string& folder);

}  // namespace rc::tools
