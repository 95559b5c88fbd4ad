// The report's history charts: the band and points where the values put
// them, flaky only for a status that went back and forth.
#include <gtest/gtest.h>

#include "tools/history/HistoryCharts.h"

namespace rc::tools {
namespace {

TEST(HistoryCharts, DrawsTheBandAndMarksPointsOutsideIt) {
  std::string svg = historyChart({10, 10.2, 12, 9.9}, 10, 5);
  EXPECT_EQ(svg.rfind("<svg class=\"history\"", 0), 0u);
  EXPECT_NE(svg.find("class=\"band\""), std::string::npos);
  // 12 is outside 10 +- 5 %: one red point, three green.
  std::size_t red = 0, green = 0;
  for (std::size_t at = 0; (at = svg.find("fill=\"#b71c1c\"", at)) != std::string::npos; ++at) ++red;
  for (std::size_t at = 0; (at = svg.find("fill=\"#1b5e20\"", at)) != std::string::npos; ++at) ++green;
  EXPECT_EQ(red, 1u);
  EXPECT_EQ(green, 3u);
  // One value, or all equal to a zero baseline, still draws inside the box.
  EXPECT_EQ(historyChart({0}, 0, 5).find("nan"), std::string::npos);
  EXPECT_EQ(historyChart({0, 0}, 0, 0).find("inf"), std::string::npos);
}

TEST(HistoryCharts, FlakyIsBackAndForth) {
  EXPECT_FALSE(isFlaky({"OK", "OK", "WARNING", "WARNING"}));
  EXPECT_FALSE(isFlaky({"BASELINE CREATED", "OK", "OK"}));
  EXPECT_TRUE(isFlaky({"OK", "WARNING", "OK"}));
  EXPECT_TRUE(isFlaky({"WARNING", "OK", "FAILED", "FAILED"}));
  EXPECT_FALSE(isFlaky({}));
}

}  // namespace
}  // namespace rc::tools
