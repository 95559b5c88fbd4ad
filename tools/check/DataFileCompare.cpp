#include "tools/check/DataFileCompare.h"

#include <charconv>
#include <cmath>
#include <vector>

#include "Core/properties/Comparison.h"
#include "platform/automation/Variant.h"

namespace rc::tools {

namespace {

std::vector<std::string_view> splitLines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

std::vector<std::string_view> splitItems(std::string_view line) {
  std::vector<std::string_view> items;
  std::size_t start = 0;
  for (;;) {
    std::size_t p = line.find(' ', start);
    items.push_back(line.substr(start, p == std::string_view::npos ? std::string_view::npos : p - start));
    if (p == std::string_view::npos) return items;
    start = p + 1;
  }
}

// An item that is a number as a whole.
std::optional<double> numberItem(std::string_view item) {
  if (item.empty()) return std::nullopt;
  if (item.front() == '+') item.remove_prefix(1);
  double v = 0;
  auto [p, ec] = std::from_chars(item.data(), item.data() + item.size(), v);
  if (ec != std::errc() || p != item.data() + item.size() || !std::isfinite(v)) return std::nullopt;
  return v;
}

// Whether `fresh` agrees with `base`: within the percentage of the
// baseline, or both smaller than the noise floor in size. (The library's
// core::numbersAgree lets any two values below the floor pass, every
// negative one among them; here negative values are held to the tolerance.)
bool numbersAgreeBySize(double base, double fresh, const core::Tolerance& t) {
  if (base == fresh) return true;
  if (std::fabs(base) < t.floor && std::fabs(fresh) < t.floor) return true;
  return std::fabs(core::relativeDifference(fresh, base)) * 100 < t.percent;
}

// Whether two lines agree item by item (items split at every space): the
// same number of items, each equal or a number in both that agrees by
// numbersAgreeBySize. (The library's core::linesAgree compares only the
// numbers a line's items start with, and lets an empty baseline line agree
// with anything.)
bool linesAgreeStrictly(std::string_view baseline, std::string_view fresh, const core::Tolerance& tolerance) {
  if (baseline == fresh) return true;
  std::vector<std::string_view> a = splitItems(baseline), b = splitItems(fresh);
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] == b[i]) continue;
    std::optional<double> x = numberItem(a[i]), y = numberItem(b[i]);
    if (!x || !y || !numbersAgreeBySize(*x, *y, tolerance)) return false;
  }
  return true;
}

}  // namespace

std::optional<DataFileChange> firstDataChange(std::string_view baseline, std::string_view fresh,
                                              const std::string& tolerance) {
  std::vector<std::string_view> a = splitLines(baseline), b = splitLines(fresh);
  core::Tolerance t = core::parseTolerance(automation::Variant(tolerance));
  for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
    std::string_view x = i < a.size() ? a[i] : std::string_view(), y = i < b.size() ? b[i] : std::string_view();
    if (i < a.size() && i < b.size() && linesAgreeStrictly(x, y, t)) continue;
    return DataFileChange{i + 1, std::string(x), std::string(y)};
  }
  return std::nullopt;
}

std::vector<DataFileChange> dataChanges(std::string_view baseline, std::string_view fresh,
                                        const std::string& tolerance) {
  std::vector<DataFileChange> out;
  std::vector<std::string_view> a = splitLines(baseline), b = splitLines(fresh);
  core::Tolerance t = core::parseTolerance(automation::Variant(tolerance));
  for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i) {
    std::string_view x = i < a.size() ? a[i] : std::string_view(), y = i < b.size() ? b[i] : std::string_view();
    if (i < a.size() && i < b.size() && linesAgreeStrictly(x, y, t)) continue;
    out.push_back(DataFileChange{i + 1, std::string(x), std::string(y)});
  }
  return out;
}

std::string dataLineLabel(std::string_view fileName, std::string_view text, std::size_t line) {
  static constexpr const char* kMass[] = {"COM_X", "COM_Y", "COM_Z", "Volume", "Area", "Mass",
                                          "Mom_XX", "Mom_YY", "Mom_ZZ", "Mom_XY", "Mom_ZX", "Mom_YZ"};
  if (line == 0) return "";
  if (fileName.ends_with("ConfigCount.dat")) return "number of configurations";
  if (fileName.ends_with("SheetCount.dat")) return "number of sheets";
  // Records of a fixed length, each starting with the configuration's or
  // sheet's name: what each line of a record holds.
  std::vector<std::string> fields;
  std::string owner = "configuration ";
  if (fileName == "MassPropertyInCinfigs.dat") {
    fields = {"name"};
  } else if (fileName == "RavelcrestPartAssembly.dat") {
    fields = {"name", "feature count", "failed features", "edges"};
  } else if (fileName == "RavelcrestDrawing.dat") {
    fields = {"name", "feature count", "failed features", "picture"};
    owner = "sheet ";
  } else {
    return "";
  }
  if (owner != "sheet ") fields.insert(fields.end(), std::begin(kMass), std::end(kMass));
  std::vector<std::string_view> lines = splitLines(text);
  std::size_t first = (line - 1) / fields.size() * fields.size();
  std::vector<std::string_view> head = first < lines.size() ? splitItems(lines[first]) : std::vector<std::string_view>{""};
  std::string what = fields[(line - 1) % fields.size()];
  // A part's record starts with its configuration's name and edge count.
  if (fileName == "MassPropertyInCinfigs.dat" && what == "name" && head.size() > 1 && !head[1].empty())
    what = "name and edges";
  return owner + std::string(head.front()) + ": " + what;
}

std::string describeChange(const DataFileChange& change) {
  return "line " + std::to_string(change.line) + ": baseline \"" + change.baseline + "\", new \"" + change.fresh + "\"";
}

}  // namespace rc::tools
