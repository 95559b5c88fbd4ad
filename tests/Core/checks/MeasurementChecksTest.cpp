#include "tests/Core/CoreTestFixture.h"
#include "Core/properties/PropertyFile.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/Registry.h"

namespace rc::testing {
namespace {

using automation::Variant;

class MeasurementChecksTest : public CoreTest {
 protected:
  void SetUp() override {
    CoreTest::SetUp();
    app = newSession();
    host->doc->setFaces({{4, 2}, {4, 2}, {3, 1}, {5, 3}});  // 16 edges over two: 8
  }
  int run(const char* check) { return automation::call(app, check).toLong(); }
  std::string baseline(const char* key) { return core::GetProperty(key, path("bracket.properties"), false); }
  std::string trace() { return read("TraceLog.log"); }

  automation::ObjectRef app;
};

TEST_F(MeasurementChecksTest, EdgeCountCreatesBaselineThenWarnsOnChange) {
  EXPECT_EQ(run("TestEdgeCount"), 0);
  EXPECT_EQ(baseline("EdgeCount"), "8      ");
  EXPECT_TRUE(host->journal.empty());
  EXPECT_EQ(host->doc->selectedFaces, 4);
  EXPECT_EQ(host->doc->clearSelections, 2);
  EXPECT_EQ(trace(), "\"TestEdgeCount - Enter\"\r\n\"TestEdgeCount - Exit\"\r\n");

  host->doc->setFaces({{4, 2}, {4, 2}, {5, 1}, {5, 3}});  // 9 edges: 12.5% more
  EXPECT_EQ(run("TestEdgeCount"), 0);
  std::vector<std::string> want{"", "'*** WARNING - EdgeCount", "'*** 13% more", "'*** New = 9 edges",
                                "'*** BaseLine = 8 edges", ""};
  EXPECT_EQ(host->journal, want);
}

TEST_F(MeasurementChecksTest, EdgeCountOfNonPartIsZero) {
  core::SetProperty("EdgeCount", path("bracket.properties"), "120", "B1");
  host->doc->type = 2;
  EXPECT_EQ(run("TestEdgeCount"), 0);
  ASSERT_EQ(host->journal.size(), 6u);
  EXPECT_EQ(host->journal[2], "'*** 100% less");
  EXPECT_EQ(host->journal[3], "'*** New = 0 edges");
}

TEST_F(MeasurementChecksTest, OddEdgeTotalKeepsTheHalf) {
  host->doc->setFaces({{4, 0}, {5, 0}, {4, 0}, {12, 0}});
  EXPECT_EQ(run("TestEdgeCount"), 0);
  EXPECT_EQ(baseline("EdgeCount"), "12.5      ");
}

TEST_F(MeasurementChecksTest, FailuresGiveResultOneAndTheirTraceLine) {
  automation::letProperty(app, "NameOnly", Variant("bolt"));
  EXPECT_EQ(run("TestEdgeCount"), 1);
  EXPECT_EQ(trace(), "\"TestEdgeCount - Enter\"\r\n\"TestEdgeCount - Failure\"\r\n");
  EXPECT_EQ(run("TestTessTriangleCount"), 1);
  EXPECT_NE(trace().find("\"TestTessTriangleCount - Failed\"\r\n"), std::string::npos);

  automation::letProperty(app, "NameOnly", Variant("bracket"));
  platform::writeFile(path("bracket.properties"), "EdgeCount = many\r\n");
  EXPECT_EQ(run("TestEdgeCount"), 1);
  EXPECT_TRUE(host->journal.empty());
}

TEST_F(MeasurementChecksTest, EnterLineFailureReachesTheCaller) {
  automation::letProperty(app, "ResultPath", Variant(path("missing")));
  EXPECT_THROW(run("TestEdgeCount"), automation::AutomationError);
}

TEST_F(MeasurementChecksTest, NoDocumentCountsZeroWithMessages) {
  host->doc.reset();
  EXPECT_EQ(run("TestEdgeCount"), 0);
  EXPECT_EQ(baseline("EdgeCount"), "0      ");
  EXPECT_EQ(messages.size(), 3u);  // GetType, ClearSelection, Body
}

TEST_F(MeasurementChecksTest, TriangleCountIsNotHalved) {
  EXPECT_EQ(run("TestTessTriangleCount"), 0);
  EXPECT_EQ(baseline("TessTriangleCount"), "8      ");
  EXPECT_EQ(host->doc->selectedFaces, 0);
}

TEST_F(MeasurementChecksTest, FileSizeJournalsEveryRun) {
  platform::writeFile(path("bracket.vxlprt"), "{}");
  platform::writeFile(path("copy.vxlprt"), std::string(2048, 'x'));
  std::vector<Variant> args{Variant(path("copy.vxlprt"))};
  EXPECT_EQ(automation::call(app, "TestFileSize", args).toLong(), 0);
  EXPECT_EQ(read("journal.txt"),
            "\r\n'*** Info - FileSize\r\n'*** \r\n'*** New = 2048 bytes\r\n'*** BaseLine = -1 bytes\r\n\r\n");
  platform::writeFile(path("journal.txt"), "");
  automation::call(app, "TestFileSize", args);
  EXPECT_EQ(read("journal.txt"),
            "\r\n'*** Info - FileSize\r\n'*** \r\n'*** New = 2048 bytes\r\n'*** BaseLine = 2048 bytes\r\n\r\n");
  platform::writeFile(path("journal.txt"), "");
  platform::writeFile(path("copy.vxlprt"), std::string(2200, 'x'));
  automation::call(app, "TestFileSize", args);
  EXPECT_EQ(read("journal.txt"),
            "\r\n'*** WARNING - FileSize\r\n'*** 7% more\r\n'*** New = 2200 bytes\r\n'*** BaseLine = 2048 bytes\r\n\r\n");
}

TEST_F(MeasurementChecksTest, FileSizeWithoutFileOrBaselineWritesNothing) {
  std::vector<Variant> args{Variant(path("none.vxlprt"))};
  EXPECT_EQ(automation::call(app, "TestFileSize", args).toLong(), 0);
  EXPECT_FALSE(platform::fileExists(path("bracket.properties")));
  EXPECT_FALSE(platform::fileExists(path("journal.txt")));
}

}  // namespace
}  // namespace rc::testing
