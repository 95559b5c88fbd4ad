// clsKstdUpdate when things go wrong: the host or the vault failing at any
// member, a full disk, a read-only folder, contents that are no host
// documents, hostile names and backup folders. Whatever fails, nothing is
// checked in half, no backup copy is lost and the host keeps no document open.
#include <unistd.h>

#include "tests/Core/vault/FailingProxy.h"
#include "tests/Core/vault/VaultTaskFixture.h"

namespace rc::testing {
namespace {

using UpdateFaults = VaultTaskTest;

// The outcome of one run is whole: either the revision was updated (checked
// in at the host's version, backup copy written) or nothing changed in the
// vault and the local file is gone.
void expectWhole(const std::string& backup, const std::pair<bool, std::string>& run, const std::string& name,
                 const std::string& hashBefore, const std::string& hashNow, std::optional<std::int32_t> versionNow) {
  if (run.first) {
    EXPECT_EQ(versionNow, 3000) << name;
    EXPECT_TRUE(platform::fileExists(backup)) << name;
  } else {
    EXPECT_EQ(hashNow, hashBefore) << name << ": " << run.second;
    EXPECT_FALSE(run.second.empty()) << name;
  }
}

class HostMemberFails : public VaultTaskTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(HostMemberFails, TheRunFailsWholeAndClosesItsDocuments) {
  checkIn("bracket.vxlprt", model(2000));
  const std::string before = vaultHash("bracket.vxlprt", "A");
  ASSERT_TRUE(login());
  ASSERT_TRUE(call("GetVexlarVersion").asBool());
  au::call(host, "SimFail", {au::Variant(GetParam()), au::Variant("host fault"), au::Variant(1)});
  auto run = withText("UpdateDocument", {au::Variant("bracket.vxlprt")});
  expectWhole(local("bracket.vxlprt_bk_A"), run, "bracket.vxlprt", before, vaultHash("bracket.vxlprt", "A"),
              vaultVersion("bracket.vxlprt", "A"));
  const std::string member = GetParam();
  if (member == "CloseDoc" || member == "CloseAllDocuments") {
    EXPECT_TRUE(run.first) << run.second;  // a failed close is only a progress text
  } else {
    EXPECT_FALSE(run.first);
    EXPECT_EQ(run.second, "Failed File Update: bracket.vxlprt Revision: A");
    EXPECT_FALSE(platform::fileExists(local("bracket.vxlprt")));
  }
  EXPECT_TRUE(au::call(host, "ActiveDoc").isNothing());
}

INSTANTIATE_TEST_SUITE_P(Members, HostMemberFails,
                         ::testing::Values("GetOpenDocumentByName", "OpenDoc6", "ActivateDoc", "Rebuild", "Save3",
                                           "VersionHistory", "CloseDoc", "CloseAllDocuments"));

TEST_F(UpdateFaults, HostFailingAtEveryCallInTurn) {
  checkIn("probe.vxlprt", model(2000));
  ASSERT_TRUE(update("probe.vxlprt").first);
  // The calls of one clean update, counted on a second document.
  checkIn("count.vxlprt", model(2000));
  ASSERT_TRUE(login());
  const std::int32_t start = au::call(host, "SimCallCount").toLong();
  ASSERT_TRUE(withText("UpdateDocument", {au::Variant("count.vxlprt")}).first);
  const std::int32_t calls = au::call(host, "SimCallCount").toLong() - start;
  ASSERT_GT(calls, 5);
  for (int n = 1; n <= calls; ++n) {
    const std::string name = "p" + std::to_string(n) + ".vxlprt";
    checkIn(name, model(2000));
    const std::string before = vaultHash(name, "A");
    ASSERT_TRUE(login());
    au::call(host, "SimFailAfter", {au::Variant(n), au::Variant("host fault")});
    auto run = withText("UpdateDocument", {au::Variant(name)});
    au::call(host, "SimFailAfter", {au::Variant(0), au::Variant("")});
    expectWhole(local(name + "_bk_A"), run, name, before, vaultHash(name, "A"), vaultVersion(name, "A"));
    EXPECT_TRUE(au::call(host, "ActiveDoc").isNothing()) << n;
  }
}

TEST_F(UpdateFaults, VaultGoingAwayAtEveryCallInTurn) {
  ScopedFailingVault failing;
  const std::shared_ptr<FailPlan>& plan = failing.plan;
  checkIn("bolt.vxlprt", model(2000));
  ASSERT_TRUE(login());
  ASSERT_TRUE(call("GetVexlarVersion").asBool());
  plan->arm(0);
  checkIn("count.vxlasm", model(2000), "", {{"bolt.vxlprt", "A"}});
  ASSERT_TRUE(withText("UpdateDocument", {au::Variant("count.vxlasm")}).first);
  const int calls = plan->calls;
  ASSERT_GT(calls, 5);
  for (int n = 1; n <= calls; ++n) {
    const std::string name = "a" + std::to_string(n) + ".vxlasm";
    checkIn(name, model(2000), "", {{"bolt.vxlprt", "A"}});
    const std::string before = vaultHash(name, "A");
    platform::writeFile(local("keep.vxlprt_bk_A"), "backup");
    ASSERT_TRUE(login());
    plan->arm(n);
    auto run = withText("UpdateDocument", {au::Variant(name)});
    plan->arm(0);
    SCOPED_TRACE(std::to_string(n) + ": " + run.second + " | " + warnings());
    expectWhole(local(name + "_bk_A"), run, name, before, vaultHash(name, "A"), vaultVersion(name, "A"));
    EXPECT_EQ(vaultVersion("bolt.vxlprt", "A"), 2000) << n;
    EXPECT_TRUE(platform::fileExists(local("keep.vxlprt_bk_A"))) << n;
    EXPECT_TRUE(au::call(host, "ActiveDoc").isNothing()) << n;
  }
  // A failure inside the login is the login's text.
  plan->arm(1);
  auto [ok, text] = withText("InitKeysteadAdminConnection");
  EXPECT_FALSE(ok);
  EXPECT_EQ(text, "The vault went away in AdminLogin.");
}

TEST_F(UpdateFaults, AFullDiskFetchesNothingAndCleansUpBackupsFirst) {
  checkIn("bracket.vxlprt", model(2000));
  early().setFreeBytesQuery([](std::string_view) { return std::uint64_t{0}; });
  auto [full, fullText] = update("bracket.vxlprt");
  EXPECT_FALSE(full);
  EXPECT_EQ(fullText, "No Disk Space");
  EXPECT_FALSE(platform::fileExists(local("bracket.vxlprt")));
  EXPECT_EQ(vaultVersion("bracket.vxlprt", "A"), 2000);

  // Room only once the backup copies are gone; exactly size + 3000 is enough.
  const std::int64_t size = vault->revision("bracket.vxlprt", "A")->size;
  platform::writeFile(local("old.vxlprt_bk_C"), "old backup");
  platform::writeFile(local("keep.txt"), "not a backup");
  const std::string backup = local("old.vxlprt_bk_C");
  early().setFreeBytesQuery([backup, size](std::string_view) {
    return static_cast<std::uint64_t>(platform::fileExists(backup) ? size + 2999 : size + 3000);
  });
  auto [ok, text] = update("bracket.vxlprt");
  EXPECT_TRUE(ok) << text;
  EXPECT_FALSE(platform::fileExists(backup));
  EXPECT_TRUE(platform::fileExists(local("keep.txt")));
  EXPECT_EQ(vaultVersion("bracket.vxlprt", "A"), 3000);
}

TEST_F(UpdateFaults, AReadOnlyFolderFailsTheFetch) {
  if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  checkIn("bracket.vxlprt", model(2000));
  std::filesystem::permissions(work(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  auto [ok, text] = update("bracket.vxlprt");
  EXPECT_FALSE(ok);
  EXPECT_TRUE(text.ends_with(" in function GetDocumentToDisk.")) << text;
  EXPECT_EQ(vaultVersion("bracket.vxlprt", "A"), 2000);
}

TEST_F(UpdateFaults, ContentThatIsNoHostDocumentIsNeverCheckedIn) {
  checkIn("junk.vxlprt", "this is not a model file");
  const std::string before = vaultHash("junk.vxlprt", "A");
  auto [ok, text] = update("junk.vxlprt");
  EXPECT_FALSE(ok);
  EXPECT_EQ(text, "Failed File Update: junk.vxlprt Revision: A");
  EXPECT_FALSE(platform::fileExists(local("junk.vxlprt")));
  EXPECT_EQ(vaultHash("junk.vxlprt", "A"), before);
}

TEST_F(UpdateFaults, SaveErrorsAndOpenWarningsBecomeTexts) {
  checkIn("locked.vxlprt", model(2000, ", \"saveErrors\": 17"));
  auto [ok, text] = update("locked.vxlprt");
  EXPECT_FALSE(ok);
  EXPECT_EQ(text, "Failed File Update: locked.vxlprt Revision: A");
  EXPECT_EQ(vaultVersion("locked.vxlprt", "A"), 2000);

  platform::writeFile(local("save.vxlprt"), model(2000, ", \"saveErrors\": 17"));
  EXPECT_EQ(withText("RunVexlarUpdate", {au::Variant(local("save.vxlprt"))}),
            std::make_pair(false, std::string("Generic Save Error. File Lock Save Error. ")));
  platform::writeFile(local("rebuild.vxlprt"), model(2000, ", \"saveWarnings\": 1"));
  EXPECT_EQ(withText("RunVexlarUpdate", {au::Variant(local("rebuild.vxlprt"))}),
            std::make_pair(false, std::string("Rebuild errors on save.")));
  platform::writeFile(local("fine.vxlprt"), model(2000, ", \"saveWarnings\": 6"));
  call("SetDoReOpenCheck", {au::Variant(true)});
  EXPECT_EQ(withText("RunVexlarUpdate", {au::Variant(local("fine.vxlprt"))}), std::make_pair(true, std::string()));
  platform::writeFile(local("ro.vxlprt"), model(2000, ", \"readOnly\": true"));
  EXPECT_EQ(withText("OpenDoc", {au::Variant(local("ro.vxlprt"))}),
            std::make_pair(false, std::string("File was marked as read only")));
  platform::writeFile(local("view.vxlprt"), model(2000, ", \"viewOnly\": true, \"lockedBy\": \"kim\""));
  EXPECT_EQ(withText("OpenDoc", {au::Variant(local("view.vxlprt"))}),
            std::make_pair(false, std::string("File was locked by another user")));
  platform::writeFile(local("lib.vxllfp"), model(2000));
  EXPECT_EQ(withText("OpenDoc", {au::Variant(local("lib.vxllfp"))}), std::make_pair(false, std::string()));
}

// A vault document with any name, whose Save is recorded.
class NamedDocument : public au::Dispatch {
 public:
  explicit NamedDocument(std::string name) : name_(std::move(name)) {}
  static const au::ClassInfo& info() {
    static const au::ClassInfo ci = au::ClassBuilder<NamedDocument>("Test", "NamedDocument")
        .get("Name", au::VarType::String, {}, [](NamedDocument& d, au::CallArgs&) { return au::Variant(d.name_); })
        .get("Revision", au::VarType::String, {}, [](NamedDocument&, au::CallArgs&) { return au::Variant("A"); })
        .get("Size", au::VarType::Long, {}, [](NamedDocument&, au::CallArgs&) { return au::Variant(10); })
        .get("VexlarVersion", au::VarType::Long, {}, [](NamedDocument&, au::CallArgs&) { return au::Variant(1); })
        .method("Save", au::VarType::Void, {au::byVal("Directory", au::VarType::String)},
                [](NamedDocument& d, au::CallArgs&) {
                  d.saved = true;
                  return au::Variant();
                })
        .build();
    return ci;
  }
  const au::ClassInfo& typeInfo() const override { return info(); }
  bool saved = false;

 private:
  std::string name_;
};

TEST_F(UpdateFaults, HostileDocumentNamesAreRefused) {
  ASSERT_TRUE(login());
  for (const std::string& name : std::vector<std::string>{"../evil.vxlprt", "sub/x.vxlprt", "a\\b.vxlprt",
                                                         "bad\x01.vxlprt", ".."}) {
    auto doc = std::make_shared<NamedDocument>(name);
    const std::string refused = "Refused vault document name '" + name + "': not a plain file name";
    EXPECT_EQ(withText("UpdateSpecificDocument", {au::Variant(au::ObjectRef(doc))}), std::make_pair(false, refused));
    EXPECT_EQ(withText("GetDocumentToDisk", {au::Variant(au::ObjectRef(doc))}), std::make_pair(false, refused));
    EXPECT_FALSE(doc->saved) << name;
  }
  EXPECT_TRUE(std::filesystem::is_empty(work()));
  EXPECT_EQ(warnings(), "");
}

TEST_F(UpdateFaults, OnlyFilesNamedAsBackupsAreCleanedUp) {
  const std::string folder = path("old_BK_files");
  std::filesystem::create_directories(folder + "/sub_bk_dir");
  for (const char* name : {"a.vxlprt", "a.vxlprt_bk_A", "b.VXLPRT_BK_B", "notes.txt"})
    platform::writeFile(folder + "/" + name, "x");
  call("SetUpdatingDirectory", {au::Variant(folder)});
  EXPECT_TRUE(call("CleanUpBackupFiles").asBool());
  std::vector<std::string> left = platform::listFolder(folder);
  EXPECT_EQ(left, (std::vector<std::string>{"a.vxlprt", "notes.txt", "sub_bk_dir"}));

}

}  // namespace
}  // namespace rc::testing
