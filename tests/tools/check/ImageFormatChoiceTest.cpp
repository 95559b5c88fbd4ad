#include "tools/check/ImageFormatChoice.h"

#include <gtest/gtest.h>

namespace rc::tools {
namespace {

TEST(DistinctColours, CountsEachColourOnceWhateverItsRunsAndStopsAtTheLimit) {
  display::Surface white(64, 64, 0xFFFFFF);
  EXPECT_EQ(distinctColours(white), 1u);
  white.setPixel(37, 50, 0x000001);  // one pixel amid a long run
  white.setPixel(63, 63, 0x000002);  // and the very last
  EXPECT_EQ(distinctColours(white), 3u);
  EXPECT_EQ(distinctColours(display::Surface()), 0u);
  // Colours coming back after others, and the byte above the colour ignored.
  display::Surface mixed(40, 40, 0xFFFFFF);
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 40; ++x) mixed.setPixel(x, y, (x % 3 == 0 ? 0xFF000000u : 0u) | static_cast<std::uint32_t>(x % 5));
  EXPECT_EQ(distinctColours(mixed), 5u);
  // 300 colours: counted to the limit, then the limit.
  display::Surface rich(300, 2, 0);
  for (int x = 0; x < 300; ++x) rich.setPixel(x, x % 2, static_cast<std::uint32_t>(x + 1) * 0x010203u);
  EXPECT_EQ(distinctColours(rich), kGifColours + 1);
  EXPECT_EQ(distinctColours(rich, 1000), 301u);  // the 300 and the black around them
  EXPECT_EQ(distinctColours(rich, 10), 10u);
  // Black (all zero) and the all-ones colour are colours like any other.
  display::Surface edge(2, 1, 0);
  edge.setPixel(1, 0, 0xFFFFFFFFu);
  EXPECT_EQ(distinctColours(edge), 2u);
}

}  // namespace
}  // namespace rc::tools
