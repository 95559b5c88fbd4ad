#include "Core/checks/MassPropertiesCheck.h"
#include "Core/frame/CheckOutcome.h"
#include "tests/Core/CoreTestFixture.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/NumberText.h"
#include "platform/automation/Registry.h"
#include "platform/os/Locale.h"

namespace rc::testing {
namespace {

using automation::Variant;

class MassPropertiesCheckTest : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    app = automation::createObject("RavelcrestCore.clsApplication");
    automation::letProperty(app, "InputFile", Variant(path("bracket.vxlprt")));
    automation::letProperty(app, "BLFile", Variant(path("bracket.mass")));
    automation::letProperty(app, "ResultPath", Variant(path("")));
    automation::letProperty(app, "VXBuild", Variant("B7"));
    automation::letProperty(app, "tolerance", Variant("5"));
    host->doc->massProperties = std::vector<double>(12, 10.0);
  }
  int run(bool reImport = false) {
    std::vector<Variant> args{Variant(reImport)};
    return automation::call(app, "TestMassProp", args).toLong();
  }
  bool failure() { return automation::call(app, "Failure").toBool(); }
  // A baseline file of the twelve values below its header line.
  void writeBaseline(const std::vector<double>& values) {
    std::string text = "Build: B1, Date: 01/02/2003\r\n";
    for (double v : values) text += automation::writeForm(v) + "\r\n";
    platform::writeFile(path("bracket.mass"), text);
  }
  std::string trace() { return read("TraceLog.log"); }

  automation::ObjectRef app;
};

const std::string kEnterExit = "\"TestMassProp - Enter\"\r\n\"TestMassProp - Exit\"\r\n";

TEST_F(MassPropertiesCheckTest, FirstRunWritesTheBaselineAndLaterEqualRunsAreQuiet) {
  host->doc->massProperties = {0.5, -1.25, 0, 8, 6, 7.8, 1e-7, 1, 1, 0, 0, 123456.789};
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(read("bracket.mass"), "Build: B7, Date: " + platform::shortDateToday() +
                                      "\r\n0.5\r\n-1.25\r\n0\r\n8\r\n6\r\n7.8\r\n1E-07\r\n1\r\n1\r\n0\r\n0\r\n"
                                      "123456.789\r\n");
  EXPECT_TRUE(host->journal.empty());
  EXPECT_FALSE(failure());
  EXPECT_EQ(trace(), kEnterExit);

  automation::letProperty(app, "Failure", Variant(true));
  EXPECT_EQ(run(), 0);
  EXPECT_FALSE(failure());
  EXPECT_TRUE(host->journal.empty());
}

TEST_F(MassPropertiesCheckTest, ChangeBeyondToleranceJournalsTheWholeTable) {
  std::vector<double> base(12, 10.0);
  base[5] = 20;
  writeBaseline(base);
  host->doc->massProperties[5] = 22;
  EXPECT_EQ(run(), 0);
  EXPECT_TRUE(failure());
  ASSERT_EQ(host->journal.size(), 17u);
  EXPECT_EQ(host->journal[0], "");
  EXPECT_EQ(host->journal[1], "'*** WARNING - Change in Mass Properties  11");
  EXPECT_EQ(host->journal[2], "'*** " + path("bracket.vxlprt"));
  EXPECT_EQ(host->journal[3], "'*** Largest Difference: 10.0% in Mass");
  EXPECT_EQ(host->journal[4], "'*** 01,COM_X,10.00000000000000,10.00000000000000,0.0000000%,Ignore");
  EXPECT_EQ(host->journal[9], "'*** 06,Mass,20.00000000000000,22.00000000000000,10.0000000%,Failure");
  EXPECT_EQ(host->journal[15], "'*** 12,Mom_YZ,10.00000000000000,10.00000000000000,0.0000000%,Ignore");
  EXPECT_EQ(host->journal[16], "");
  EXPECT_EQ(core::massPropertiesState().difference[5], -10);
}

