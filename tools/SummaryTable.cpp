#include "tools/SummaryTable.h"

#include <algorithm>
#include <array>
#include <string>

namespace rc::tools {

void writeSummary(std::ostream& out, const std::vector<CheckRow>& rows) {
  using Cells = std::array<std::string, 5>;
  std::vector<Cells> table{{"DOCUMENT", "CHECK", "STATUS", "NEW", "BASELINE"}};
  std::vector<std::string> notes;
  for (const CheckRow& r : rows) {
    std::string status = statusText(r.status);
    if (!r.detail.empty()) {
      notes.push_back(r.document + " " + r.check + ": " + r.detail);
      status += " [" + std::to_string(notes.size()) + "]";
    }
    table.push_back({r.document, r.check, status, r.newValue, r.baseValue});
  }
  std::array<std::size_t, 5> width{};
  for (const Cells& c : table)
    for (std::size_t i = 0; i < c.size(); ++i) width[i] = std::max(width[i], c[i].size());
  for (const Cells& c : table) {
    std::string line;
    for (std::size_t i = 0; i < c.size(); ++i) {
      line += c[i];
      if (i + 1 < c.size()) line += std::string(width[i] - c[i].size() + 2, ' ');
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out << line << "\n";
  }
  if (!notes.empty()) out << "\n";
  for (std::size_t i = 0; i < notes.size(); ++i) out << "[" << i + 1 << "] " << notes[i] << "\n";
  std::array<int, 4> counts{};
  for (const CheckRow& r : rows) ++counts[static_cast<std::size_t>(r.status)];
  out << "\n" << rows.size() << " checks: " << counts[0] << " ok, " << counts[1] << " baselines created, "
      << counts[2] << " warned, " << counts[3] << " failed\n";
}

}  // namespace rc::tools
