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

// Every block journalBlockLines() writes comes back whole from
// parseJournalBlocks(), in either form, among the other lines a journal holds.
TEST(JournalBlocks, WrittenBlocksParseBackAmongOtherLines) {
  const std::vector<JournalBlock> written{
      {"EdgeCount", "110", "100", "10.00% more", "edges", std::string(core::journal::kWarning), ""},
      {"FileSize", "2048", "-1", "", "bytes", std::string(core::journal::kInfo), ""},
      // A version text holds spaces and has no units.
      {"FileVersion", "Vexlar 2024 SP1", "Vexlar 2023", "", "", std::string(core::journal::kWarning), ""},
      {"Exp_Open", "1,5", "0,5", "200%", "sec", std::string(core::journal::kWarning), ""},
      {"Pixel Compare - PP", "", "", "<U>Unmatched Pix:</U> 12", "<U>ColorChange Pix:</U> 3",
       std::string(core::journal::kPixelWarning), "<U>Size Change, X:</U>1 ,<U>Y:</U>0"},
      {"Pixel Compare", "", "", std::string(core::journal::kBaseLineCreated), "",
       std::string(core::journal::kPixelWarning), ""},
  };
  std::vector<std::string> journal = core::journalHeaderLines("Warning (ST)");
  journal.push_back("'*** WARNING - Change in Mass Properties  11");  // a title with no block of ours after it
  journal.push_back("'*** part.vxlprt");
  for (const JournalBlock& b : written) {
    const bool pixel = b.Name.find(core::journal::kPixelCompare) != std::string::npos;
    for (const std::string& line : core::journalBlockLines(b, pixel)) journal.push_back(line);
    journal.push_back("'   Feature List");
  }
  EXPECT_EQ(core::parseJournalBlocks(journal), written);
}

TEST(JournalBlocks, TruncatedOrForeignLinesGiveNoBlock) {
  EXPECT_TRUE(core::parseJournalBlocks({}).empty());
  EXPECT_TRUE(core::parseJournalBlocks({"'*** WARNING - EdgeCount"}).empty());
  EXPECT_TRUE(core::parseJournalBlocks({"'*** WARNING - EdgeCount", "'*** 10%", "'*** New = 1 edges"}).empty());
  // A New line without its BaseLine line is no block.
  EXPECT_TRUE(core::parseJournalBlocks({"'*** Info - FileSize", "'*** ", "'*** New = 1 bytes", "'*** other"}).empty());
  EXPECT_TRUE(core::parseJournalBlocks({"*** WARNING - Pixel Compare", ""}).empty());
  EXPECT_TRUE(core::parseJournalBlocks({"'*** New = 1 edges", "'*** BaseLine = 2 edges"}).empty());
}

TEST(JournalBlocks, ValuesWithoutCommonUnitsComeBackWhole) {
  const auto blocks =
      core::parseJournalBlocks({"'*** WARNING - Key", "'*** ", "'*** New = 1 a", "'*** BaseLine = 2 b"});
  ASSERT_EQ(blocks.size(), 1u);
  EXPECT_EQ(blocks[0].NewValue, "1 a");
  EXPECT_EQ(blocks[0].BaseValue, "2 b");
  EXPECT_EQ(blocks[0].Units, "");
}

}  // namespace
}  // namespace rc::testing