TEST_F(MassPropertiesCheckTest, LastOutcomeSaysWhetherTheBaselineWasMadeOrCompared) {
  using State = core::CheckOutcome::State;
  auto state = [&] { return core::outcomeFromVariant(automation::call(app, "LastOutcome")).state; };
  EXPECT_EQ(run(true), 0);  // ReImport makes no baseline
  EXPECT_EQ(state(), State::Measured);
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(state(), State::Created);
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(state(), State::Agreed);
  host->doc->massProperties[5] = 22;
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(state(), State::Differed);
  EXPECT_EQ(core::outcomeFromVariant(automation::call(app, "LastOutcome")).message, "Change in Mass Properties");
  host->doc->type = 3;  // a drawing: nothing measured
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(state(), State::None);
}

TEST_F(MassPropertiesCheckTest, LargestDifferenceIsTheFirstOfTheGreatest) {
  std::vector<double> base(12, 10.0);
  writeBaseline(base);
  host->doc->massProperties[1] = 12.5;  // 25%
  host->doc->massProperties[4] = 7.5;   // 25% less: same size, later
  host->doc->massProperties[8] = 11;    // 10%
  run();
  ASSERT_EQ(host->journal.size(), 17u);
  EXPECT_EQ(host->journal[3], "'*** Largest Difference: 25.0% in COM_Y");
  EXPECT_EQ(host->journal[8], "'*** 05,Area,10.00000000000000,7.50000000000000,25.0000000%,Failure");
}

TEST_F(MassPropertiesCheckTest, NoiseFloorAndZeroBaselines) {
  // Both values below the floor that the single number also sets.
  std::vector<double> base(12, 10.0);
  base[5] = 2.0;
  writeBaseline(base);
  host->doc->massProperties[5] = 2.2;
  EXPECT_EQ(run(), 0);
  EXPECT_FALSE(failure());
  EXPECT_TRUE(host->journal.empty());

  // A 300 percent change below an explicit floor.
  automation::letProperty(app, "tolerance", Variant("5,0.001"));
  base = std::vector<double>(12, 10.0);
  base[0] = 0.0001;
  writeBaseline(base);
  host->doc->massProperties = std::vector<double>(12, 10.0);
  host->doc->massProperties[0] = 0.0004;
  run();
  EXPECT_FALSE(failure());
  EXPECT_TRUE(host->journal.empty());

  // A zero baseline compares the plain difference times 100.
  base[0] = 0;
  writeBaseline(base);
  host->doc->massProperties[0] = 0.02;
  automation::letProperty(app, "tolerance", Variant("1,0.001"));
  run();
  EXPECT_TRUE(failure());
  ASSERT_EQ(host->journal.size(), 17u);
  EXPECT_EQ(host->journal[4], "'*** 01,COM_X,0.00000000000000,0.02000000000000,2.0000000%,Failure");
}

TEST_F(MassPropertiesCheckTest, ZeroToleranceFailsEveryQuantityEvenUnchanged) {
  writeBaseline(std::vector<double>(12, 10.0));
  automation::letProperty(app, "tolerance", Variant(0.0));
  run();
  EXPECT_TRUE(failure());
  ASSERT_EQ(host->journal.size(), 17u);
  EXPECT_EQ(host->journal[3], "'*** Largest Difference: 0.0% in COM_X");
  EXPECT_EQ(host->journal[15], "'*** 12,Mom_YZ,10.00000000000000,10.00000000000000,0.0000000%,Failure");
}

TEST_F(MassPropertiesCheckTest, ReImportComparesTheFirstFiveAndNeverWrites) {
  EXPECT_EQ(run(true), 0);
  EXPECT_FALSE(platform::fileExists(path("bracket.mass")));

  writeBaseline(std::vector<double>(12, 10.0));
  host->doc->massProperties[5] = 30;  // Mass is not compared on re-import
  run(true);
  EXPECT_FALSE(failure());
  EXPECT_TRUE(host->journal.empty());

  host->doc->massProperties[4] = 30;
  run(true);
  EXPECT_TRUE(failure());
  ASSERT_EQ(host->journal.size(), 10u);
  EXPECT_EQ(host->journal[1], "'*** WARNING - Change in Mass Properties  4");
  EXPECT_EQ(host->journal[3], "'*** Largest Difference: 200.0% in Area");
  EXPECT_EQ(host->journal[8], "'*** 05,Area,10.00000000000000,30.00000000000000,200.0000000%,Failure");
}

