#include "tools/run/SummaryTable.h"

#include <algorithm>

#include "tools/check/CheckCatalog.h"
#include "tools/common/TerminalText.h"

namespace rc::tools {

namespace {

constexpr std::size_t kValueWidth = 10;

}  // namespace

SummaryTable::SummaryTable(std::ostream& out, std::size_t documentWidth) : out_(out) {
  std::size_t checkWidth = 5;
  for (const CheckEntry& e : checkCatalog()) checkWidth = std::max(checkWidth, e.name.size());
  width_ = {std::max<std::size_t>(documentWidth, 8), checkWidth, std::string_view("BASELINE CREATED [99]").size(),
            kValueWidth, kValueWidth};
}

void SummaryTable::writeLine(const std::array<std::string, 5>& cells) {
  std::string line;
  for (std::size_t i = 0; i < cells.size(); ++i) {
    line += cells[i];
    if (i + 1 < cells.size()) line += std::string(std::max(width_[i], cells[i].size()) - cells[i].size() + 2, ' ');
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  out_ << line << "\n";
}

void SummaryTable::writeHeader() { writeLine({"DOCUMENT", "CHECK", "STATUS", "NEW", "BASELINE"}); }

void SummaryTable::writeRows(const std::vector<CheckRow>& rows) {
  for (const CheckRow& r : rows) {
    std::string status = statusText(r.status);
    const std::string document = oneLineText(r.document), check = oneLineText(r.check);
    if (!r.detail.empty()) {
      notes_.push_back(document + " " + check + ": " + r.detail);
      status += " [" + std::to_string(notes_.size()) + "]";
    }
    writeLine({document, check, status, oneLineText(r.newValue), oneLineText(r.baseValue)});
    ++counts_[static_cast<std::size_t>(r.status)];
    ++total_;
  }
  out_.flush();
}

void SummaryTable::writeEnd() {
  if (!notes_.empty()) out_ << "\n";
  for (std::size_t i = 0; i < notes_.size(); ++i) out_ << "[" << i + 1 << "] " << notes_[i] << "\n";
  auto count = [&](Status s) { return counts_[static_cast<std::size_t>(s)]; };
  out_ << "\n" << total_ << " checks: " << count(Status::Ok) << " ok, " << count(Status::BaselineCreated)
       << " baselines created, " << count(Status::Warning) << " warned, " << count(Status::Failed) << " failed";
  if (count(Status::ExpectedFailure) + count(Status::UnexpectedPass) > 0)
    out_ << ", " << count(Status::ExpectedFailure) << " expected failures (XFAIL), " << count(Status::UnexpectedPass)
         << " expected to fail but agreed (XPASS)";
  if (count(Status::NotApplicable) > 0) out_ << ", " << count(Status::NotApplicable) << " not applicable";
  out_ << "\n";
}

}  // namespace rc::tools
