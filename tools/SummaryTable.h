// The summary table of a check run, as the terminal shows it.
#pragma once

#include <ostream>
#include <vector>

#include "tools/CheckRunner.h"

namespace rc::tools {

// Writes one row per check under a header, columns padded to their widest
// cell, the notes of rows that carry a detail (numbered, below the table),
// then a closing line with the counts of each status.
void writeSummary(std::ostream& out, const std::vector<CheckRow>& rows);

}  // namespace rc::tools
