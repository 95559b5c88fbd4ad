// The connection objects as the update and print tasks drive them, by
// member name: Login, users, GetSpecificDocument, the documents and their
// collections, and the administration interface with its statuses.
#include <filesystem>

#include "platform/automation/Dispatch.h"
#include "platform/automation/Error.h"
#include "platform/automation/Registry.h"
#include "sim/Register.h"
#include "tests/sim/vault/VaultFixture.h"

namespace rc::sim::vault::testing {
namespace {

using automation::AutomationError;
using automation::ObjectRef;
using automation::Variant;
using automation::call;
using automation::callObject;

// The description of the error `fn` raises, or "" when it raises none.
template <typename Fn>
std::string errorText(Fn&& fn) {
  try {
    fn();
  } catch (const AutomationError& e) {
    return e.description().empty() ? "(error " + std::to_string(e.number()) + ")" : e.description();
  }
  return "";
}

class Connection : public VaultTest {
 protected:
  void SetUp() override {
    VaultTest::SetUp();
    if (IsSkipped()) return;
    registerApplications();
    auto v = open();
    v->addUser("admin", "admin-pw", true, "root");
    v->addUser("printer", "print-pw", false, "root");
    checkIn(*v, "part.prt", model(3100), "", {{"sub.prt", "B"}, {"missing.prt", "A"}});
    checkIn(*v, "part.prt", model(3200));
    checkIn(*v, "plain.txt", "no model");
    conn_ = automation::createObject("Keystead.KstdConnection");
  }

  void login(const std::string& user, const std::string& password) {
    std::vector<Variant> args{Variant(user), Variant(password), Variant(vaultDir())};
    call(conn_, "Login", args);
  }
  ObjectRef document(const std::string& name) { return callObject(conn_, "GetSpecificDocument", {Variant(name)}); }
  ObjectRef document(const std::string& name, const std::string& revision) {
    return callObject(conn_, "GetSpecificDocument", {Variant(name), Variant(revision)});
  }
  ObjectRef admin() { return conn_->queryInterface("IKstdAdmin"); }
  std::int32_t replace(const std::string& localPath, const std::string& revision, bool useOldDates = false) {
    return call(admin(), "ReplaceDocument", {Variant(localPath), Variant("comment"), Variant(revision), Variant(useOldDates)})
        .asLong();
  }

