#include <gtest/gtest.h>

#include "tools/check/CheckCatalog.h"
#include "tools/check/CheckOptions.h"
#include "tools/common/Command.h"

namespace rc::tools {
namespace {

TEST(ToleranceOption, OneNumberIsAPercentageWithTheDefaultFloor) {
  ToleranceText t = parseToleranceOption("5");
  EXPECT_EQ(t.percent, 5);
  EXPECT_EQ(t.floor, 1e-9);
  // The library reads a lone number as percent and floor: it is given both.
  EXPECT_EQ(toleranceForLibrary("5"), "5,1e-9");
  EXPECT_EQ(toleranceForLibrary(" 0.5 "), "0.5,1e-9");
  EXPECT_EQ(toleranceForLibrary("5,5"), "5,5");
  EXPECT_EQ(describeTolerance("5"), "5 % (noise floor 1e-09)");
  t = parseToleranceOption(" 2.5 , 1e-9 ");
  EXPECT_EQ(t.percent, 2.5);
  EXPECT_EQ(t.floor, 1e-9);
  EXPECT_EQ(describeTolerance(kDefaultTolerance), "5 % (noise floor 1e-09)");
}

TEST(ToleranceOption, RefusesWhatIsNotTwoFiniteAmounts) {
  for (const char* bad : {"", ",", "garbage", "-5", "5,-1", "1e999", "5,", ",5", "5,1,2", "nan", "inf", "5%", "0x10"})
    EXPECT_THROW(parseToleranceOption(bad), UsageError) << bad;
}

TEST(SecondsOption, FiniteAndNotNegative) {
  EXPECT_EQ(parseSecondsOption("--time-floor", "0.5"), 0.5);
  EXPECT_EQ(parseSecondsOption("--time-floor", "0"), 0);
  for (const char* bad : {"", "-1", "x", "1e400"}) EXPECT_THROW(parseSecondsOption("--time-floor", bad), UsageError);
}

TEST(CheckNames, MatchedWithoutCaseOrSpacesInCatalogOrder) {
  const std::vector<CheckEntry>& catalog = checkCatalog();
  EXPECT_EQ(resolveCheckNames("", catalog), std::vector<std::string>{});
  EXPECT_EQ(resolveCheckNames(" testfilesize ,TESTEDGECOUNT,,", catalog),
            (std::vector<std::string>{"TestEdgeCount", "TestFileSize"}));
  EXPECT_EQ(resolveCheckNames("TestPerformance", catalog), std::vector<std::string>{"TestPerformance(Exp_Open)"});
}

TEST(CheckNames, UnknownNameSuggestsTheNearest) {
  try {
    resolveCheckNames("TestEdgeCount, TestFileSise", checkCatalog());
    FAIL() << "accepted an unknown name";
  } catch (const UsageError& e) {
    std::string message = e.what();
    EXPECT_NE(message.find("\"TestFileSise\""), std::string::npos) << message;
    EXPECT_NE(message.find("did you mean TestFileSize?"), std::string::npos) << message;
  }
}

TEST(CheckList, EveryCheckWithItsTypesAndWhatItMeasures) {
  std::string text = checkListText(checkCatalog());
  for (const CheckEntry& e : checkCatalog()) {
    EXPECT_FALSE(e.measures.empty()) << e.name;
    EXPECT_NE(text.find(e.name + " "), std::string::npos) << e.name;
  }
  EXPECT_NE(text.find("ViewCutPaste"), std::string::npos);
}

}  // namespace
}  // namespace rc::tools

namespace rc::tools {
namespace {

TEST(ShardOption, TakesEveryNthDocumentFromTheKth) {
  Shard s = parseShardOption("2/3");
  std::vector<std::size_t> taken;
  for (std::size_t i = 0; i < 8; ++i)
    if (s.takes(i)) taken.push_back(i);
  EXPECT_EQ(taken, (std::vector<std::size_t>{1, 4, 7}));
  EXPECT_TRUE(parseShardOption("1/1").takes(5));
  for (const char* bad : {"", "1", "0/3", "4/3", "1/0", "a/b", "1/3/4", "-1/3", "1 /3", "99999999999999999999/1"})
    EXPECT_THROW(parseShardOption(bad), UsageError) << bad;
}

TEST(JobsOption, OneOrMoreSessions) {
  EXPECT_EQ(parseJobsOption("4"), 4u);
  for (const char* bad : {"", "0", "-2", "x", "2x", "100000"}) EXPECT_THROW(parseJobsOption(bad), UsageError) << bad;
}

}  // namespace
}  // namespace rc::tools
