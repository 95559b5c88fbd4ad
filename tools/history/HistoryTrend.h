// What the history shows beyond one run: timings whose median over the last
// runs drifted past the tolerance although each run stayed inside it.
#pragma once

#include <ostream>
#include <string>

#include "tools/history/HistoryStore.h"
#include "tools/results/RunResults.h"

namespace rc::tools {

// For every timing row of `results`, the median of its new values over the
// last `runs` runs (this one included) against this run's baseline: prints
// a "timing trend" warning for each median slower than `percent` % above the
// baseline (by more than `floor` seconds) and answers how many there were.
int warnTimingTrends(HistoryStore& store, const RunResults& results, std::size_t runs, double percent, double floor,
                     std::ostream& out);

// The leading number of a value's text ("1.25 s" -> 1.25); false if none.
bool leadingNumber(const std::string& text, double& value);

}  // namespace rc::tools
