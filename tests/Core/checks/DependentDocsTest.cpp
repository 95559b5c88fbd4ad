// DependentDocs: the dependency list and the part and assembly totals in the
// journal, the counting rules and the failure lines.
#include <cctype>
#include <string>

#include "tests/Core/checks/SimHostFixture.h"

namespace rc::testing {
namespace {

std::vector<std::string> header() {
  return {"", "'   ---------------------------------------------", "'                  Information (ST)",
          "'   ---------------------------------------------"};
}

std::vector<std::string> totals(int parts, int assys) {
  std::vector<std::string> lines = header();
  lines.insert(lines.end(), {"'   Dependent Document Totals", "'      Number of Dependent Parts: " + std::to_string(parts),
                             "'      Number of Dependent Assys: " + std::to_string(assys), " "});
  return lines;
}

std::string lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

class DependentDocsTest : public SimHostTest {
 protected:
  au::Variant run(int test, int enterDB) {
    std::vector<au::Variant> args{au::Variant::integer(static_cast<std::int16_t>(test)),
                                  au::Variant::integer(static_cast<std::int16_t>(enterDB))};
    return au::call(app, "DependentDocs", args);
  }
};

TEST_F(DependentDocsTest, ListsLowerCasedPathsAndCountsPartsAndAssemblies) {
  // b.PRT counts as a part once lower-cased; a folder named x.asm makes its
  // part count in both; notes.txt counts in neither.
  open("Top.vxlasm", R"({ "dependencies": ["a.vxlprt", "B.PRT", "c.vxlasm", "x.asm/y.vxlprt", "notes.txt"] })", 2);
  EXPECT_EQ(run(1, 1).asInteger(), 0);

  std::vector<std::string> expected = header();
  expected.push_back("'   Dependent Document List");
  for (const char* name : {"a.vxlprt", "B.PRT", "c.vxlasm", "x.asm/y.vxlprt", "notes.txt"})
    expected.push_back("'      " + lower(path(name)));
  expected.insert(expected.end(), {"'   End Dependent Document List", " "});
  std::vector<std::string> tail = totals(3, 2);
  expected.insert(expected.end(), tail.begin(), tail.end());
  EXPECT_EQ(journal(), expected);
  EXPECT_EQ(trace(), "\"DependentDocs - Enter\"\r\n\"DependentDocs - Exit\"\r\n");
}

TEST_F(DependentDocsTest, TotalsOnlyOrNothingAsAsked) {
  open("p.vxlprt", R"({ "dependencies": ["a.vxlprt", "b.prt", "c.vxlasm"] })", 1);
  EXPECT_EQ(run(1, 0).asInteger(), 0);
  EXPECT_EQ(journal(), totals(2, 1));
  au::call(host, "SimClearJournal");
  EXPECT_EQ(run(0, 0).asInteger(), 0);
  EXPECT_TRUE(journal().empty());
}

TEST_F(DependentDocsTest, NoActiveDocumentGivesZeroTotals) {
  EXPECT_EQ(run(1, 1).asInteger(), 0);
  EXPECT_EQ(journal(), totals(0, 0));
}

TEST_F(DependentDocsTest, MissingSessionFallsBackToTheDefaultHost) {
  open("p.vxlprt", R"({ "dependencies": ["a.asm"] })", 1);
  useMissingSession();
  EXPECT_EQ(run(1, 0).asInteger(), 0);
  EXPECT_EQ(journal(), totals(0, 1));
}

TEST_F(DependentDocsTest, HostErrorWritesFailedThenExit) {
  open("p.vxlprt", R"({ "dependencies": ["a.prt"] })", 1);
  au::call(host, "SimFail", {au::Variant("GetDependencies"), au::Variant("broken"), au::Variant(1)});
  EXPECT_EQ(run(1, 1).asInteger(), 1);
  EXPECT_EQ(trace(), "\"DependentDocs - Enter\"\r\n\"DependentDocs - Failed\"\r\n\"DependentDocs - Exit\"\r\n");
}

}  // namespace
}  // namespace rc::testing
