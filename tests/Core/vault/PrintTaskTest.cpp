// clsKstdPrint end to end: the user login, fetch, page setup, ranges and
// copies as the host's spool records them, and each failure path.
#include "Core/vault/PageRanges.h"
#include "platform/os/Paths.h"
#include "tests/Core/vault/FailingProxy.h"
#include "tests/Core/vault/VaultTaskFixture.h"

namespace rc::testing {
namespace {

class PrintTask : public VaultTaskTest {
 protected:
  void SetUp() override {
    VaultTaskTest::SetUp();
    setLogin("clerk", "clerk-pw", vaultDir(), "TempPrintUser");
    print = au::createObject("RavelcrestCore.clsKstdPrint");
    set("SetPrintingDirectory", au::Variant(work()));
    set("SetPrintWarningFilePath", au::Variant(printWarnings()));
    set("SetPrintPrinter", au::Variant("Lab Printer"));
    set("SetPrintUseDefault", au::Variant("FALSE"));
    set("SetPageSetupUseDefault", au::Variant("FALSE"));
    set("SetPageSetupPaperSize", au::Variant(9));
    set("SetPageSetupPaperSource", au::Variant(4));
    set("SetPageSetupPaperOrientation", au::Variant(2));
    set("SetPrintRange", au::Variant(0));
    set("SetPrintCopies", au::Variant(2));
    set("SetPrintCollate", au::Variant(1));
  }
  void set(const char* member, au::Variant value) {
    std::vector<au::Variant> args{std::move(value)};
    au::call(print, member, args);
  }
  std::pair<bool, std::string> printText(const char* member, std::vector<au::Variant> args = {}) {
    args.emplace_back("");
    au::Variant r = au::call(print, member, args);
    return {r.asBool(), args.back().toText()};
  }
  std::pair<bool, std::string> printDocument(const std::string& name) {
    auto [ok, text] = printText("InitKeysteadConnection");
    EXPECT_TRUE(ok) << text;
    return printText("PrintDocument", {au::Variant(name)});
  }
  std::string printWarnings() const { return path("print-warnings.txt"); }
  bool hostRunning() const {
    try {
      au::call(host, "ActiveDoc");
      return true;
    } catch (const au::AutomationError&) {
      return false;
    }
  }
  std::string job(const std::string& name, const std::string& printer, const std::string& pages, int size = 9,
                  int source = 4, int orientation = 2) const {
    return "{\"document\":\"" + local(name) + "\",\"printer\":\"" + printer + "\",\"pages\":" + pages +
           ",\"copies\":2,\"collate\":true,\"paperSize\":" + std::to_string(size) + ",\"paperSource\":" +
           std::to_string(source) + ",\"orientation\":" + std::to_string(orientation) +
           ",\"usePageSetupOnSheets\":false}";
  }

