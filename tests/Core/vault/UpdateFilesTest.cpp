// clsKstdUpdate keeps every file it should: a read-only file is never
// deleted, the rebuilt document survives a refused check-in as its backup
// copy, and a backup copy becomes the local file again by a move. And the
// texts callers read for a name the vault refuses, a missing or empty
// folder, and a warning file that cannot be written.
#include "tests/Core/vault/FailingProxy.h"
#include "tests/Core/vault/VaultTaskFixture.h"
#include "platform/os/Paths.h"

namespace rc::testing {
namespace {

using UpdateFiles = VaultTaskTest;
namespace fs = std::filesystem;

void makeReadOnly(const std::string& file) {
  fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
}

TEST_F(UpdateFiles, ReadOnlyFilesAreLeftWhereTheTaskDeletes) {
  // The clean-up leaves a read-only backup copy and goes on with the next.
  platform::writeFile(local("a.vxlprt_bk_A"), "read-only");
  platform::writeFile(local("b.vxlprt_bk_A"), "writable");
  makeReadOnly(local("a.vxlprt_bk_A"));
  EXPECT_TRUE(call("CleanUpBackupFiles").asBool());
  EXPECT_TRUE(platform::fileExists(local("a.vxlprt_bk_A")));
  EXPECT_FALSE(platform::fileExists(local("b.vxlprt_bk_A")));

  // A failed update deletes its local file, but not a read-only one.
  platform::writeFile(local("ro.vxlprt"), model(2000));
  makeReadOnly(local("ro.vxlprt"));
  ASSERT_TRUE(login());
  auto [ok, text] = withText("DoUpdate", {au::Variant("ro.vxlprt"), au::Variant(local("ro.vxlprt")), au::Variant("A"),
                                          au::Variant(false)});
  EXPECT_FALSE(ok);
  EXPECT_EQ(text, "Failed File Update: ro.vxlprt Revision: A");
  EXPECT_TRUE(platform::fileExists(local("ro.vxlprt")));
}

TEST_F(UpdateFiles, ARefusedCheckInKeepsTheRebuiltDocumentForTheNextRun) {
  checkIn("bracket.vxlprt", model(2000));
  const std::string before = vaultHash("bracket.vxlprt", "A");
  {
    ScopedFailingVault refusing;
    refusing.plan->answers["ReplaceDocument"] = au::Variant(4);
    auto [ok, text] = update("bracket.vxlprt");
    EXPECT_FALSE(ok);
    EXPECT_EQ(text, "Failed File Replace: bracket.vxlprt Revision: A");
  }
  EXPECT_EQ(vaultHash("bracket.vxlprt", "A"), before);
  EXPECT_FALSE(platform::fileExists(local("bracket.vxlprt")));
  ASSERT_TRUE(platform::fileExists(local("bracket.vxlprt_bk_A")));
  const std::string rebuilt = platform::readFile(local("bracket.vxlprt_bk_A"));
  EXPECT_NE(rebuilt.find("3000"), std::string::npos) << rebuilt;

  // The next run takes the rebuilt file back instead of fetching.
  auto [ok, text] = update("bracket.vxlprt");
  EXPECT_TRUE(ok) << text;
  EXPECT_EQ(vaultVersion("bracket.vxlprt", "A"), 3000);
}

TEST_F(UpdateFiles, ABackupNameMustBeAPlainFileName) {
  platform::writeFile(local("part.vxlprt"), "rebuilt");
  for (const char* rev : {"../../x", "A/B", "A\\B"}) {
    EXPECT_EQ(withText("BackupFile", {au::Variant("part.vxlprt"), au::Variant(rev)}),
              std::make_pair(false, std::string("Bad file name or number in function BackupFile.")))
        << rev;
  }
  EXPECT_EQ(platform::listFolder(work()), std::vector<std::string>{"part.vxlprt"});
  EXPECT_FALSE(fs::exists(path("x")));
}

TEST_F(UpdateFiles, ABackupCopyIsMovedBackNotCopied) {
  const std::string backup = local("part.vxlprt_bk_A");
  platform::writeFile(backup, "rebuilt");
  auto restore = [&] {
    std::vector<au::Variant> args{au::Variant(backup), au::Variant(local("part.vxlprt")), au::Variant("True")};
    return au::call(task, "GetFileAlreadyExistsOnDisk", args).asBool();
  };
  EXPECT_TRUE(restore());
  EXPECT_FALSE(platform::fileExists(backup));
  EXPECT_EQ(platform::readFile(local("part.vxlprt")), "rebuilt");

  // With the local file there as well, the move fails and both stay.
  platform::writeFile(backup, "older");
  try {
    restore();
    ADD_FAILURE() << "the move over an existing file went through";
  } catch (const au::AutomationError& e) {
    EXPECT_EQ(e.number(), au::err::FileAlreadyExists);
  }
  EXPECT_EQ(platform::readFile(backup), "older");
  EXPECT_EQ(platform::readFile(local("part.vxlprt")), "rebuilt");
}

TEST_F(UpdateFiles, AReferenceFetchedTwiceInOneCallFromItsBackupWarnsNothing) {
  // Both revisions of the assembly reference the same part, whose backup
  // copy an earlier run left: the first walk takes it back, the second
  // fetches it from the vault.
  checkIn("bolt.vxlprt", model(2000));
  checkIn("frame.vxlasm", model(2000), "A", {{"bolt.vxlprt", "A"}});
  checkIn("frame.vxlasm", model(2000), "B", {{"bolt.vxlprt", "A"}});
  platform::writeFile(local("bolt.vxlprt_bk_A"), model(3000));
  auto [ok, text] = update("frame.vxlasm");
  EXPECT_TRUE(ok) << text;
  EXPECT_EQ(warnings(), "");
  EXPECT_FALSE(platform::fileExists(local("bolt.vxlprt_bk_A")));
  EXPECT_TRUE(platform::fileExists(local("bolt.vxlprt")));
}

TEST_F(UpdateFiles, ANameTheVaultRefusesIsADocumentItDoesNotHave) {
  const std::string tooLong = std::string(300, 'n') + ".vxlprt";
  for (const std::string& name : {std::string("a/b.vxlprt"), std::string("a\\b.vxlprt"), std::string(), tooLong}) {
    call("SetUpdateLatestOnly", {au::Variant(true)});
    EXPECT_EQ(update(name), std::make_pair(false, std::string("Error Retrieving Document From Vault"))) << name;
    call("SetUpdateLatestOnly", {au::Variant(false)});
    auto [ok, text] = update(name);
    EXPECT_FALSE(ok);
    EXPECT_TRUE(text.ends_with(" in UpdateDocument.")) << text;
    EXPECT_EQ(text.find("invalid document name"), std::string::npos) << text;
  }
}

TEST_F(UpdateFiles, AWarningFileThatCannotBeWrittenStopsNoReferenceFetch) {
  checkIn("bolt.vxlprt", model(2000));
  checkIn("frame.vxlasm", model(2000), "A", {{"gone.vxlprt", "B"}, {"bolt.vxlprt", "A"}});
  call("SetUpdateWarningFilePath", {au::Variant(path("no/such/folder/warnings.txt"))});
  update("frame.vxlasm");
  EXPECT_TRUE(platform::fileExists(local("bolt.vxlprt")));
}

TEST_F(UpdateFiles, AMissingFolderFailsAtTheFetchAndAnEmptyOneIsTheDriveRoot) {
  checkIn("bracket.vxlprt", model(2000));
  call("SetUpdatingDirectory", {au::Variant(path("missing"))});
  auto [ok, text] = update("bracket.vxlprt");
  EXPECT_FALSE(ok);
  EXPECT_TRUE(text.ends_with(" in function GetDocumentToDisk.")) << text;
  EXPECT_EQ(vaultVersion("bracket.vxlprt", "A"), 2000);
  EXPECT_FALSE(call("CleanUpBackupFiles").asBool());
  EXPECT_EQ(warnings(), warningLine("Error 'Path not found' deleting backup files in '" + path("missing") + "'."));

  call("SetUpdatingDirectory", {au::Variant("")});
  auto [rootOk, rootText] = update("bracket.vxlprt");
  EXPECT_TRUE(rootOk) << rootText;
  EXPECT_TRUE(platform::fileExists(platform::driveRoot() + "/bracket.vxlprt"));
  EXPECT_EQ(vaultVersion("bracket.vxlprt", "A"), 3000);
}

}  // namespace
}  // namespace rc::testing
