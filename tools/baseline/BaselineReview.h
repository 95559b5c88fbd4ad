// `ravelcrest baseline accept`: makes the new values of the last run the
// baselines of the checks named, and only those.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "tools/check/DocumentSet.h"

namespace rc::tools {

// Accepts the recorded changes of `document` for the catalog names in
// `checks` (every recorded change when empty), writing each baseline
// atomically, and prints one line per change: "label check: old -> new".
// Answers the number of changes accepted.
int acceptChanges(const DocumentItem& document, const std::vector<std::string>& checks, const std::string& build,
                  std::ostream& out);

// Replaces the first line of `key` in the properties file `file` with a
// line holding `value` (appended when there is none), atomically.
void rewriteProperty(const std::string& file, const std::string& key, const std::string& value,
                     const std::string& build);

}  // namespace rc::tools
