#include "tests/Core/CoreTestFixture.h"
#include "Core/frame/JournalWriters.h"
#include "Core/frame/TraceLog.h"

namespace rc::testing {
namespace {

using JournalWritersTest = CoreTest;
using TraceLogTest = CoreTest;

using core::JournalBlock;

TEST_F(JournalWritersTest, AppendedBlockHasSixLinesWithTrailingSpaces) {
  JournalBlock b{"FileSize", "2048", "-1", "", "bytes", "'*** Info - ", ""};
  core::AppendJournalBlock(b, path("journal.txt"));
  EXPECT_EQ(read("journal.txt"),
            "\r\n'*** Info - FileSize\r\n'*** \r\n'*** New = 2048 bytes\r\n'*** BaseLine = -1 bytes\r\n\r\n");
}

TEST_F(JournalWritersTest, AppendToMissingFolderShowsMessageAndWritesNothing) {
  JournalBlock b{"FileSize", "1", "1", "", "", "'*** Info - ", ""};
  core::AppendJournalBlock(b, path("nowhere/journal.txt"));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "Path not found");
  core::AppendJournalBlock(b, "");
  EXPECT_EQ(messages.size(), 2u);
}

TEST_F(JournalWritersTest, RecordedBlockGoesThroughTheHostLineByLine) {
  core::RecordJournalBlock({"EdgeCount", "110", "100", "10% more", "edges", "'*** WARNING - ", ""}, 0, false);
  std::vector<std::string> want{"", "'*** WARNING - EdgeCount", "'*** 10% more", "'*** New = 110 edges",
                                "'*** BaseLine = 100 edges", ""};
  EXPECT_EQ(host->journal, want);

  host->journal.clear();
  core::RecordJournalBlock({"Pixel Compare Sheet1", "", "", "12 pixels", "differ", "*** WARNING - ", "x.bmp"}, 0, false);
  std::vector<std::string> pixel{"", "*** WARNING - Pixel Compare Sheet1", "'*** 12 pixels    differ    x.bmp", ""};
  EXPECT_EQ(host->journal, pixel);
}

TEST_F(JournalWritersTest, RecordedBlockFailureShowsDescription) {
  host->failRecordLine = true;
  core::RecordJournalBlock({"EdgeCount", "1", "2", "", "", "'*** WARNING - ", ""}, 0, false);
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], "journal unavailable");
}

TEST_F(JournalWritersTest, HeaderIsCentredUpToFortyFiveCharacters) {
  auto spaces = [](std::string_view header) {
    std::string line = core::journalHeaderLines(header)[2];
    return line.size() - 4 - header.size();
  };
  EXPECT_EQ(spaces("Information (ST)"), 15u);
  EXPECT_EQ(spaces("Warning (ST)"), 17u);
  EXPECT_EQ(spaces(std::string(44, 'x')), 1u);
  EXPECT_EQ(spaces(std::string(45, 'x')), 0u);
  EXPECT_EQ(spaces(std::string(46, 'x')), 0u);
  EXPECT_EQ(spaces("abc"), 21u);
  auto lines = core::journalHeaderLines("Warning (ST)");
  EXPECT_EQ(lines[0], "");
  EXPECT_EQ(lines[1], "'   ---------------------------------------------");
  EXPECT_EQ(lines[3], lines[1]);
}

TEST_F(JournalWritersTest, HeaderFailureGoesToModuleTrace) {
  host->failRecordLine = true;
  core::MessageHeaderToJournal("Warning (ST)", 0, false);
  EXPECT_EQ(moduleTrace(), "\"MessageHeaderToJournal Failed:   journal unavailable\"\r\n");
}

TEST_F(TraceLogTest, TraceLinesAreQuotedAndEmptyFolderMeansDriveRoot) {
  core::WriteTraceLog(path(""), "TestEdgeCount - Enter");
  EXPECT_EQ(read("TraceLog.log"), "\"TestEdgeCount - Enter\"\r\n");
  core::WriteTraceLog("", "say \"hi\"");
  EXPECT_EQ(moduleTrace(), "\"say \"hi\"\"\r\n");
  EXPECT_THROW(core::WriteTraceLog(path("missing"), "x"), automation::AutomationError);
}

}  // namespace
}  // namespace rc::testing