  ObjectRef conn_;
};

TEST_P(Connection, LoginRefusesUnknownUsersAndWrongPasswordsAlike) {
  std::string unknown = errorText([&] { login("nobody", "admin-pw"); });
  std::string wrong = errorText([&] { login("admin", "wrong"); });
  EXPECT_FALSE(unknown.empty());
  EXPECT_EQ(unknown, wrong);
  EXPECT_EQ(wrong.find("admin-pw"), std::string::npos);
  EXPECT_NE(errorText([&] { document("part.prt"); }), "");  // still logged out

  std::vector<Variant> args{Variant("admin"), Variant("admin-pw"), Variant(path("no-vault-here"))};
  std::string noVault = errorText([&] { call(conn_, "Login", args); });
  EXPECT_NE(noVault, "");
  EXPECT_NE(noVault, wrong);

  login("admin", "admin-pw");
  EXPECT_TRUE(document("part.prt"));
  call(conn_, "Logout");
  EXPECT_NE(errorText([&] { document("part.prt"); }), "");
  EXPECT_NE(errorText([&] { call(conn_, "users"); }), "");

  auto log = open()->auditLog();
  std::vector<std::string> logins;
  for (const AuditEntry& e : log)
    if (e.action.rfind("log", 0) == 0) logins.push_back(e.user + " " + e.action);
  EXPECT_EQ(logins, (std::vector<std::string>{"nobody login failed", "admin login failed", "admin login", "admin logout"}));
}

TEST_P(Connection, AVaultNameResolvesUnderTheVaultsFolder) {
  std::filesystem::rename(vaultDir(), path("lab"));
  ::setenv("KEYSTEAD_VAULTS", root_.c_str(), 1);
  std::vector<Variant> args{Variant("printer"), Variant("print-pw"), Variant("lab")};
  EXPECT_EQ(errorText([&] { call(conn_, "Login", args); }), "");
  ::unsetenv("KEYSTEAD_VAULTS");
  EXPECT_TRUE(document("plain.txt"));
}

TEST_P(Connection, UsersTellAdministrators) {
  login("printer", "print-pw");
  ObjectRef users = callObject(conn_, "users");
  EXPECT_TRUE(call(callObject(users, "Item", {Variant("admin")}), "IsAdmin").asBool());
  EXPECT_FALSE(call(callObject(users, "Item", {Variant("printer")}), "IsAdmin").asBool());
  EXPECT_NE(errorText([&] { callObject(users, "Item", {Variant("mallory")}); }), "");
  EXPECT_EQ(call(users, "Count").asLong(), 2);
  auto all = users->enumerate();
  ASSERT_TRUE(all);
  ASSERT_EQ(all->size(), 2u);
  EXPECT_EQ(call((*all)[0].asObject(), "Name").asString(), "admin");
}

TEST_P(Connection, DocumentsGiveTheirRevisionsReferencesAndContent) {
  login("printer", "print-pw");
  EXPECT_TRUE(document("absent.prt") == nullptr);
  EXPECT_TRUE(document("part.prt", "Z") == nullptr);
  EXPECT_NE(errorText([&] { document("../part.prt"); }), "");
  EXPECT_NE(errorText([&] { document("a/b"); }), "");

  ObjectRef current = document("part.prt");
  EXPECT_EQ(call(current, "Name").asString(), "part.prt");
  EXPECT_EQ(call(current, "Revision").asString(), "B");
  EXPECT_EQ(call(current, "Size").asLong(), static_cast<int>(model(3200).size()));
  EXPECT_EQ(call(current, "VexlarVersion").asLong(), 3200);
  EXPECT_EQ(call(callObject(current, "references"), "Count").asLong(), 0);

  ObjectRef first = document("part.prt", "A");
  EXPECT_EQ(call(first, "VexlarVersion").asLong(), 3100);
  ObjectRef refs = callObject(first, "references");
  EXPECT_EQ(call(refs, "Count").asLong(), 2);
  ObjectRef ref2 = callObject(refs, "Item", {Variant(2)});
  EXPECT_EQ(call(ref2, "Name").asString(), "missing.prt");
  EXPECT_EQ(call(ref2, "Revision").asString(), "A");
  EXPECT_EQ(errorText([&] { call(refs, "Item", {Variant(3)}); }).empty(), false);
  EXPECT_EQ(errorText([&] { call(refs, "Item", {Variant(0)}); }).empty(), false);

  ObjectRef revisions = callObject(first, "Revisions");
  auto items = revisions->enumerate();
  ASSERT_TRUE(items);
  ASSERT_EQ(items->size(), 2u);
  EXPECT_EQ(call((*items)[0].asObject(), "Revision").asString(), "A");
  EXPECT_EQ(call((*items)[1].asObject(), "Revision").asString(), "B");
  EXPECT_EQ(call(callObject(revisions, "Item", {Variant(1)}), "Revision").asString(), "A");

  EXPECT_NE(errorText([&] { call(document("plain.txt"), "VexlarVersion"); }), "");

  call(first, "Save", {Variant(out())});
  EXPECT_EQ(readText(out() + "/part.prt"), model(3100));
  call(current, "Save", {Variant(out())});
  EXPECT_EQ(readText(out() + "/part.prt"), model(3200));
  EXPECT_NE(errorText([&] { call(current, "Save", {Variant(path("no/such"))}); }), "");
}

TEST_P(Connection, AdministratorsReplaceDocumentsWithStatuses) {
  std::filesystem::create_directories(path("local"));
  std::string local = path("local/part.prt");
  writeText(local, model(4000, "rebuilt"));
  login("admin", "admin-pw");
  ASSERT_TRUE(admin());
  EXPECT_EQ(replace(local, "A"), 2);  // no administrator registered yet
  EXPECT_NE(errorText([&] { call(admin(), "RegisterAdminUser", {Variant("printer")}); }), "");
  call(admin(), "RegisterAdminUser", {Variant("admin")});

  EXPECT_EQ(replace(path("local/none.prt"), "A"), 3);
  EXPECT_EQ(replace(path("local"), "A"), 3);
  writeText(path("local/other.prt"), "x");
  EXPECT_EQ(replace(path("local/other.prt"), "A"), 1);
  EXPECT_EQ(replace(local, "Q"), 1);

  std::string oldModified = open()->revision("part.prt", "A")->modified;
  EXPECT_EQ(replace(local, "A", true), 0);
  ObjectRef a = document("part.prt", "A");
  EXPECT_EQ(call(a, "VexlarVersion").asLong(), 4000);
  EXPECT_EQ(open()->revision("part.prt", "A")->modified, oldModified);
  EXPECT_EQ(call(document("part.prt"), "VexlarVersion").asLong(), 3200);  // B untouched

  // A storage failure: the vault has lost its contents folder.
  std::filesystem::rename(vaultDir() + "/blobs", vaultDir() + "/blobs.away");
  EXPECT_EQ(replace(local, "B"), 4);
  std::filesystem::rename(vaultDir() + "/blobs.away", vaultDir() + "/blobs");
  EXPECT_EQ(call(document("part.prt"), "VexlarVersion").asLong(), 3200);

  call(admin(), "ReleaseAdminUser");
  EXPECT_EQ(replace(local, "B"), 2);

  // A user who is no administrator cannot register.
  login("printer", "print-pw");
  EXPECT_NE(errorText([&] { call(admin(), "RegisterAdminUser", {Variant("printer")}); }), "");
  EXPECT_EQ(replace(local, "A"), 2);
}

TEST_P(Connection, TheAdministrationInterfaceBelongsToTheSameConnection) {
  ObjectRef adm = admin();
  ASSERT_TRUE(adm);
  EXPECT_EQ(adm->queryInterface("IKstdConnection"), conn_);
  EXPECT_EQ(conn_->queryInterface("IKstdNoSuch"), nullptr);
  EXPECT_EQ(call(adm, "ReplaceDocument", {Variant("x"), Variant(""), Variant("A"), Variant(false)}).asLong(), 2);
  EXPECT_NE(errorText([&] { call(adm, "RegisterAdminUser", {Variant("admin")}); }), "");  // not logged in
}

KSTD_BOTH_BACKENDS(Connection);

}  // namespace
}  // namespace rc::sim::vault::testing
