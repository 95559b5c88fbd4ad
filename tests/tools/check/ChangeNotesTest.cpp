#include <gtest/gtest.h>

#include "tools/check/ChangeNotes.h"
#include "tools/check/CheckRunner.h"
#include "tools/check/DataFileCompare.h"
#include "tools/check/StructureSnapshot.h"

namespace rc::tools {
namespace {

const std::vector<std::string> kMassBlock = {
    "'*** WARNING - Change in Mass Properties  11",
    "'*** Largest Difference: 20.0% in Mass",
    "'*** 04,Volume,0.00012000000000,0.00013000000000,8.3333333%,Failure",
    "'*** 05,Area,0.03400000000000,0.03400000000000,0.0000000%,Ignore",
    "'*** 06,Mass,1.56000000000000,1.87200000000000,20.0000000%,Failure",
    // The journal file carries the same block again.
    "'*** 06,Mass,1.56000000000000,1.87200000000000,20.0000000%,Failure",
};

TEST(MassNotes, TheQuantityThatMovedMostLeadsAndEveryOneBeyondIsListedOnce) {
  std::vector<QuantityChange> q = massQuantities(kMassBlock);
  ASSERT_EQ(q.size(), 3u);
  CheckRow row;
  describeMassChange(q, "Default", row);
  EXPECT_EQ(row.newValue, "1.872");
  EXPECT_EQ(row.baseValue, "1.56");
  EXPECT_EQ(row.detail,
            "Mass 1.56 \u2192 1.872 (+20.0 %) in Default; beyond the tolerance: Volume 0.00012 \u2192 0.00013 "
            "(+8.3 %), Mass 1.56 \u2192 1.872 (+20.0 %)");
  QuantityChange down{"Mass", 1.56, 1.248, true};
  EXPECT_EQ(quantityText(down), "Mass 1.56 \u2192 1.248 (-20.0 %)");
  CheckRow quiet;
  describeMassChange(massQuantities({"'*** 05,Area,1,1,0.0%,Ignore"}), "Default", quiet);
  EXPECT_TRUE(quiet.detail.empty() && quiet.newValue.empty());
}

TEST(DataFileNotes, EveryChangedLineIsFoundAndLabelled) {
  const std::string base = "Default 12 \n1\n2\n3\n4\n5\n1.56\n7\n8\n9\n10\n11\n12\nLong 12 \n1\n";
  const std::string fresh = "Default 12 \n1\n2\n3\n4\n5\n1.872\n7\n8\n9\n10\n11\n12\nLonger 12 \n1\n";
  std::vector<DataFileChange> all = dataChanges(base, fresh, "5,1e-9");
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].line, 7u);
  EXPECT_EQ(dataLineLabel("MassPropertyInCinfigs.dat", base, 7), "configuration Default: Mass");
  EXPECT_EQ(dataLineLabel("MassPropertyInCinfigs.dat", base, 14), "configuration Long: name and edges");
  EXPECT_EQ(dataLineLabel("MassPropertyInCinfigs.dat", "Default\n", 1), "configuration Default: name");
  EXPECT_EQ(dataLineLabel("RavelcrestPartAssembly.dat", "Default\n4\n*Cut1;*\n12\n", 3),
            "configuration Default: failed features");
  EXPECT_EQ(dataLineLabel("RavelcrestDrawing.dat", "Sheet1\n2\n**\nx.BMP\nSheet2\n", 7), "sheet Sheet2: failed features");
  EXPECT_EQ(dataLineLabel("RavelcrestPartAssemblyConfigCount.dat", "2\n", 1), "number of configurations");
  EXPECT_EQ(dataLineLabel("other.dat", base, 1), "");
  // A line past the baseline's end has no owner to name, but never reads outside it.
  EXPECT_EQ(dataLineLabel("MassPropertyInCinfigs.dat", "", 41), "configuration : COM_X");
}

TEST(StructureSnapshot, DifferencesNameTheItemAndTheField) {
  std::vector<SnapshotItem> base = {{"bolt-1", {{"file", "bolt.vxlprt"}, {"suppression", "2"}, {"hidden", "no"}}},
                                    {"nut-1", {{"file", "nut.prt"}, {"suppression", "2"}, {"hidden", "no"}}}};
  std::vector<SnapshotItem> fresh = {{"bolt-1", {{"file", "sub/bolt.vxlprt"}, {"suppression", "0"}, {"hidden", "no"}}},
                                     {"washer-1", {{"file", "w.prt"}, {"suppression", "2"}, {"hidden", "yes"}}}};
  EXPECT_EQ(snapshotDifferences(base, fresh),
            (std::vector<std::string>{"bolt-1: file bolt.vxlprt -> sub/bolt.vxlprt", "bolt-1: suppression 2 -> 0",
                                      "removed nut-1", "added washer-1"}));
  EXPECT_TRUE(snapshotDifferences(base, base).empty());
  // The file form reads back to the same items, odd names included.
  std::vector<SnapshotItem> odd = {{"a=b c", {{"file", "x=y.prt"}, {"hidden", ""}}}};
  std::vector<SnapshotItem> back = parseSnapshot(snapshotText(odd));
  ASSERT_EQ(back.size(), 1u);
  EXPECT_EQ(back[0].key, "a=b c");
  EXPECT_EQ(back[0].fields, odd[0].fields);
  EXPECT_EQ(joinLimited({"a", "b", "c"}, 2), "a; b; and 1 more");
}

TEST(JournalSnapshot, VolatileLinesAreLeftOutAndRepeatedContentKept) {
  std::vector<std::string> journal = {"",
                                      "'                  Information (ST)",
                                      "'   Feature List",
                                      "'   Run at 14:05:22 on 2026-12-08",
                                      "'   Process ID: 4242",
                                      "'   took 0.25 seconds",
                                      "'      Note    Qty: 2",
                                      "'   Feature List",
                                      "'      Note    Qty: 2"};
  // The journal is read from one source, so a block that repeats was
  // written twice and is kept twice.
  EXPECT_EQ(stableJournalLines(journal), (std::vector<std::string>{"'   Feature List", "'      Note    Qty: 2",
                                                                    "'   Feature List", "'      Note    Qty: 2"}));
  EXPECT_EQ(stableJournalLines({"'a", "'b", "'a"}).size(), 3u);
}

}  // namespace
}  // namespace rc::tools
