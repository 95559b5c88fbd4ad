#include "Core/checks/PerformanceTimers.h"
#include "Core/properties/PropertyFile.h"
#include "tests/Core/CoreTestFixture.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/Registry.h"

namespace rc::testing {
namespace {

using automation::Variant;

class PerformanceTimersTest : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    app = newSession("10");
  }
  double run(const char* perfType, int test, std::optional<int> param = std::nullopt) {
    std::vector<Variant> args{Variant(perfType), Variant::integer(static_cast<std::int16_t>(test))};
    if (param) args.push_back(Variant::integer(static_cast<std::int16_t>(*param)));
    return automation::call(app, "TestPerformance", args).toDouble();
  }
  void log(const char* key, const char* value) { core::SetProperty(key, path("Performance.log"), value, "B1"); }
  void baseline(const char* key, const char* value) { core::SetProperty(key, path("bracket.properties"), value, "B1"); }
  std::string stored(const char* key) { return core::GetProperty(key, path("bracket.properties"), false); }

  automation::ObjectRef app;
};

TEST(PerformanceKey, ExpTypesUseTheTextAfterTheLastUnderscore) {
  EXPECT_EQ(core::performanceBaselineKey("Exp_Open_Part"), "Part");
  EXPECT_EQ(core::performanceBaselineKey("Exp_Rebuild"), "Rebuild");
  EXPECT_EQ(core::performanceBaselineKey("exp_Open_Part"), "exp_Open_Part");
  EXPECT_EQ(core::performanceBaselineKey("Open_Part"), "Open_Part");
}

TEST_F(PerformanceTimersTest, SlowerTimeJournalsAWarningBlock) {
  log("Rebuild", "25");
  baseline("Rebuild", "20");
  EXPECT_EQ(run("Rebuild", 1), 25);
  EXPECT_EQ(read("journal.txt"),
            "\r\n'*** WARNING - Rebuild\r\n'*** 25% more\r\n'*** New = 25 sec\r\n'*** BaseLine = 20 sec\r\n\r\n");
  EXPECT_EQ(automation::call(app, "BLFile").toText(), path("bracket.properties"));
  EXPECT_EQ(automation::call(app, "perfLog").toText(), path("Performance.log"));
}

TEST_F(PerformanceTimersTest, SmallTimesBelowTheFloorPass) {
  log("Rebuild", "2.5");
  baseline("Rebuild", "2.0");
  EXPECT_EQ(run("Rebuild", 1), 2.5);
  EXPECT_FALSE(platform::fileExists(path("journal.txt")));
}

TEST_F(PerformanceTimersTest, ExpTypesKeepTheirBaselineUnderTheShortKey) {
  log("Exp_Open_Part", "40");
  EXPECT_EQ(run("Exp_Open_Part", 1), 40);
  EXPECT_EQ(stored("Part"), "40      ");
  EXPECT_FALSE(platform::fileExists(path("journal.txt")));

  platform::writeFile(path("Performance.log"), "");
  log("Exp_Open_Part", "60");
  EXPECT_EQ(run("Exp_Open_Part", 1), 60);
  std::string journal = read("journal.txt");
  EXPECT_EQ(journal.substr(0, journal.find("\r\n", 2)), "\r\n'*** WARNING - Exp_Open_Part");
}

TEST_F(PerformanceTimersTest, WithoutTestOnlyTheTimeIsReadAndSumModeAddsLines) {
  log("Rebuild", "1.5");
  log("Rebuild", "1.5");
  log("Rebuild", "2");
  EXPECT_EQ(run("Rebuild", 0), 1.5);
  EXPECT_EQ(run("Rebuild", 0, 1), 5);
  EXPECT_EQ(run("Rebuild", 0, 2), 1.5);
  EXPECT_FALSE(platform::fileExists(path("bracket.properties")));
}

TEST_F(PerformanceTimersTest, MissingTimesAndErrors) {
  // No log: -1, and no baseline is created from it.
  EXPECT_EQ(run("Rebuild", 1), -1);
  EXPECT_FALSE(platform::fileExists(path("bracket.properties")));
  // With a baseline, -1 is compared like any time.
  baseline("Rebuild", "20");
  EXPECT_EQ(run("Rebuild", 1), -1);
  EXPECT_NE(read("journal.txt").find("'*** New = -1 sec"), std::string::npos);

  log("Rebuild", "slow");
  EXPECT_EQ(run("Rebuild", 0), -999);
  automation::letProperty(app, "NameOnly", Variant("bolt"));
  EXPECT_EQ(run("Rebuild", 0), -999);
  EXPECT_FALSE(platform::fileExists(path("TraceLog.log")));
}

TEST_F(PerformanceTimersTest, SimpleWriteErrorAppendsTheCallersBlock) {
  std::vector<Variant> args{Variant("Open"), Variant("3.5"), Variant("2"), Variant("75% more"), Variant("sec"),
                            Variant(path("journal.txt"))};
  automation::call(app, "SimpleWriteError", args);
  EXPECT_EQ(read("journal.txt"),
            "\r\n'*** WARNING - Open\r\n'*** 75% more\r\n'*** New = 3.5 sec\r\n'*** BaseLine = 2 sec\r\n\r\n");
}

TEST(Stopwatch, ElapsedTimeSurvivesACounterWrap) {
  EXPECT_EQ(core::elapsedTicks(1000, 1500), 500u);
  EXPECT_EQ(core::elapsedTicks(-296, 200), 496u);  // start 2^32 - 296
  // Start 2^31 - 648, stop 2^31 + 352 (negative as a signed reading).
  EXPECT_EQ(core::elapsedTicks(2147483000, static_cast<std::int32_t>(2147484000u)), 1000u);
}

TEST_F(PerformanceTimersTest, StopTimerAnswersTheMilliseconds) {
  automation::call(app, "StartTimer");
  std::string text = automation::call(app, "StopTimer").toText();
  ASSERT_EQ(text.rfind("Timer Change = ", 0), 0u);
  EXPECT_LT(std::stoul(text.substr(15)), 10000u);
}

}  // namespace
}  // namespace rc::testing
