// The exact palette holds at most 256 colours: a picture of exactly 256
// keeps every colour, one of 257 is reduced.
#include <gtest/gtest.h>

#include "sim/converters/Palette.h"

namespace rc::testing {
namespace {

using sim::converters::IndexedImage;
using sim::converters::indexColours;

// A row of `n` pixels, each of a colour of its own.
display::Surface distinctColours(int n) {
  display::Surface s(n, 1, display::rgb(0, 0, 0));
  for (int i = 0; i < n; ++i)
    s.setPixel(i, 0, display::rgb(static_cast<std::uint8_t>(i & 0xFF), static_cast<std::uint8_t>(i >> 8), 7));
  return s;
}

TEST(PaletteTest, ExactUpTo256ColoursAndReducedFrom257) {
  const display::Surface full = distinctColours(256);
  const IndexedImage exact = indexColours(full);
  ASSERT_EQ(exact.colours.size(), 256u);
  for (int i = 0; i < 256; ++i)
    EXPECT_EQ(exact.colours[exact.indices[static_cast<std::size_t>(i)]], full.pixel(i, 0) & 0xFFFFFFu) << i;

  const display::Surface over = distinctColours(257);
  const IndexedImage reduced = indexColours(over);
  ASSERT_LE(reduced.colours.size(), 256u);
  int kept = 0;
  for (int i = 0; i < 257; ++i) {
    const std::uint8_t index = reduced.indices[static_cast<std::size_t>(i)];
    ASSERT_LT(index, reduced.colours.size());
    kept += reduced.colours[index] == (over.pixel(i, 0) & 0xFFFFFFu);
  }
  EXPECT_LT(kept, 257);
}

}  // namespace
}  // namespace rc::testing
