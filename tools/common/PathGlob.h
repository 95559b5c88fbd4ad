// Glob patterns over relative paths with "/" between folders, as a suite
// file writes them: "*" and "?" within one name, "**" for any number of
// folders ("**/*.vxldrw"); a trailing "**" stands for everything below a
// folder ("castings/**").
#pragma once

#include <string_view>

namespace rc::tools {

// Whether `path` as a whole matches `pattern`. Time is bounded by the
// product of their lengths, whatever the pattern.
bool globMatches(std::string_view pattern, std::string_view path);

}  // namespace rc::tools
