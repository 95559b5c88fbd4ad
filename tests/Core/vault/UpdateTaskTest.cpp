// clsKstdUpdate end to end: the vault session, the update of one, every or
// only the latest revision, skips, backups and references.
#include "tests/Core/vault/VaultTaskFixture.h"

namespace rc::testing {
namespace {

using UpdateTask = VaultTaskTest;

TEST_F(UpdateTask, UpdatesEveryRevisionAndChecksItInWithItsComment) {
  checkIn("bracket.vxlprt", model(2000));
  checkIn("bracket.vxlprt", model(2500));
  auto [ok, text] = update("bracket.vxlprt");
  EXPECT_TRUE(ok);
  EXPECT_EQ(text, "");
  EXPECT_EQ(vaultVersion("bracket.vxlprt", "A"), 3000);
  EXPECT_EQ(vaultVersion("bracket.vxlprt", "B"), 3000);
  EXPECT_EQ(replaceComments(), (std::vector<std::string>{
                                   "bracket.vxlprt@A: File Revision (A) Vexlar Version (3000)",
                                   "bracket.vxlprt@B: File Revision (B) Vexlar Version (3000)"}));
  EXPECT_TRUE(platform::fileExists(local("bracket.vxlprt")));
  EXPECT_TRUE(platform::fileExists(local("bracket.vxlprt_bk_A")));
  EXPECT_TRUE(platform::fileExists(local("bracket.vxlprt_bk_B")));
  EXPECT_EQ(warnings(), "");
  // The login was used up and released.
  auto [again, againText] = withText("UpdateDocument", {au::Variant("bracket.vxlprt")});
  EXPECT_FALSE(again);
  EXPECT_TRUE(againText.ends_with(" in UpdateDocument.")) << againText;
}

TEST_F(UpdateTask, LatestOnlyLeavesOlderRevisionsAlone) {
  checkIn("bracket.vxlprt", model(2000));
  checkIn("bracket.vxlprt", model(2500));
  call("SetUpdateLatestOnly", {au::Variant(true)});
  auto [ok, text] = update("bracket.vxlprt");
  EXPECT_TRUE(ok) << text;
  EXPECT_EQ(vaultVersion("bracket.vxlprt", "A"), 2000);
  EXPECT_EQ(vaultVersion("bracket.vxlprt", "B"), 3000);
  // An older revision offered directly is "Not Latest" under this setting.
  ASSERT_TRUE(login());
  au::ObjectRef conn = au::createObject("Keystead.KstdConnection");
  au::call(conn, "Login", {au::Variant("admin"), au::Variant("secret"), au::Variant(vaultDir())});
  au::ObjectRef older = au::callObject(conn, "GetSpecificDocument", {au::Variant("bracket.vxlprt"), au::Variant("A")});
  auto [need, status] = withText("NeedsUpdate", {au::Variant(older), au::Variant(true)});
  EXPECT_FALSE(need);
  EXPECT_EQ(status, "Not Latest");
  // An unknown name under latest-only.
  auto [missing, missingText] = withText("UpdateDocument", {au::Variant("nothere.vxlprt")});
  EXPECT_FALSE(missing);
  EXPECT_EQ(missingText, "Error Retrieving Document From Vault");
}

TEST_F(UpdateTask, SkipsWhatNeedsNoUpdateWithAWarningLine) {
  checkIn("current.vxlprt", model(3000));
  checkIn("future.vxlprt", model(3100));
  checkIn("notes.txt", "plain text");
  for (const char* name : {"current.vxlprt", "future.vxlprt", "notes.txt"}) {
    auto [ok, text] = update(name);
    EXPECT_TRUE(ok) << name;
    EXPECT_EQ(text, "") << name;
  }
  EXPECT_EQ(warnings(), warningLine("Skipping file: current.vxlprt Revision: A. Already Up To Date") +
                            warningLine("Skipping file: future.vxlprt Revision: A. Future Version") +
                            warningLine("Skipping file: notes.txt Revision: A. Non-Vexlar Document"));
  EXPECT_TRUE(replaceComments().empty());
  EXPECT_FALSE(platform::fileExists(local("current.vxlprt")));
}

TEST_F(UpdateTask, SecondRunSkipsWhatTheFirstUpdated) {
  checkIn("bracket.vxlprt", model(2000));
  ASSERT_TRUE(update("bracket.vxlprt").first);
  const std::string hash = vaultHash("bracket.vxlprt", "A");
  auto [ok, text] = update("bracket.vxlprt");
  EXPECT_TRUE(ok);
  EXPECT_EQ(warnings(), warningLine("Skipping file: bracket.vxlprt Revision: A. Already Up To Date"));
  EXPECT_EQ(vaultHash("bracket.vxlprt", "A"), hash);
  EXPECT_EQ(replaceComments().size(), 1u);
}

TEST_F(UpdateTask, RestoresTheBackupCopyInsteadOfFetching) {
  checkIn("bracket.vxlprt", model(2000));
  ASSERT_TRUE(update("bracket.vxlprt").first);
  // The next host version: the backup copy (marked) is used, not the vault's content.
  au::letProperty(host, "SimLatestFileVersion", au::Variant(3100));
  platform::deleteFile(local("bracket.vxlprt"));
  platform::writeFile(local("bracket.vxlprt_bk_A"), model(3000, ", \"marker\": 7"));
  auto [ok, text] = update("bracket.vxlprt");
  EXPECT_TRUE(ok) << text;
  EXPECT_EQ(vaultVersion("bracket.vxlprt", "A"), 3100);
  EXPECT_NE(platform::readFile(local("bracket.vxlprt")).find("\"marker\""), std::string::npos);
  EXPECT_TRUE(platform::fileExists(local("bracket.vxlprt_bk_A")));
  // With the local file still there the restore is refused with the trapped text.
  au::letProperty(host, "SimLatestFileVersion", au::Variant(3200));
  auto [both, bothText] = update("bracket.vxlprt");
  EXPECT_FALSE(both);
  EXPECT_TRUE(bothText.ends_with(" in function GetDocumentToDisk.")) << bothText;
  EXPECT_EQ(vaultVersion("bracket.vxlprt", "A"), 3100);
}

TEST_F(UpdateTask, FetchesReferencesWithoutCheckingThemIn) {
  checkIn("bolt.vxlprt", model(2000));
  checkIn("nut.vxlprt", model(2000));
  checkIn("sub.vxlasm", model(2000), "", {{"nut.vxlprt", "A"}});
  checkIn("top.vxlasm", model(2000), "",
          {{"bolt.vxlprt", "A"}, {"sub.vxlasm", "A"}, {"gone.vxlprt", "C"}});
  auto [ok, text] = update("top.vxlasm");
  EXPECT_TRUE(ok) << text;
  for (const char* name : {"bolt.vxlprt", "nut.vxlprt", "sub.vxlasm"}) {
    EXPECT_TRUE(platform::fileExists(local(name))) << name;
    EXPECT_EQ(vaultVersion(name, "A"), 2000) << name;
  }
  EXPECT_EQ(replaceComments(), std::vector<std::string>{"top.vxlasm@A: File Revision (A) Vexlar Version (3000)"});
  EXPECT_EQ(warnings(), warningLine("Unable to find document 'gone.vxlprt' revision 'C' in Keystead vault but "
                                    "continuing with Update task."));
}

TEST_F(UpdateTask, AReferenceCycleIsWalkedOnce) {
  checkIn("a.vxlasm", model(2000), "A", {{"b.vxlasm", "A"}});
  checkIn("b.vxlasm", model(2000), "A", {{"a.vxlasm", "A"}});
  ASSERT_TRUE(login());
  au::ObjectRef conn = au::createObject("Keystead.KstdConnection");
  au::call(conn, "Login", {au::Variant("admin"), au::Variant("secret"), au::Variant(vaultDir())});
  au::ObjectRef a = au::callObject(conn, "GetSpecificDocument", {au::Variant("a.vxlasm")});
  auto [ok, text] = withText("getDocumentReferences", {au::Variant(a)});
  EXPECT_TRUE(ok);
  EXPECT_TRUE(platform::fileExists(local("b.vxlasm")));
  EXPECT_FALSE(platform::fileExists(local("a.vxlasm")));  // the walk's own document is not fetched
  platform::writeFile(local("a.vxlasm"), model(2000));
  auto [refs, refsText] = withText("updateDocumentReferences", {au::Variant(a)});
  EXPECT_TRUE(refs) << refsText;
  EXPECT_EQ(vaultVersion("b.vxlasm", "A"), 3000);
  EXPECT_EQ(vaultVersion("a.vxlasm", "A"), 2000);
  // The whole update ends as well.
  auto [all, allText] = update("a.vxlasm");
  EXPECT_TRUE(all) << allText;
}

TEST_F(UpdateTask, DrawingsAndAssembliesRunTheirChecksBeforeTheSave) {
  checkIn("sheet.vxldrw", model(2000, ", \"sheets\": [{\"name\": \"Sheet1\"}, {\"name\": \"Sheet2\"}]"));
  checkIn("frame.vxlasm", model(2000));
  checkIn("old.drw", model(2000));
  for (const char* name : {"sheet.vxldrw", "frame.vxlasm", "old.drw"}) {
    auto [ok, text] = update(name);
    EXPECT_TRUE(ok) << name << ": " << text;
    EXPECT_EQ(vaultVersion(name, "A"), 3000) << name;
  }
  const std::vector<std::string> ops = hostStrings("SimOperations");
  EXPECT_NE(std::find(ops.begin(), ops.end(), "ActivateSheet(\"Sheet2\")"), ops.end());
  EXPECT_NE(std::find(ops.begin(), ops.end(), "Rebuild(1)"), ops.end());
}

TEST_F(UpdateTask, ReferenceUpdatesGoChildrenFirst) {
  checkIn("leaf.vxlprt", model(2000));
  checkIn("mid.vxlasm", model(2000), "A", {{"leaf.vxlprt", "A"}});
  checkIn("top.vxlasm", model(2000), "A", {{"mid.vxlasm", "A"}, {"current.vxlprt", "A"}});
  checkIn("current.vxlprt", model(3000));
  ASSERT_TRUE(login());
  ASSERT_TRUE(call("GetVexlarVersion").asBool());
  au::ObjectRef conn = au::createObject("Keystead.KstdConnection");
  au::call(conn, "Login", {au::Variant("admin"), au::Variant("secret"), au::Variant(vaultDir())});
  au::ObjectRef top = au::callObject(conn, "GetSpecificDocument", {au::Variant("top.vxlasm")});
  ASSERT_TRUE(withText("getDocumentReferences", {au::Variant(top)}).first);
  auto [ok, text] = withText("updateDocumentReferences", {au::Variant(top)});
  EXPECT_TRUE(ok);
  EXPECT_EQ(text, "");
  EXPECT_EQ(replaceComments(), (std::vector<std::string>{"leaf.vxlprt@A: File Revision (A) Vexlar Version (3000)",
                                                         "mid.vxlasm@A: File Revision (A) Vexlar Version (3000)"}));
  EXPECT_EQ(vaultVersion("top.vxlasm", "A"), 2000);
}

TEST_F(UpdateTask, LoginNeedsAnAdministratorAndTheWholeLogin) {
  setLogin("clerk", "clerk-pw", vaultDir());
  auto [clerk, clerkText] = withText("InitKeysteadAdminConnection");
  EXPECT_FALSE(clerk);
  EXPECT_EQ(clerkText, "User Not Admin");
  setLogin("admin", "wrong", vaultDir());
  auto [wrong, wrongText] = withText("InitKeysteadAdminConnection");
  EXPECT_FALSE(wrong);
  EXPECT_TRUE(wrongText.ends_with(" in AdminLogin.")) << wrongText;
  setLogin("admin", "secret", "");
  auto [empty, emptyText] = withText("InitKeysteadAdminConnection");
  EXPECT_FALSE(empty);
  EXPECT_EQ(emptyText, "Login to Vault Failed2");
  auto [noConn, noConnText] = withText("AdminLogin");
  EXPECT_FALSE(noConn);
  EXPECT_EQ(noConnText, "Login to Vault Failed");
  setLogin("admin", "secret", vaultDir());
  EXPECT_EQ(call("GetUserName").toText(), "admin");
  EXPECT_EQ(call("GetRegistryValue", {au::Variant(static_cast<int>(0x80000001u)),
                                      au::Variant("Software\\Vexlar\\Vexlar 2007\\Keystead\\TempAdminUser\\"),
                                      au::Variant("Temp-3")})
                .toText(),
            vaultDir());
  EXPECT_EQ(call("GetRegistryValue", {au::Variant(static_cast<int>(0x80000001u)), au::Variant("Software\\Nope"),
                                      au::Variant("Temp-3")})
                .toText(),
            "");
  EXPECT_TRUE(login());
  EXPECT_TRUE(call("AdminLogout").asBool());
}

TEST_F(UpdateTask, TextsOfTheSmallMembers) {
  EXPECT_EQ(call("GetFileType", {au::Variant("C:\\a.b\\DRAWING.VXLDRW")}).toText(), "VX_DRAWING_TYPE");
  EXPECT_EQ(call("GetFileType", {au::Variant("lib.vxllfp")}).toText(), "VX_LIBFEATPART_EXT");
  EXPECT_EQ(call("GetFileType", {au::Variant("folder.prt\\noext")}).toText(), "");
  EXPECT_EQ(call("GetErrorStringFromError", {au::Variant(17)}).toText(),
            "Generic Save Error. File Lock Save Error. ");
  EXPECT_EQ(call("GetErrorStringFromError", {au::Variant(256)}).toText(), "");
  EXPECT_EQ(call("GetArrayItemName", {au::Variant("a.prt"), au::Variant("B")}).toText(), "a.prt_B");
  EXPECT_FALSE(call("GetFileHasAlreadyBeenUpdated", {au::Variant("a.prt"), au::Variant("B")}).asBool());
  call("WarningOut", {au::Variant("one")});
  call("WarningOut", {au::Variant("two")});
  EXPECT_EQ(warnings(), warningLine("one") + warningLine("two"));
}

}  // namespace
}  // namespace rc::testing
