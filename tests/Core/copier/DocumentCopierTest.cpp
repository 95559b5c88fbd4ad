// The document copier: a document, its companions and its references copied
// from a source tree into a test folder, one document or a whole list, with
// keep-folders or flat; and the containment of every read and write in the
// folders the caller named.
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "Core/copier/DocumentCopier.h"
#include "platform/os/Paths.h"
#include "tests/Core/checks/SimHostFixture.h"
#include "tests/support/TestSupport.h"

namespace rc::testing {
namespace {

namespace fs = std::filesystem;

class DocumentCopierTest : public SimHostTest {
 protected:
  std::string src() const { return path("src"); }
  std::string dst() const { return path("dst"); }
  std::string base() const { return path("base"); }

  // Writes `content` at `file`, creating its folders.
  void put(const std::string& file, const std::string& content = "x") {
    fs::create_directories(fs::path(file).parent_path());
    platform::writeFile(file, content);
  }
  // A document in the source tree referencing `deps` (relative or absolute).
  void doc(const std::string& rel, const std::vector<std::string>& deps = {}) {
    std::string list;
    for (const auto& d : deps) list += (list.empty() ? "\"" : ", \"") + d + "\"";
    put(src() + "/" + rel, "{ \"dependencies\": [" + list + "] }");
  }
  bool copied(const std::string& rel) const { return fs::exists(dst() + "/" + rel); }

