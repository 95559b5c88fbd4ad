#include "Core/vault/PageRanges.h"

#include <string>

#include "platform/automation/Error.h"
#include "platform/automation/Variant.h"

namespace rc::core::vault {

namespace {

constexpr int kMaxSplitPairs = 30;

std::int16_t pageNumber(std::string_view text) { return automation::Variant(text).toInteger(); }

// Appends the range `piece` when its last page is not below its first.
void addPiece(std::string_view piece, std::vector<std::int32_t>& pairs) {
  std::size_t dash = piece.find('-');
  std::int16_t first = pageNumber(piece.substr(0, dash));
  std::int16_t last = dash == std::string_view::npos ? first : pageNumber(piece.substr(dash + 1));
  if (last < first) return;
  pairs.push_back(first);
  pairs.push_back(last);
}

}  // namespace

std::optional<std::vector<std::int32_t>> ParsePageRanges(std::string_view text) {
  std::vector<std::int32_t> pairs;
  try {
    std::string_view rest = text;
    while (rest.find(',') != std::string_view::npos && static_cast<int>(pairs.size() / 2) < kMaxSplitPairs) {
      const std::size_t comma = rest.find(',');
      addPiece(rest.substr(0, comma), pairs);
      rest = rest.substr(comma + 1);
    }
    if (!rest.empty()) addPiece(rest, pairs);
  } catch (const automation::AutomationError&) {
    return std::nullopt;
  }
  return pairs;
}

namespace {

constexpr long kMaxPage = 32767;

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

// The page `text` names (1 to kMaxPage), or -1 when it is no page number.
long pageOf(std::string_view text) {
  text = trimmed(text);
  if (text.empty() || text.size() > 6) return -1;
  long page = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return -1;
    page = page * 10 + (c - '0');
  }
  return page;
}

}  // namespace

std::string PageRangeListProblem(std::string_view text) {
  int ranges = 0;
  for (std::string_view rest = text;;) {
    const std::size_t comma = rest.find(',');
    const std::string_view piece = rest.substr(0, comma);
    const std::string shown = "\"" + std::string(piece) + "\"";
    if (++ranges > kMaxPageRanges) return "at most " + std::to_string(kMaxPageRanges) + " page ranges can be printed";
    const std::size_t dash = piece.find('-');
    const long first = pageOf(piece.substr(0, dash));
    const long last = dash == std::string_view::npos ? first : pageOf(piece.substr(dash + 1));
    if (first < 0 || last < 0) return shown + " is not a page range such as 1-3 or 5";
    if (first == 0 || last == 0) return shown + ": pages count from 1";
    if (first > kMaxPage || last > kMaxPage) return shown + ": pages go up to " + std::to_string(kMaxPage);
    if (last < first) return shown + " selects no page: its last page is before its first";
    if (comma == std::string_view::npos) return "";
    rest = rest.substr(comma + 1);
  }
}

}  // namespace rc::core::vault
