// The summary table of a check run, written as the run goes: the header
// first, then each document's rows as it finishes (columns padded to widths
// known in advance, so the table lines up while it streams), and at the end
// the notes of rows that carry a detail (numbered) and a closing line with
// the counts of each status.
#pragma once

#include <array>
#include <ostream>
#include <string>
#include <vector>

#include "tools/results/CheckResults.h"

namespace rc::tools {

class SummaryTable {
 public:
  // `documentWidth` is the widest document label of the run.
  SummaryTable(std::ostream& out, std::size_t documentWidth);

  void writeHeader();
  // Writes `rows` and flushes, so a reader sees them at once.
  void writeRows(const std::vector<CheckRow>& rows);
  // Writes the notes and the counts.
  void writeEnd();

 private:
  void writeLine(const std::array<std::string, 5>& cells);

  std::ostream& out_;
  std::array<std::size_t, 5> width_{};
  std::vector<std::string> notes_;
  std::array<int, 7> counts_{};  // by Status
  int total_ = 0;
};

}  // namespace rc::tools
