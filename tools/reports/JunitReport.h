// The JUnit XML form of a run, for CI servers: one test suite per document,
// one test case per check; a check that warned or failed is a <failure>
// whose type is its status and whose message is the reason, with the new
// and baseline values in its text. The document's journal is the suite's
// system-out.
#pragma once

#include <string>

#include "tools/results/RunResults.h"

namespace rc::tools {

std::string junitXml(const RunResults& results);

}  // namespace rc::tools
