// Page ranges of the print task: "1-3,5" as the pairs 1, 3, 5, 5.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rc::core::vault {

// The page pair list of `text`: first and last page of each range in
// order. A range whose last page is below its first is dropped; at most 30
// ranges are split at ",", the rest is read as one more range. nullopt when
// a page is not a 16-bit number, so nothing is printed from a bad range.
std::optional<std::vector<std::int32_t>> ParsePageRanges(std::string_view text);

// The most ranges a list may hold for every one of them to be printed: the
// task splits 30 at commas and reads the rest as one more.
inline constexpr int kMaxPageRanges = 31;

// Why `text` is no page range list a user means (pages count from 1, every
// range selects a page, at most kMaxPageRanges ranges, pages up to 32767),
// or "" when it is one. For refusing a list before anything is printed: the
// task itself drops a range that selects no page.
std::string PageRangeListProblem(std::string_view text);

}  // namespace rc::core::vault