  au::ObjectRef print;
};

TEST_F(PrintTask, PrintsPageRangesWithThePageSetupAndPrinter) {
  checkIn("bracket.vxldrw", model(2000));
  set("SetPrintRange", au::Variant(1));
  set("SetPrintPageRange", au::Variant("1-3,5,4-2"));
  auto [ok, text] = printDocument("bracket.vxldrw");
  EXPECT_TRUE(ok);
  EXPECT_EQ(text, "");
  EXPECT_EQ(spoolJobs(), std::vector<std::string>{job("bracket.vxldrw", "Lab Printer", "[[1,3],[5,5]]")});
  // The host was asked to exit; the login was released.
  EXPECT_THROW(au::call(host, "ActiveDoc"), au::AutomationError);
  EXPECT_FALSE(au::call(print, "Logout").asBool());
}

TEST_F(PrintTask, AllPagesOnTheDefaultPrinterOnlyForAnExactTRUE) {
  checkIn("bracket.vxlprt", model(2000));
  set("SetPrintUseDefault", au::Variant("true"));
  set("SetPageSetupUseDefault", au::Variant("false"));
  EXPECT_TRUE(printDocument("bracket.vxlprt").first);
  set("SetPrintUseDefault", au::Variant("TRUE"));
  set("SetPrintRange", au::Variant(2));
  EXPECT_TRUE(printDocument("bracket.vxlprt").first);
  EXPECT_EQ(spoolJobs(), (std::vector<std::string>{job("bracket.vxlprt", "Lab Printer", "[[1,250]]", 1, 7, 1),
                                                   job("bracket.vxlprt", "", "[[1,250]]", 1, 7, 1)}));
}

TEST_F(PrintTask, ABadPageRangeIsRefusedBeforeTheHostOpensAnything) {
  checkIn("bracket.vxlprt", model(2000));
  set("SetPrintRange", au::Variant(1));
  set("SetPrintPageRange", au::Variant("1-2,x"));
  auto [ok, text] = printDocument("bracket.vxlprt");
  EXPECT_FALSE(ok);
  EXPECT_EQ(text, "Invalid page range '1-2,x'");
  EXPECT_TRUE(spoolJobs().empty());
  EXPECT_TRUE(au::call(host, "ActiveDoc").isNothing());
}

TEST_F(PrintTask, AFailingPrintCallIsAFailedRun) {
  checkIn("bracket.vxlprt", model(2000));
  au::call(host, "SimFail", {au::Variant("PrintOut"), au::Variant("printer on fire"), au::Variant(1)});
  auto [ok, text] = printDocument("bracket.vxlprt");
  EXPECT_FALSE(ok);
  EXPECT_EQ(text, "printer on fire in function RunVexlarPrint.");
  EXPECT_TRUE(spoolJobs().empty());
  EXPECT_THROW(au::call(host, "ActiveDoc"), au::AutomationError);  // closed and exited
}

TEST_F(PrintTask, HostFailingAtEveryCallInTurnPrintsOnceOrReportsFailure) {
  checkIn("bracket.vxlprt", model(2000));
  set("SetPrintRange", au::Variant(1));
  set("SetPrintPageRange", au::Variant("1-2"));
  for (int n = 1; n <= 50; ++n) {
    const std::size_t jobsBefore = spoolJobs().size();
    host = au::createObject("Vexlar.Application");
    au::call(host, "SimFailAfter", {au::Variant(n), au::Variant("host fault")});
    auto [ok, text] = printDocument("bracket.vxlprt");
    SCOPED_TRACE(std::to_string(n) + ": " + text);
    EXPECT_EQ(spoolJobs().size(), jobsBefore + (ok ? 1 : 0));
    if (!ok) {
      EXPECT_TRUE(text == "Print Failed" || text.ends_with(" in function RunVexlarPrint.")) << text;
    }
    // Nothing printed: the document was closed by its path and the host
    // exited. (Once printed, a failing close or exit leaves the host running.)
    if (!ok) {
      EXPECT_FALSE(hostRunning());
    }
  }
}

TEST_F(PrintTask, VaultGoingAwayAtEveryCallInTurnPrintsOnceOrReportsFailure) {
  ScopedFailingVault failing;
  const std::shared_ptr<FailPlan>& plan = failing.plan;
  checkIn("bolt.vxlprt", model(2000));
  checkIn("frame.vxlasm", model(2000), "", {{"bolt.vxlprt", "A"}, {"gone.vxlprt", "B"}});
  const std::string content = platform::readFile(path("src/frame.vxlasm"));
  int calls = 0;  // vault calls of the last run
  auto run = [&](int n) {
    std::filesystem::remove_all(work());
    std::filesystem::create_directories(work());
    std::filesystem::remove(printWarnings());
    host = au::createObject("Vexlar.Application");
    plan->arm(n);
    auto [loggedIn, loginText] = printText("InitKeysteadConnection");
    auto result = loggedIn ? printText("PrintDocument", {au::Variant("frame.vxlasm")})
                           : std::make_pair(false, loginText);
    calls = plan->calls;
    plan->arm(0);
    return result;
  };
  ASSERT_TRUE(run(0).first);
  const int cleanCalls = calls;
  ASSERT_GT(cleanCalls, 5);
  for (int n = 1; n <= cleanCalls; ++n) {
    const std::size_t jobsBefore = spoolJobs().size();
    auto [ok, text] = run(n);
    SCOPED_TRACE(std::to_string(n) + " of " + std::to_string(cleanCalls) + ": " + text);
    EXPECT_EQ(spoolJobs().size(), jobsBefore + (ok ? 1 : 0));
    // A failure always has its text. (The reference walk and the logout
    // skip failing vault calls and the document is still printed.)
    if (!ok) {
      EXPECT_FALSE(text.empty()) << "a failure without its text";
    }
    // What was fetched is whole.
    if (platform::fileExists(local("frame.vxlasm"))) {
      EXPECT_EQ(platform::readFile(local("frame.vxlasm")), content);
    }
    for (const std::string& name : platform::listFolder(work()))
      EXPECT_TRUE(name == "frame.vxlasm" || name == "bolt.vxlprt") << "stray file " << name;
  }
}

TEST_F(PrintTask, MissingDocumentsUnknownTypesAndLockedFiles) {
  EXPECT_EQ(printDocument("nothere.vxlprt"), std::make_pair(false, std::string("Error Retrieving From Vault")));
  checkIn("notes.txt", "text");
  EXPECT_EQ(printDocument("notes.txt"), std::make_pair(false, std::string("Print Failed")));
  checkIn("locked.vxlprt", model(2000, ", \"lockedBy\": \"kim\""));
  auto [ok, text] = printDocument("locked.vxlprt");
  EXPECT_TRUE(ok);
  EXPECT_EQ(text, "File '" + local("locked.vxlprt") + "' was locked by another user.");
  EXPECT_EQ(spoolJobs().size(), 1u);
}

TEST_F(PrintTask, FetchesReferencesOnceAndPrintsALocalCopyAsItIs) {
  checkIn("a.vxlasm", model(2000), "A", {{"b.vxlasm", "A"}, {"gone.vxlprt", "B"}});
  checkIn("b.vxlasm", model(2000), "A", {{"a.vxlasm", "A"}});
  auto [ok, text] = printDocument("a.vxlasm");
  EXPECT_TRUE(ok) << text;
  EXPECT_TRUE(platform::fileExists(local("b.vxlasm")));
  EXPECT_EQ(platform::readFile(printWarnings()),
            "Keystead Print Warning: Unable to find document 'gone.vxlprt' revision 'B' in Keystead vault but "
            "continuing with Print task.\r\n");
  platform::writeFile(local("a.vxlasm"), model(1999, ", \"marker\": 1"));
  EXPECT_TRUE(printDocument("a.vxlasm").first);
  EXPECT_NE(platform::readFile(local("a.vxlasm")).find("marker"), std::string::npos);
}

TEST_F(PrintTask, AFullDiskAndTheLoginRules) {
  checkIn("bracket.vxlprt", model(2000));
  std::dynamic_pointer_cast<core::clsKstdPrint>(print)->setFreeBytesQuery([](std::string_view) {
    return std::uint64_t{100};
  });
  EXPECT_EQ(printDocument("bracket.vxlprt"), std::make_pair(false, std::string("No Disk Space")));
  auto [huge, hugeText] =
      printText("GetEnoughSizeOnDisk", {au::Variant(2147483647), au::Variant(work())});
  EXPECT_FALSE(huge);
  EXPECT_EQ(hugeText, "Overflow in function GetEnoughSizeOnDisk.");
  setLogin("clerk", "wrong", vaultDir(), "TempPrintUser");
  auto [bad, badText] = printText("InitKeysteadConnection");
  EXPECT_FALSE(bad);
  EXPECT_TRUE(badText.ends_with(" in Login.")) << badText;
  setLogin("", "x", vaultDir(), "TempPrintUser");
  EXPECT_EQ(printText("InitKeysteadConnection"), std::make_pair(false, std::string("Login to Vault Failed2")));
}

TEST_F(PrintTask, NothingOpenedLeavesTheHostRunning) {
  // A type the host does not open, and content it opens as nothing.
  checkIn("notes.txt", "text");
  checkIn("junk.vxlprt", "not a model");
  for (const char* name : {"notes.txt", "junk.vxlprt"}) {
    EXPECT_EQ(printDocument(name), std::make_pair(false, std::string("Print Failed"))) << name;
    EXPECT_TRUE(hostRunning()) << name;
  }
  EXPECT_TRUE(spoolJobs().empty());
}

TEST_F(PrintTask, AnErrorAfterThePrintKeepsTheResultAndTheText) {
  checkIn("bracket.vxlprt", model(2000));
  au::call(host, "SimFail", {au::Variant("GetTitle"), au::Variant("no title"), au::Variant(1)});
  EXPECT_EQ(printDocument("bracket.vxlprt"), std::make_pair(true, std::string()));
  EXPECT_EQ(spoolJobs().size(), 1u);
  // The host was not asked to close the document nor to exit.
  ASSERT_TRUE(hostRunning());
  EXPECT_FALSE(au::call(host, "ActiveDoc").isNothing());
}

TEST_F(PrintTask, ADocumentThatCannotBeActivatedIsClosedAndTheHostExits) {
  checkIn("bracket.vxlprt", model(2000));
  auto plan = std::make_shared<FailPlan>();
  plan->answers["ActivateDoc"] = au::Variant(au::ObjectRef());
  FailingProxy::installHost(plan, host);
  auto run = printDocument("bracket.vxlprt");
  sim::registerApplications();
  EXPECT_EQ(run, std::make_pair(false, std::string(" in function RunVexlarPrint.")));
  EXPECT_TRUE(spoolJobs().empty());
  EXPECT_FALSE(hostRunning());
}

TEST_F(PrintTask, ANameTheVaultRefusesAndMissingOrEmptyFolders) {
  for (const std::string& name : {std::string("a/b.vxlprt"), std::string(), std::string(300, 'n') + ".vxlprt"})
    EXPECT_EQ(printDocument(name), std::make_pair(false, std::string("Error Retrieving From Vault"))) << name;

  checkIn("bracket.vxlprt", model(2000));
  set("SetPrintingDirectory", au::Variant(path("missing")));
  auto [ok, text] = printDocument("bracket.vxlprt");
  EXPECT_FALSE(ok);
  EXPECT_TRUE(text.ends_with(" in function GetDocumentToDisk.")) << text;

  set("SetPrintingDirectory", au::Variant(""));
  auto [rootOk, rootText] = printDocument("bracket.vxlprt");
  EXPECT_TRUE(rootOk) << rootText;
  EXPECT_TRUE(platform::fileExists(platform::driveRoot() + "/bracket.vxlprt"));
  EXPECT_EQ(spoolJobs().size(), 1u);
}

TEST(PageRanges, PairsAsTheHostTakesThem) {
  using core::vault::ParsePageRanges;
  using V = std::vector<std::int32_t>;
  EXPECT_EQ(ParsePageRanges("1-3,5"), V({1, 3, 5, 5}));
  EXPECT_EQ(ParsePageRanges("4-2,7"), V({7, 7}));
  EXPECT_EQ(ParsePageRanges("9"), V({9, 9}));
  EXPECT_EQ(ParsePageRanges("2-1"), V{});
  EXPECT_EQ(ParsePageRanges(""), V{});
  EXPECT_EQ(ParsePageRanges("1,,2"), std::nullopt);
  EXPECT_EQ(ParsePageRanges("1-a"), std::nullopt);
  EXPECT_EQ(ParsePageRanges("70000"), std::nullopt);
}

TEST(PageRanges, AListThatWouldPrintLessThanItSaysIsRefusedBeforePrinting) {
  using core::vault::PageRangeListProblem;
  for (const char* good : {"1", "1-3,5", " 2 - 4 ,7", "32767", "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,25,26,27,28,29,30,31"})
    EXPECT_EQ(PageRangeListProblem(good), "") << good;
  const std::pair<const char*, const char*> bad[] = {
      {"5-3", "\"5-3\" selects no page"},      {"1-3,4-2,7", "\"4-2\" selects no page"},
      {"0", "\"0\": pages count from 1"},      {"0-3", "pages count from 1"},
      {"-2", "is not a page range"},           {"", "is not a page range"},
      {"1,,2", "\"\" is not a page range"},    {"1-a", "is not a page range"},
      {"32768", "pages go up to 32767"},       {"1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,25,26,27,28,29,30,31,32", "at most 31"},
  };
  for (const auto& [text, problem] : bad)
    EXPECT_NE(PageRangeListProblem(text).find(problem), std::string::npos) << text << ": " << PageRangeListProblem(text);
}

}  // namespace
}  // namespace rc::testing
