#include "tools/common/PathGlob.h"

#include <vector>

namespace rc::tools {

namespace {

std::vector<std::string_view> split(std::string_view text) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  while (true) {
    std::size_t slash = text.find('/', start);
    std::string_view part = text.substr(start, slash == std::string_view::npos ? std::string_view::npos : slash - start);
    if (!part.empty()) parts.push_back(part);
    if (slash == std::string_view::npos) return parts;
    start = slash + 1;
  }
}

// One name against one pattern name: "*" any run of characters, "?" one.
bool nameMatches(std::string_view pattern, std::string_view name) {
  std::size_t p = 0, n = 0, star = std::string_view::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
      ++p, ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++, resume = n;
    } else if (star != std::string_view::npos) {
      p = star + 1, n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace

bool globMatches(std::string_view pattern, std::string_view path) {
  std::vector<std::string_view> pat = split(pattern), names = split(path);
  // can[i][j]: pattern names from i on match path names from j on.
  std::vector<std::vector<char>> can(pat.size() + 1, std::vector<char>(names.size() + 1, 0));
  can[pat.size()][names.size()] = 1;
  for (std::size_t i = pat.size(); i-- > 0;)
    for (std::size_t j = names.size() + 1; j-- > 0;) {
      if (pat[i] == "**" && i + 1 == pat.size())
        can[i][j] = j < names.size();  // a trailing "**": something inside the folder, not the folder
      else if (pat[i] == "**")
        can[i][j] = can[i + 1][j] || (j < names.size() && can[i][j + 1]);
      else
        can[i][j] = j < names.size() && can[i + 1][j + 1] && nameMatches(pat[i], names[j]);
    }
  return can[0][0] != 0;
}

}  // namespace rc::tools
