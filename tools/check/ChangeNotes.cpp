#include "tools/check/ChangeNotes.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

#include "Core/frame/JournalWriters.h"
#include "platform/automation/NumberText.h"
#include "tools/results/CheckResults.h"

namespace rc::tools {

namespace au = rc::automation;

namespace {

std::vector<std::string> fieldsOf(const std::string& text) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (;;) {
    std::size_t comma = text.find(',', start);
    fields.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
    if (comma == std::string::npos) return fields;
    start = comma + 1;
  }
}

// The shortest text of `v` that reads back to it within the journal's digits.
std::string numberText(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.10g", v);
  return buf;
}

}  // namespace

double QuantityChange::percent() const {
  double delta = fresh - baseline;
  return baseline != 0 ? delta / std::fabs(baseline) * 100 : delta * 100;
}

std::vector<QuantityChange> massQuantities(const std::vector<std::string>& journal) {
  std::vector<QuantityChange> out;
  constexpr std::string_view kPrefix = core::journal::kLineMark;
  for (const std::string& line : journal) {
    if (line.rfind(kPrefix, 0) != 0) continue;
    std::vector<std::string> f = fieldsOf(line.substr(kPrefix.size()));
    if (f.size() != 6 || f[0].size() != 2 || !std::isdigit(static_cast<unsigned char>(f[0][0]))) continue;
    // A quantity is named once; a later table of the same call adds nothing.
    auto same = [&](const QuantityChange& q) { return q.name == f[1]; };
    if (std::any_of(out.begin(), out.end(), same)) continue;
    out.push_back(QuantityChange{f[1], au::leadingNumber(f[2]), au::leadingNumber(f[3]), f[5] == "Failure"});
  }
  return out;
}

std::string quantityText(const QuantityChange& q) {
  char pct[32];
  std::snprintf(pct, sizeof pct, "%+.1f", q.percent());
  return q.name + " " + numberText(q.baseline) + " \u2192 " + numberText(q.fresh) + " (" + pct + " %)";
}

void describeMassChange(const std::vector<QuantityChange>& quantities, const std::string& configuration, CheckRow& row) {
  const QuantityChange* most = nullptr;
  std::vector<const QuantityChange*> beyond;
  for (const QuantityChange& q : quantities) {
    if (!q.beyond) continue;
    beyond.push_back(&q);
    if (!most || std::fabs(q.percent()) > std::fabs(most->percent())) most = &q;
  }
  if (!most) return;
  row.newValue = numberText(most->fresh);
  row.baseValue = numberText(most->baseline);
  std::string note = quantityText(*most) + (configuration.empty() ? "" : " in " + configuration);
  if (beyond.size() > 1) {
    note += "; beyond the tolerance:";
    for (std::size_t i = 0; i < beyond.size(); ++i) note += (i ? ", " : " ") + quantityText(*beyond[i]);
  }
  if (!row.detail.empty()) note += "; " + row.detail;
  row.detail = note;
}

void groupRelatedNotes(std::vector<CheckRow>& rows) {
  static constexpr const char* kMass[] = {"COM_X", "COM_Y", "COM_Z", "Volume", "Area", "Mass",
                                          "Mom_XX", "Mom_YY", "Mom_ZZ", "Mom_XY", "Mom_ZX", "Mom_YZ"};
  auto warnedMass = [](const CheckRow& r) { return r.check == "TestMassProp" && r.status == Status::Warning; };
  if (std::none_of(rows.begin(), rows.end(), warnedMass)) return;
  for (CheckRow& r : rows) {
    if (r.status != Status::Warning || r.check == "TestMassProp" || r.detail.empty()) continue;
    // Every labelled line of the note is a mass quantity: "(configuration Default: Mass)".
    std::size_t labels = 0, mass = 0;
    for (std::size_t p = r.detail.find("(configuration "); p != std::string::npos;
         p = r.detail.find("(configuration ", p + 1)) {
      ++labels;
      std::size_t colon = r.detail.find(": ", p), close = r.detail.find(')', p);
      if (colon == std::string::npos || close == std::string::npos || colon > close) continue;
      std::string what = r.detail.substr(colon + 2, close - colon - 2);
      if (std::find(std::begin(kMass), std::end(kMass), what) != std::end(kMass)) ++mass;
    }
    if (labels > 0 && labels == mass) r.detail = "same change as TestMassProp: " + r.detail;
  }
}

}  // namespace rc::tools
