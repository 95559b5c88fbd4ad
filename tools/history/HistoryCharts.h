// The history's part of the HTML report: for each numeric value of a check,
// a small inline SVG chart of its last runs with the tolerance band around
// the baseline, and a "flaky" mark on checks whose status went back and
// forth over those runs.
#pragma once

#include <string>
#include <vector>

#include "tools/history/HistoryStore.h"
#include "tools/results/RunResults.h"

namespace rc::tools {

// The chart of `values` (oldest first) against `baseline` and its band of
// `percent` % either side, as an <svg> element.
std::string historyChart(const std::vector<double>& values, double baseline, double percent);

// Whether the statuses (oldest first) changed between agreeing and not at
// least twice.
bool isFlaky(const std::vector<std::string>& statuses);

// `report` (htmlReport's page of `results`) with each document's charts and
// flaky marks from the last `runs` runs in `store` added before its journal.
std::string withHistoryCharts(std::string report, const RunResults& results, HistoryStore& store, std::size_t runs,
                              double percent);

}  // namespace rc::tools