  // GetDependDocsWithDocNotOpen; answers the caller's tmpFile afterwards.
  std::string copyOne(const std::string& rel, const std::string& baseline = "", int chk = 0) {
    std::vector<au::Variant> args{au::Variant(rel), au::Variant(dst()), au::Variant(src()), au::Variant(baseline),
                                  au::Variant::integer(static_cast<std::int16_t>(chk))};
    au::call(app, "GetDependDocsWithDocNotOpen", args);
    return args[0].asString();
  }
  void copyList(const std::string& listText) {
    put(dst() + "/Testfiles.txt", listText);
    au::call(app, "GetAllDependDocsWithDocNotOpen",
             {au::Variant(dst()), au::Variant(src()), au::Variant(""), au::Variant::integer(0)});
  }
  // Every file below the test folder outside `dst()` and `src()`, by path.
  std::vector<std::string> filesOutside() const {
    std::vector<std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(folder())) {
      std::string p = e.path().string();
      if (p.rfind(dst(), 0) == 0 || p.rfind(src(), 0) == 0 || p.rfind(base(), 0) == 0) continue;
      if (e.is_regular_file() && e.path().filename() != "TraceLog.log") out.push_back(p);
    }
    std::sort(out.begin(), out.end());
    return out;
  }
  // Temporary copies left in the destination tree.
  int leftoverTemporaries() const {
    int n = 0;
    if (!fs::exists(dst())) return 0;
    for (const auto& e : fs::recursive_directory_iterator(dst()))
      if (e.path().filename().string().rfind(".rc-copy-", 0) == 0) ++n;
    return n;
  }
};

TEST_F(DocumentCopierTest, KeepFoldersCopiesDocumentCompanionsAndReferences) {
  doc("models/top.vxlasm", {"parts/a.vxlprt", "../lib/b.prt", "missing.vxlprt"});
  doc("models/parts/a.vxlprt");
  doc("lib/b.prt");
  put(src() + "/models/top.vxlasm.properties");
  put(src() + "/models/old_top.1.gif");  // "*top.*.gif"
  put(src() + "/models/top.gif");        // no "." after the base name: not a companion
  put(src() + "/models/top.vxlasm.memDump.memleakResults.htm");
  put(src() + "/models/parts/a.vxlprt.massprop");
  put(src() + "/models/unrelated.txt");

  EXPECT_EQ(copyOne("models\\top.vxlasm"), dst() + "/models\\top.vxlasm");
  for (const char* f : {"models/top.vxlasm", "models/top.vxlasm.properties", "models/old_top.1.gif",
                        "models/top.vxlasm.memDump.memleakResults.htm", "models/parts/a.vxlprt",
                        "models/parts/a.vxlprt.massprop", "lib/b.prt"})
    EXPECT_TRUE(copied(f)) << f;
  EXPECT_FALSE(copied("models/top.gif"));
  EXPECT_FALSE(copied("models/unrelated.txt"));
  EXPECT_EQ(trace(), "<missing>");
  EXPECT_EQ(platform::readFile(dst() + "/lib/b.prt"), platform::readFile(src() + "/lib/b.prt"));
  EXPECT_EQ(leftoverTemporaries(), 0);
}

TEST_F(DocumentCopierTest, LeadingSeparatorKeptAndBothSeparatorsAccepted) {
  doc("m/n/a.vxlprt");
  EXPECT_EQ(copyOne("\\m/n\\a.vxlprt"), dst() + "\\m/n\\a.vxlprt");
  EXPECT_TRUE(copied("m/n/a.vxlprt"));
  EXPECT_EQ(copyOne("/m/./n/../n/a.vxlprt"), dst() + "/m/./n/../n/a.vxlprt");
  EXPECT_EQ(trace(), "<missing>");
}

TEST_F(DocumentCopierTest, FlatGetFilesPutsTheDocumentInTheRootAndCompanionsInItsFolder) {
  doc("models/a.vxlprt", {"sub/b.vxlprt"});
  doc("models/sub/b.vxlprt");
  put(src() + "/models/a.vxlprt.properties");
  put(src() + "/models/sub/b.vxlprt.gif");
  au::ObjectRef tool = au::createObject("RavelcrestCore.Class1");
  std::vector<au::Variant> args{au::Variant("models\\a.vxlprt"), au::Variant(dst()), au::Variant(src()),
                                au::Variant(""), au::Variant::integer(0)};
  au::call(tool, "GetFiles", args);
  EXPECT_EQ(args[0].asString(), "/models\\a.vxlprt");
  EXPECT_TRUE(copied("a.vxlprt"));
  EXPECT_TRUE(copied("b.vxlprt"));
  EXPECT_FALSE(copied("models/a.vxlprt"));
  // The structured folder is made for the companions, so none is lost.
  EXPECT_TRUE(copied("models/a.vxlprt.properties"));
  EXPECT_TRUE(copied("models/sub/b.vxlprt.gif"));
}

TEST_F(DocumentCopierTest, BaselineFolderOverridesPerExtension) {
  doc("m/bracket.vxlprt");
  put(src() + "/m/bracket.vxlprt.properties", "source");
  put(src() + "/m/bracket.vxlprt.gif", "source gif");
  put(base() + "/m/bracket.vxlprt.properties", "baseline");
  copyOne("m/bracket.vxlprt", base(), 1);
  EXPECT_EQ(platform::readFile(dst() + "/m/bracket.vxlprt.properties"), "baseline");
  EXPECT_EQ(platform::readFile(dst() + "/m/bracket.vxlprt.gif"), "source gif");
  // Without chkBaseLine 1 the baseline folder is not consulted.
  copyOne("m/bracket.vxlprt", base(), 0);
  EXPECT_EQ(platform::readFile(dst() + "/m/bracket.vxlprt.properties"), "source");
}

TEST_F(DocumentCopierTest, CompanionPatternsMatchAsWildcardsDo) {
  // "*bracket.*.properties" also matches another document's companion.
  doc("bracket.vxlprt");
  put(src() + "/mybracket.vxlprt.properties");
  put(src() + "/BRACKET.vxlprt.PROPERTIES");
  put(src() + "/bracketx.vxlprt.properties");
  copyOne("bracket.vxlprt");
  EXPECT_TRUE(copied("mybracket.vxlprt.properties"));
  EXPECT_TRUE(copied("BRACKET.vxlprt.PROPERTIES"));
  EXPECT_FALSE(copied("bracketx.vxlprt.properties"));
  // The base name ends at the last ".": "a.b.vxlprt" has "*a.b.*" companions.
  doc("a.b.vxlprt");
  put(src() + "/a.b.vxlprt.properties");
  put(src() + "/a.vxlprt.properties");
  copyOne("a.b.vxlprt");
  EXPECT_TRUE(copied("a.b.vxlprt.properties"));
  EXPECT_FALSE(copied("a.vxlprt.properties"));
}

TEST_F(DocumentCopierTest, CyclesAndSelfReferencesEndAndCopyOnce) {
  doc("a.vxlasm", {"b.vxlasm", "a.vxlasm"});
  doc("b.vxlasm", {"a.vxlasm"});
  EXPECT_EQ(copyOne("a.vxlasm"), dst() + "/a.vxlasm");
  EXPECT_TRUE(copied("a.vxlasm"));
  EXPECT_TRUE(copied("b.vxlasm"));
  EXPECT_EQ(trace(), "<missing>");
}

TEST_F(DocumentCopierTest, LongChainsOfReferencesAreFollowedToTheEnd) {
  constexpr int kLength = 100;
  for (int i = 0; i < kLength; ++i)
    doc("c" + std::to_string(i) + ".vxlprt",
        i + 1 < kLength ? std::vector<std::string>{"c" + std::to_string(i + 1) + ".vxlprt"} : std::vector<std::string>{});
  copyOne("c0.vxlprt");
  for (int i = 0; i < kLength; ++i) ASSERT_TRUE(copied("c" + std::to_string(i) + ".vxlprt")) << i;
}

TEST_F(DocumentCopierTest, NamesWithSpacesAndNonAsciiLetters) {
  doc("Prüf modelle/Teil ä 1.vxlprt", {"Ünter teil.prt"});
  doc("Prüf modelle/Ünter teil.prt");
  put(src() + "/Prüf modelle/Teil ä 1.vxlprt.properties");
  copyOne("Prüf modelle/Teil ä 1.vxlprt");
  EXPECT_TRUE(copied("Prüf modelle/Teil ä 1.vxlprt"));
  EXPECT_TRUE(copied("Prüf modelle/Teil ä 1.vxlprt.properties"));
  EXPECT_TRUE(copied("Prüf modelle/Ünter teil.prt"));
}

TEST_F(DocumentCopierTest, FailuresAreTracedWithTheDestinationPath) {
  doc("noext");
  EXPECT_EQ(copyOne("noext"), dst() + "/noext");
  EXPECT_EQ(copyOne("gone.vxlprt"), dst() + "/gone.vxlprt");
  EXPECT_EQ(trace(), crlf({"\"GetDependencies4 Failure: Invalid procedure call or argument\"",
                           "\"      " + dst() + "/noext\"", "\"GetDependencies4 Failure: File not found\"",
                           "\"      " + dst() + "/gone.vxlprt\""}));
  EXPECT_FALSE(copied("noext"));
}

TEST_F(DocumentCopierTest, ListModeCopiesEachLineGoesOnAfterFailuresAndReadsAnyLineEnd) {
  doc("x.vxlasm", {"shared.vxlprt"});
  doc("y.vxlasm", {"shared.vxlprt"});
  doc("shared.vxlprt");
  doc("last one.vxlprt");
  // An empty line, a missing document, CR LF and LF, a last line without end.
  copyList("x.vxlasm\r\n\r\n\\missing.vxlprt\ny.vxlasm\r\nlast one.vxlprt");
  for (const char* f : {"x.vxlasm", "y.vxlasm", "shared.vxlprt", "last one.vxlprt"}) EXPECT_TRUE(copied(f)) << f;
  EXPECT_EQ(trace(), crlf({"\"GetDependencies4 Failure: Invalid procedure call or argument\"", "\"      " + dst() + "/\"",
                           "\"GetDependencies4 Failure: File not found\"", "\"      " + dst() + "\\missing.vxlprt\""}));
  EXPECT_EQ(rc::core::copierSets().copied.count(src() + "/shared.vxlprt"), 1u);
}

TEST_F(DocumentCopierTest, ListModeSkipsADocumentAlreadyCopiedButNotItsCompanions) {
  doc("shared.vxlprt");
  put(src() + "/shared.vxlprt.properties");
  auto& sets = rc::core::copierSets();
  sets.copied = {src() + "/shared.vxlprt"};
  std::string rel = "/shared.vxlprt";
  std::int16_t level = 0;
  EXPECT_EQ(rc::core::CopyDocumentTree(rel, dst(), level, src(), "", 0, 1, true), "");
  EXPECT_FALSE(copied("shared.vxlprt"));
  EXPECT_TRUE(copied("shared.vxlprt.properties"));
  // Outside list mode the copied set is not consulted.
  level = 0;
  rel = "/shared.vxlprt";
  EXPECT_EQ(rc::core::CopyDocumentTree(rel, dst(), level, src(), "", 0, 0, true), "");
  EXPECT_TRUE(copied("shared.vxlprt"));
}

TEST_F(DocumentCopierTest, MissingListFileIsRaised) {
  fs::create_directories(dst());
  au::ObjectRef a = app;
  EXPECT_EQ(errorNumber([&] {
              au::call(a, "GetAllDependDocsWithDocNotOpen",
                       {au::Variant(dst()), au::Variant(src()), au::Variant(""), au::Variant::integer(0)});
            }),
            53);
}

TEST_F(DocumentCopierTest, StartsAHostWhenNoneRunsAndClosesItAgain) {
  au::call(host, "ExitApp");
  doc("a.vxlasm", {"b.vxlprt"});
  doc("b.vxlprt");
  copyOne("a.vxlasm");
  EXPECT_TRUE(copied("b.vxlprt"));
  EXPECT_EQ(errorNumber([] { au::getObject("Vexlar.Application"); }), 429);
  host = au::createObject("Vexlar.Application");
}

TEST_F(DocumentCopierTest, DestinationInsideTheSourceTreeAndEqualToIt) {
  doc("a.vxlasm", {"b.vxlprt"});
  doc("b.vxlprt");
  std::vector<au::Variant> inside{au::Variant("a.vxlasm"), au::Variant(src() + "/out"), au::Variant(src()),
                                  au::Variant(""), au::Variant::integer(0)};
  au::call(app, "GetDependDocsWithDocNotOpen", inside);
  EXPECT_TRUE(fs::exists(src() + "/out/a.vxlasm"));
  EXPECT_TRUE(fs::exists(src() + "/out/b.vxlprt"));
  const std::string before = platform::readFile(src() + "/a.vxlasm");
  std::vector<au::Variant> same{au::Variant("a.vxlasm"), au::Variant(src()), au::Variant(src()), au::Variant(""),
                                au::Variant::integer(0)};
  au::call(app, "GetDependDocsWithDocNotOpen", same);
  EXPECT_EQ(platform::readFile(src() + "/a.vxlasm"), before);
  EXPECT_EQ(trace(), "<missing>");
}

// A hostile tree: relative paths that climb out, absolute references,
// references that climb out, and links out of both roots.
class DocumentCopierContainmentTest : public DocumentCopierTest {
 protected:
  void SetUp() override {
    DocumentCopierTest::SetUp();
    fs::create_directories(src());
    put(path("outside/secret.vxlprt"), "{}");
    put(path("outside/secret.vxlprt.properties"), "secret");
    put(path("outside/dir/s.vxlprt"), "{}");
  }
};

TEST_F(DocumentCopierContainmentTest, RelativePathsThatClimbOutAreRefused) {
  doc("m/a.vxlprt");
  copyOne("..\\outside\\secret.vxlprt");
  copyOne("m/../../outside/secret.vxlprt");
  EXPECT_EQ(copyOne("m/../m/a.vxlprt"), dst() + "/m/../m/a.vxlprt");  // stays inside: copied
  EXPECT_TRUE(copied("m/a.vxlprt"));
  EXPECT_EQ(trace(),
            crlf({"\"GetDependencies4 Failure: The path leaves the source and destination folders: /..\\outside\\secret.vxlprt\"",
                  "\"      " + dst() + "/..\\outside\\secret.vxlprt\"",
                  "\"GetDependencies4 Failure: The path leaves the source and destination folders: /m/../../outside/secret.vxlprt\"",
                  "\"      " + dst() + "/m/../../outside/secret.vxlprt\""}));
  EXPECT_EQ(filesOutside(), (std::vector<std::string>{path("outside/dir/s.vxlprt"), path("outside/secret.vxlprt"),
                                                      path("outside/secret.vxlprt.properties")}));
}

TEST_F(DocumentCopierContainmentTest, ReferencesOutsideTheSourceAreSkippedAndNamed) {
  // The links lead to files of their own: the host lists one file once,
  // whatever names lead to it.
  fs::create_directories(path("outside/dir2"));
  fs::copy_file(path("outside/secret.vxlprt"), path("outside/linked.vxlprt"));
  fs::copy_file(path("outside/dir/s.vxlprt"), path("outside/dir2/s.vxlprt"));
  fs::create_symlink(path("outside/dir2"), src() + "/linkdir");
  fs::create_symlink(path("outside/linked.vxlprt"), src() + "/link.vxlprt");
  doc("top.vxlasm", {path("outside/secret.vxlprt"), "../outside/dir/s.vxlprt", "link.vxlprt", "linkdir/s.vxlprt",
                     "ok.vxlprt"});
  doc("ok.vxlprt");
  copyOne("top.vxlasm");
  EXPECT_TRUE(copied("top.vxlasm"));
  EXPECT_TRUE(copied("ok.vxlprt"));
  EXPECT_FALSE(copied("link.vxlprt"));
  EXPECT_FALSE(copied("linkdir/s.vxlprt"));
  const std::string prefix = "\"GetDependencies4 Skipped: reference outside the source folder: ";
  EXPECT_EQ(trace(), crlf({prefix + path("outside/secret.vxlprt") + "\"", prefix + path("outside/dir/s.vxlprt") + "\"",
                           prefix + src() + "/link.vxlprt\"", prefix + src() + "/linkdir/s.vxlprt\""}));
  EXPECT_EQ(filesOutside().size(), 5u);
}

TEST_F(DocumentCopierContainmentTest, LinksOutOfARootAreOutside) {
  // The document itself, a companion and the destination folder.
  fs::create_symlink(path("outside/secret.vxlprt"), src() + "/link.vxlprt");
  doc("a.vxlprt");
  fs::create_symlink(path("outside/secret.vxlprt.properties"), src() + "/a.vxlprt.properties");
  copyOne("link.vxlprt");
  copyOne("a.vxlprt");
  EXPECT_TRUE(copied("a.vxlprt"));
  EXPECT_FALSE(copied("a.vxlprt.properties"));
  EXPECT_FALSE(copied("link.vxlprt"));

  fs::create_directories(dst());
  fs::create_symlink(path("outside"), dst() + "/m");
  doc("m/c.vxlprt");
  copyOne("m/c.vxlprt");
  EXPECT_FALSE(fs::exists(path("outside/c.vxlprt")));
  EXPECT_EQ(trace(), crlf({"\"GetDependencies4 Failure: The document lies outside the source folder: " + src() +
                               "/link.vxlprt\"",
                           "\"      " + dst() + "/link.vxlprt\"",
                           "\"GetDependencies4 Skipped: file outside its folder: " + src() + "/a.vxlprt.properties\"",
                           "\"GetDependencies4 Failure: The destination lies outside the destination folder: " +
                               dst() + "/m\"",
                           "\"      " + dst() + "/m/c.vxlprt\""}));
}

TEST_F(DocumentCopierContainmentTest, BaselineFolderLinkedOutIsNotUsed) {
  doc("m/a.vxlprt");
  put(src() + "/m/a.vxlprt.properties", "source");
  fs::create_directories(base());
  fs::create_symlink(path("outside"), base() + "/m");
  put(path("outside/a.vxlprt.properties"), "outside");
  copyOne("m/a.vxlprt", base(), 1);
  EXPECT_EQ(platform::readFile(dst() + "/m/a.vxlprt.properties"), "source");
  EXPECT_EQ(trace(), crlf({"\"GetDependencies4 Skipped: file outside its folder: " + base() + "/m\""}));
}

TEST_F(DocumentCopierTest, AReferencedDocumentThatCannotBeCopiedIsTraced) {
  // The top document is copied and the run goes on, but the reference that
  // failed (a name without an extension) is named in the trace.
  doc("top.vxlasm", {"parts/noext", "parts/a.vxlprt"});
  doc("parts/noext");
  doc("parts/a.vxlprt");
  copyOne("top.vxlasm");
  EXPECT_TRUE(copied("top.vxlasm"));
  EXPECT_TRUE(copied("parts/a.vxlprt"));
  EXPECT_FALSE(copied("parts/noext"));
  const std::string log = trace();
  EXPECT_NE(log.find("\"GetDependencies4 Failure: "), std::string::npos) << log;
  EXPECT_NE(log.find("\"      " + dst() + "/parts/noext\""), std::string::npos) << log;
}

TEST_F(DocumentCopierContainmentTest, ATraceLogThatCannotBeWrittenStopsNoCopy) {
  // The lines for a reference that failed and for one outside the source
  // tree cannot be written (the results folder is gone): the references
  // after them are copied all the same.
  au::letProperty(app, "ResultPath", path("no/such/folder"));
  doc("top.vxlasm", {"noext", path("outside/secret.vxlprt"), "b.prt"});
  doc("noext");
  doc("b.prt");
  EXPECT_EQ(copyOne("top.vxlasm"), dst() + "/top.vxlasm");
  EXPECT_TRUE(copied("top.vxlasm"));
  EXPECT_TRUE(copied("b.prt"));
  EXPECT_FALSE(fs::exists(path("no")));
}

TEST_F(DocumentCopierTest, AnEmptyDestinationAnswersThePathUnderTheDriveRoot) {
  doc("m/a.prt");
  std::vector<au::Variant> args{au::Variant("m/a.prt"), au::Variant(""), au::Variant(src()), au::Variant(""),
                                au::Variant::integer(0)};
  au::call(app, "GetDependDocsWithDocNotOpen", args);
  const std::string written = args[0].asString();
  EXPECT_EQ(written, platform::driveRoot() + "/m/a.prt");
  EXPECT_TRUE(platform::fileExists(written));
}

}  // namespace
}  // namespace rc::testing
