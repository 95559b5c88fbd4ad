// The warning file of a vault task: one line per warning, appended.
#pragma once

#include <string_view>

namespace rc::core::vault {

// Appends `prefix`, `text` and CR LF to the file `path`, creating it when
// missing. No trap: a failure reaches the caller.
void AppendWarning(std::string_view path, std::string_view prefix, std::string_view text);

}  // namespace rc::core::vault
