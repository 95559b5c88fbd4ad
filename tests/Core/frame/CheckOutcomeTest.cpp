// clsApplication.LastOutcome: what each check found, as values beside the
// journal block it writes, and a record that no later call leaves stale.
#include "Core/frame/CheckOutcome.h"
#include "Core/frame/JournalWriters.h"
#include "Core/properties/PropertyFile.h"
#include "tests/Core/CoreTestFixture.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/Registry.h"
#include "platform/automation/SafeArray.h"

namespace rc::core {
// How a failing expectation shows an outcome.
void PrintTo(const CheckOutcome& o, std::ostream* os) {
  *os << "{" << stateName(o.state) << ", " << o.key << ", \"" << o.newValue << "\", \"" << o.baseValue << "\", \""
      << o.message << "\"}";
}
}  // namespace rc::core

namespace rc::testing {
namespace {

using automation::Variant;
using core::CheckOutcome;
using State = CheckOutcome::State;

class LastOutcome : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    app = newSession();
    host->doc->setFaces({{4, 2}, {4, 2}, {3, 1}, {5, 3}});  // 8 edges
  }
  int run(const char* check, std::vector<Variant> args = {}) { return automation::call(app, check, args).toLong(); }
  CheckOutcome outcome() { return core::outcomeFromVariant(automation::call(app, "LastOutcome")); }

  automation::ObjectRef app;
};

TEST(CheckOutcomeValue, ReadsBackWhatItWritesAndNothingFromOtherShapes) {
  for (State state : {State::None, State::Measured, State::Created, State::Agreed, State::Differed}) {
    const CheckOutcome o{state, "FileVersion", "Vexlar 2024 SP1", "Vexlar 2023", "1 more"};
    EXPECT_EQ(core::outcomeFromVariant(core::outcomeVariant(o)), o);
  }
  EXPECT_EQ(core::outcomeFromVariant(Variant()), CheckOutcome{});
  EXPECT_EQ(core::outcomeFromVariant(Variant("agreed")), CheckOutcome{});
  EXPECT_EQ(core::outcomeFromVariant(Variant(automation::SafeArray::strings({"agreed", "k"}))), CheckOutcome{});
  EXPECT_EQ(core::outcomeFromVariant(Variant(automation::SafeArray::strings({"lost", "k", "1", "2", ""}))),
            CheckOutcome{});
}

TEST_F(LastOutcome, CountIsCreatedThenAgreesThenDiffersAsItsBlockSays) {
  EXPECT_EQ(outcome(), CheckOutcome{});
  EXPECT_EQ(run("TestEdgeCount"), 0);
  EXPECT_EQ(outcome(), (CheckOutcome{State::Created, "EdgeCount", "8", "", ""}));
  EXPECT_EQ(run("TestEdgeCount"), 0);
  EXPECT_EQ(outcome(), (CheckOutcome{State::Agreed, "EdgeCount", "8", "8", ""}));
  EXPECT_TRUE(host->journal.empty());  // agreeing journals nothing, as before

  host->doc->setFaces({{4, 2}, {4, 2}, {5, 1}, {5, 3}});  // 9 edges
  EXPECT_EQ(run("TestEdgeCount"), 0);
  const std::vector<core::JournalBlock> blocks = core::parseJournalBlocks(host->journal);
  ASSERT_EQ(blocks.size(), 1u);
  EXPECT_EQ(outcome(), (CheckOutcome{State::Differed, "EdgeCount", blocks[0].NewValue, blocks[0].BaseValue,
                                     blocks[0].Diff}));
  EXPECT_EQ(outcome().newValue, "9");
}

TEST_F(LastOutcome, EveryMethodCallStartsAfreshAndReadingItChangesNothing) {
  EXPECT_EQ(run("TestEdgeCount"), 0);
  EXPECT_EQ(outcome().state, State::Created);
  EXPECT_EQ(outcome().state, State::Created);
  automation::letProperty(app, "tolerance", Variant("10"));
  EXPECT_EQ(outcome().state, State::Created);
  automation::call(app, "StartTimer");  // compares nothing
  EXPECT_EQ(outcome(), CheckOutcome{});

  // An abandoned check leaves nothing behind either.
  EXPECT_EQ(run("TestEdgeCount"), 0);
  automation::letProperty(app, "NameOnly", Variant("bolt"));
  EXPECT_EQ(run("TestEdgeCount"), 1);
  EXPECT_EQ(outcome(), CheckOutcome{});
}

TEST_F(LastOutcome, FileSizeAndVersionGiveTheirValuesWhole) {
  platform::writeFile(path("bracket.vxlprt"), "");
  platform::writeFile(path("copy.vxlprt"), std::string(2048, 'x'));
  EXPECT_EQ(run("TestFileSize", {Variant(path("copy.vxlprt"))}), 0);
  EXPECT_EQ(outcome(), (CheckOutcome{State::Created, "FileSize", "2048", "", ""}));
  EXPECT_EQ(run("TestFileSize", {Variant(path("copy.vxlprt"))}), 0);
  EXPECT_EQ(outcome(), (CheckOutcome{State::Agreed, "FileSize", "2048", "2048", ""}));

  host->doc->versionHistory = {"Vexlar 2023", "Vexlar 2024 SP1", "x"};
  core::SetProperty("FileVersion", path("bracket.properties"), "Vexlar 2023   ", "B1");
  EXPECT_EQ(run("TestFileVersion", {Variant::integer(1), Variant::integer(0)}), 0);
  EXPECT_EQ(outcome(), (CheckOutcome{State::Differed, "FileVersion", "Vexlar 2024 SP1", "Vexlar 2023", ""}));
}

TEST_F(LastOutcome, TimingsAreKeptUnderTheirBaselineKey) {
  platform::writeFile(path("Performance.log"), "Exp_Open = 25\r\n");
  const std::vector<Variant> args{Variant("Exp_Open"), Variant::integer(1)};
  EXPECT_EQ(run("TestPerformance", args), 25);
  EXPECT_EQ(outcome(), (CheckOutcome{State::Created, "Open", "25", "", ""}));
  platform::writeFile(path("Performance.log"), "Exp_Open = 50\r\n");
  EXPECT_EQ(run("TestPerformance", args), 50);
  EXPECT_EQ(outcome().state, State::Differed);
  EXPECT_EQ(outcome().baseValue, "25");
  EXPECT_EQ(outcome().message, "100% more");
  EXPECT_EQ(core::parseJournalBlocks({"'*** WARNING - Exp_Open", "'*** 100% more", "'*** New = 50 sec",
                                      "'*** BaseLine = 25 sec"})[0].Diff,
            outcome().message);
}

}  // namespace
}  // namespace rc::testing
