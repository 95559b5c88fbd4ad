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

}  // namespace rc::core::vault
