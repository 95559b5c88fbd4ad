#include "tools/check/CheckOptions.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "tools/common/Command.h"

namespace rc::tools {

namespace {

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// A whole text read as a finite number that is not negative.
bool readAmount(std::string_view text, double& value) {
  text = trim(text);
  if (text.empty()) return false;
  const char* end = text.data() + text.size();
  auto [p, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && p == end && std::isfinite(value) && value >= 0;
}

std::string shortNumber(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", v);
  return buf;
}

// Edit distance of two short names (case already folded).
std::size_t distance(const std::string& a, const std::string& b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[b.size()];
}

const char* typeNames(const CheckEntry& e) {
  static constexpr const char* kNames[] = {"", "parts", "assemblies", "parts, assemblies", "drawings",
                                           "parts, drawings", "assemblies, drawings", "all documents"};
  unsigned mask = 0;
  for (int t : e.types) mask |= 1u << (t - 1);
  return kNames[mask & 7u];
}

// The floor of the default tolerance, which a single number keeps.
constexpr double kDefaultFloor = 1e-9;

}  // namespace

ToleranceText parseToleranceOption(std::string_view text) {
  ToleranceText t;
  std::size_t comma = text.find(',');
  bool ok = readAmount(text.substr(0, comma), t.percent);
  if (comma == std::string_view::npos) t.floor = kDefaultFloor;
  else ok = ok && readAmount(text.substr(comma + 1), t.floor);
  if (!ok)
    throw UsageError("check: --tolerance \"" + std::string(text) +
                     "\" is not a tolerance: give a percentage (5) or a percentage and a noise floor (5,1e-9), "
                     "finite numbers that are not negative");
  return t;
}

std::string toleranceForLibrary(std::string_view text) {
  if (text.find(',') != std::string_view::npos) return std::string(text);
  return std::string(trim(text)) + "," + std::string(kDefaultTolerance.substr(kDefaultTolerance.find(',') + 1));
}

std::string describeTolerance(std::string_view text) {
  ToleranceText t = parseToleranceOption(text);
  return shortNumber(t.percent) + " % (noise floor " + shortNumber(t.floor) + ")";
}

Shard parseShardOption(std::string_view text) {
  Shard s;
  std::size_t slash = text.find('/');
  auto number = [](std::string_view t, std::size_t& v) {
    auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    return !t.empty() && ec == std::errc() && p == t.data() + t.size();
  };
  if (slash == std::string_view::npos || !number(text.substr(0, slash), s.part) ||
      !number(text.substr(slash + 1), s.parts) || s.parts == 0 || s.part == 0 || s.part > s.parts)
    throw UsageError("check: --shard \"" + std::string(text) +
                     "\" is not a shard: give K/N, the K-th of N parts counting from 1 (--shard 2/4)");
  return s;
}

unsigned parseJobsOption(std::string_view text) {
  unsigned v = 0;
  auto [p, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (text.empty() || ec != std::errc() || p != text.data() + text.size() || v == 0 || v > 1024)
    throw UsageError("check: -j \"" + std::string(text) + "\" is not a number of parallel sessions (1 to 1024)");
  return v;
}

double parseSecondsOption(std::string_view option, std::string_view text) {
  double v = 0;
  if (!readAmount(text, v))
    throw UsageError("check: " + std::string(option) + " \"" + std::string(text) +
                     "\" is not a time: give seconds, a finite number that is not negative");
  return v;
}

std::vector<std::string> resolveCheckNames(std::string_view list, const std::vector<CheckEntry>& catalog) {
  std::vector<bool> chosen(catalog.size(), false);
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t comma = std::min(list.find(',', start), list.size());
    std::string_view given = trim(list.substr(start, comma - start));
    std::string wanted = lower(given);
    start = comma + 1;
    if (wanted.empty()) continue;
    auto same = [&](const CheckEntry& e) { return lower(e.name) == wanted || lower(e.member) == wanted; };
    auto it = std::find_if(catalog.begin(), catalog.end(), same);
    if (it != catalog.end()) {
      chosen[static_cast<std::size_t>(it - catalog.begin())] = true;
      continue;
    }
    const CheckEntry* nearest = &catalog.front();
    std::size_t best = SIZE_MAX;
    for (const CheckEntry& e : catalog)
      if (std::size_t d = distance(wanted, lower(e.name)); d < best) best = d, nearest = &e;
    throw UsageError("check: no check is named \"" + std::string(given) + "\" in --checks; did you mean " + nearest->name +
                     "? (ravelcrest check --list-checks lists them)");
  }
  std::vector<std::string> names;
  for (std::size_t i = 0; i < catalog.size(); ++i)
    if (chosen[i]) names.push_back(catalog[i].name);
  return names;
}

std::string checkListText(const std::vector<CheckEntry>& catalog) {
  // What a check does on STEP and BREP files (parts and assemblies only).
  auto geometry = [](const CheckEntry& e) -> std::string {
    bool parts = std::find(e.types.begin(), e.types.end(), kPart) != e.types.end();
    bool assemblies = std::find(e.types.begin(), e.types.end(), kAssembly) != e.types.end();
    if (!parts && !assemblies) return "step/brep: no";
    if (e.geometryNeeds.empty()) return "step/brep: yes";
    std::string needs;
    for (const std::string& n : e.geometryNeeds) needs += (needs.empty() ? "" : " or ") + n;
    return "step/brep: sidecar " + needs;
  };
  std::size_t nameWidth = 0, typeWidth = 0, geometryWidth = 0;
  for (const CheckEntry& e : catalog) {
    nameWidth = std::max(nameWidth, e.name.size());
    typeWidth = std::max(typeWidth, std::string_view(typeNames(e)).size());
    geometryWidth = std::max(geometryWidth, geometry(e).size());
  }
  std::string text;
  for (const CheckEntry& e : catalog) {
    std::string types = typeNames(e), g = geometry(e);
    text += e.name + std::string(nameWidth - e.name.size() + 2, ' ') + types +
            std::string(typeWidth - types.size() + 2, ' ') + g + std::string(geometryWidth - g.size() + 2, ' ') +
            e.measures + "\n";
  }
  text += "\nstep/brep: whether the check runs on STEP and BREP files; \"sidecar F\" runs only when the file's\n"
          "sidecar (NAME.step.json) holds field F, and is listed NOT APPLICABLE otherwise.\n";
  return text;
}

}  // namespace rc::tools
