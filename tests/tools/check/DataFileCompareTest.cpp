#include <gtest/gtest.h>

#include "tools/check/DataFileCompare.h"

namespace rc::tools {
namespace {

std::optional<DataFileChange> compare(std::string_view a, std::string_view b, const std::string& t = "5,1e-9") {
  return firstDataChange(a, b, t);
}

TEST(DataFileCompare, NumbersAgreeWithinTheTolerance) {
  EXPECT_FALSE(compare("Default 12 \r\n 0.01 \r\n", "Default 12 \r\n 0.0102 \r\n"));
  EXPECT_FALSE(compare("a\nb\n", "a\r\nb\r\n"));  // line ends are not content
  std::optional<DataFileChange> c = compare("Default 12 \r\n", "Default 13 \r\n");
  ASSERT_TRUE(c);
  EXPECT_EQ(describeChange(*c), "line 1: baseline \"Default 12 \", new \"Default 13 \"");
}

TEST(DataFileCompare, EveryOtherItemMustBeTheSame) {
  // A renamed configuration, a failing feature, extra words: all changes.
  EXPECT_EQ(compare("Default 12 \r\n", "Renamed 12 \r\n")->line, 1u);
  EXPECT_EQ(compare(" 3 \r\n**\r\n", " 3 \r\n*Drawing View2;*\r\n")->line, 2u);
  EXPECT_EQ(compare("Sheet1\r\n", "Sheet1 extra\r\n")->line, 1u);
  EXPECT_TRUE(compare("1 2", "1 2 3"));
}

TEST(DataFileCompare, LinesAddedOrMissingAtTheEnd) {
  std::optional<DataFileChange> longer = compare("a\r\n", "a\r\nb\r\n");
  ASSERT_TRUE(longer);
  EXPECT_EQ(longer->line, 2u);
  EXPECT_EQ(longer->baseline, "");
  EXPECT_EQ(longer->fresh, "b");
  EXPECT_EQ(compare("a\r\nb\r\n", "a\r\n")->baseline, "b");
  EXPECT_FALSE(compare("", ""));
}

TEST(DataFileCompare, FloorFollowsTheToleranceGiven) {
  EXPECT_FALSE(compare("0.02", "2", "5"));    // both below the floor of 5
  EXPECT_TRUE(compare("0.02", "2", "5,1e-9"));
  EXPECT_FALSE(compare("1e-12 0", "-1e-12 2e-10"));  // noise
}

TEST(DataFileCompare, NegativeNumbersAreHeldToTheTolerance) {
  EXPECT_TRUE(compare("-0.01", "-5"));
  EXPECT_TRUE(compare("-0.01", "0.01"));
  EXPECT_FALSE(compare("-100", "-102"));
}

}  // namespace
}  // namespace rc::tools
