// Page ranges of the print task: "1-3,5" as the pairs 1, 3, 5, 5.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace rc::core::vault {

// The page pair list of `text`: first and last page of each range in
// order. A range whose last page is below its first is dropped; at most 30
// ranges are split at ",", the rest is read as one more range. nullopt when
// a page is not a 16-bit number, so nothing is printed from a bad range.
std::optional<std::vector<std::int32_t>> ParsePageRanges(std::string_view text);

}  // namespace rc::core::vault