TEST_F(MassPropertiesCheckTest, OnlyPartsWithBodiesAndAssembliesWithComponentsAreMeasured) {
  struct Case {
    int type;
    bool body;
    int components;
    bool measured;
  };
  for (Case c : {Case{1, false, -1, false}, Case{3, true, -1, false}, Case{2, true, -1, false},
                 Case{2, true, 0, false}, Case{2, true, 2, true}, Case{1, true, -1, true}}) {
    std::filesystem::remove(path("bracket.mass"));
    host->doc->type = c.type;
    host->doc->hasBody = c.body;
    host->doc->components = c.components;
    EXPECT_EQ(run(), 0) << c.type;
    EXPECT_EQ(platform::fileExists(path("bracket.mass")), c.measured) << c.type << " " << c.components;
  }
}

TEST_F(MassPropertiesCheckTest, BadBaselineFilesGiveResultOneAndKeepTheState) {
  auto& state = core::massPropertiesState();
  for (const std::string& text : {std::string(""), std::string("Build: B1\r\n"), std::string("Build: B1\r\n\r\n1\r\n"),
                                  std::string("Build: B1\r\n1\r\n2\r\n3\r\n"),
                                  std::string("Build: B1\r\n1\r\n2\r\n3\r\nheavy\r\n5\r\n6\r\n7\r\n8\r\n9\r\n10\r\n11\r\n12\r\n"),
                                  std::string("1\r\n2\r\ninf\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n10\r\n11\r\n12\r\n")}) {
    state.baseline.fill(42);
    platform::writeFile(path("bracket.mass"), text);
    platform::writeFile(path("TraceLog.log"), "");
    EXPECT_EQ(run(), 1) << text;
    EXPECT_EQ(trace(), kEnterExit);
    EXPECT_EQ(state.baseline[0], 42) << text;
    EXPECT_EQ(state.baseline[11], 42) << text;
  }
  EXPECT_TRUE(host->journal.empty());
}

TEST_F(MassPropertiesCheckTest, BaselineFieldsMayShareLinesAndTheHeaderIsOptional) {
  platform::writeFile(path("bracket.mass"), " 1.5 \r\n2,3, 4\r\n5\r\n6,7,8,9,10,11,,\r\n");
  core::ReadMassBaseline(path("bracket.mass"));
  const auto& b = core::massPropertiesState().baseline;
  EXPECT_EQ(b[0], 1.5);
  EXPECT_EQ(b[3], 4);
  EXPECT_EQ(b[10], 11);
  EXPECT_EQ(b[11], 0);  // an empty field reads as 0
}

TEST_F(MassPropertiesCheckTest, HostFaultsGiveResultOneAndJournalFaultsAreSkipped) {
  host->doc->massProperties.resize(5);
  EXPECT_EQ(run(), 1);
  EXPECT_FALSE(platform::fileExists(path("bracket.mass")));
  host->doc.reset();
  EXPECT_EQ(run(), 1);

  host->doc = std::make_shared<FakeDoc>();
  host->doc->massProperties = std::vector<double>(12, 10.0);
  writeBaseline(std::vector<double>(12, 20.0));
  host->failRecordLine = true;
  EXPECT_EQ(run(), 0);
  EXPECT_TRUE(failure());
  EXPECT_TRUE(messages.empty());

  // A value that cannot be formatted loses its own table line only.
  host->failRecordLine = false;
  host->doc->massProperties[0] = std::numeric_limits<double>::quiet_NaN();
  EXPECT_EQ(run(), 0);
  EXPECT_TRUE(failure());
  ASSERT_EQ(host->journal.size(), 16u);
  EXPECT_EQ(host->journal[3], "'*** Largest Difference: 50.0% in COM_Y");
  EXPECT_EQ(host->journal[4], "'*** 02,COM_Y,20.00000000000000,10.00000000000000,50.0000000%,Failure");
  EXPECT_EQ(host->journal[15], "");
}

}  // namespace
}  // namespace rc::testing
