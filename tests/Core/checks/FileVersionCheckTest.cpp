#include "Core/checks/FileVersionCheck.h"
#include "Core/frame/JournalWriters.h"
#include "Core/properties/PropertyFile.h"
#include "tests/Core/CoreTestFixture.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/Registry.h"

namespace rc::testing {
namespace {

using automation::Variant;

class FileVersionCheckTest : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    app = newSession();
    host->doc->versionHistory = {"2000", "2500", "3000"};
  }
  int run(int test, int enterDB) {
    std::vector<Variant> args{Variant::integer(static_cast<std::int16_t>(test)),
                              Variant::integer(static_cast<std::int16_t>(enterDB))};
    return automation::call(app, "TestFileVersion", args).toLong();
  }
  std::string properties() { return read("bracket.properties"); }

  automation::ObjectRef app;
};

const std::string kEnterExit = "\"TestFileVersion - Enter\"\r\n\"TestFileVersion - Exit\"\r\n";

TEST(CurrentVersion, IsTheOneBeforeTheLastWhenSlotOneIsFilled) {
  EXPECT_EQ(core::currentVersionIndex({"A"}), 0u);
  EXPECT_EQ(core::currentVersionIndex({"A", "B"}), 0u);
  EXPECT_EQ(core::currentVersionIndex({"A", "B", "C"}), 1u);
  EXPECT_EQ(core::currentVersionIndex({"A", "", "C"}), 2u);
  EXPECT_THROW(core::currentVersionIndex({}), automation::AutomationError);
}

TEST_F(FileVersionCheckTest, ListingShowsTheHistoryUpToTheCurrentVersion) {
  EXPECT_EQ(run(0, 1), 0);
  std::vector<std::string> want = core::journalHeaderLines("Information (ST)");
  for (const char* line : {"'   Version History", "'      2000", "'      2500", "'   End Version History", " "})
    want.emplace_back(line);
  EXPECT_EQ(host->journal, want);
  EXPECT_FALSE(platform::fileExists(path("bracket.properties")));
  EXPECT_EQ(read("TraceLog.log"), kEnterExit);
}

TEST_F(FileVersionCheckTest, BaselineIsStoredOnceAndItsTrailingSpacesDoNotWarn) {
  EXPECT_EQ(run(1, 0), 0);
  EXPECT_EQ(core::GetProperty("FileVersion", path("bracket.properties"), false), "2500      ");
  EXPECT_TRUE(host->journal.empty());
  std::string stored = properties();

  EXPECT_EQ(run(1, 0), 0);
  EXPECT_TRUE(host->journal.empty());
  EXPECT_EQ(properties(), stored);

  host->doc->versionHistory = {"2000", "3000", "3100"};
  EXPECT_EQ(run(1, 0), 0);
  std::vector<std::string> want{"", "'*** WARNING - FileVersion", "'*** ", "'*** New = 3000 ", "'*** BaseLine = 2500 ", ""};
  EXPECT_EQ(host->journal, want);
  EXPECT_EQ(properties(), stored);
}

TEST_F(FileVersionCheckTest, EmptyHistoryFailsWithTheExitLine) {
  host->doc->versionHistory.clear();
  EXPECT_EQ(run(1, 1), 1);
  EXPECT_EQ(read("TraceLog.log"), kEnterExit);
  EXPECT_EQ(host->journal.size(), 5u);  // header and title were sent before the history was read
  EXPECT_FALSE(platform::fileExists(path("bracket.properties")));

  automation::letProperty(app, "NameOnly", Variant("bolt"));
  host->doc->versionHistory = {"A"};
  EXPECT_EQ(run(1, 0), 1);
}

TEST_F(FileVersionCheckTest, NoDocumentGivesAnEmptyVersionAndWritesNothing) {
  host->doc.reset();
  EXPECT_EQ(run(1, 1), 0);
  EXPECT_TRUE(host->journal.empty());
  EXPECT_FALSE(platform::fileExists(path("bracket.properties")));
}

TEST_F(FileVersionCheckTest, AVersionWithALineBreakFailsInsteadOfForgingABaselineLine) {
  host->doc->versionHistory = {"2000", "2500\r\nEdgeCount = 999", "3000"};
  EXPECT_EQ(run(1, 0), 1);
  EXPECT_FALSE(platform::fileExists(path("bracket.properties")));
  EXPECT_EQ(core::GetProperty("EdgeCount", path("bracket.properties"), false), "-1");
}

}  // namespace
}  // namespace rc::testing
