// The vault's store on both backends: revisions, labels, references,
// contents, replacements, users and the audit log, and the name rules.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "sim/vault/Names.h"
#include "sim/vault/Passwords.h"
#include "sim/vault/VaultLocation.h"
#include "tests/sim/vault/VaultFixture.h"

namespace rc::sim::vault::testing {
namespace {

using Store = VaultTest;

TEST_P(Store, RevisionsAreLabelledInCreationOrderWithTheirReferences) {
  auto v = open();
  EXPECT_EQ(checkIn(*v, "a.prt", model(7), "", {{"b.prt", "A"}, {"gone.prt", "Z9"}}).label, "A");
  EXPECT_EQ(checkIn(*v, "a.prt", model(8)).label, "B");
  EXPECT_EQ(checkIn(*v, "a.prt", model(9), "03").label, "03");
  EXPECT_EQ(checkIn(*v, "a.prt", model(10)).label, "D");

  auto revs = v->revisions("a.prt");
  ASSERT_EQ(revs.size(), 4u);
  EXPECT_EQ(revs[2].label, "03");
  ASSERT_EQ(revs[0].references.size(), 2u);
  EXPECT_EQ(revs[0].references[1].name, "gone.prt");  // dangling, kept as given
  EXPECT_EQ(revs[0].references[1].revision, "Z9");
  EXPECT_EQ(v->revision("a.prt")->label, "D");
  EXPECT_EQ(v->revision("a.prt", "B")->hostVersion, 8);
  EXPECT_FALSE(v->revision("a.prt", "Q"));
  EXPECT_FALSE(v->revision("b.prt"));

  // A taken label is refused and changes nothing.
  EXPECT_EQ(vaultErrorOf([&] { checkIn(*v, "a.prt", "x", "B"); }), ErrorKind::Exists);
  EXPECT_EQ(v->revisions("a.prt").size(), 4u);
  EXPECT_EQ(v->revision("a.prt", "B")->hostVersion, 8);
}

TEST(RevisionLabels, RunThroughTheAlphabetAndOn) {
  EXPECT_EQ(letterLabel(1), "A");
  EXPECT_EQ(letterLabel(26), "Z");
  EXPECT_EQ(letterLabel(27), "AA");
  EXPECT_EQ(letterLabel(28), "AB");
  EXPECT_EQ(letterLabel(703), "AAA");
}

TEST_P(Store, SizesAndHostVersionsComeFromTheContent) {
  auto v = open();
  RevisionRecord empty = checkIn(*v, "empty.prt", "");
  EXPECT_EQ(empty.size, 0);
  EXPECT_FALSE(empty.hostVersion);
  EXPECT_EQ(checkIn(*v, "m.prt", "  \n" + model(2042)).hostVersion, 2042);
  EXPECT_FALSE(checkIn(*v, "nested.prt", R"({"a": {"fileVersion": 5}})").hostVersion);
  EXPECT_FALSE(checkIn(*v, "array.prt", R"([{"fileVersion": 5}])").hostVersion);
  EXPECT_FALSE(checkIn(*v, "text.prt", R"({"fileVersion": "5"})").hostVersion);
  EXPECT_FALSE(checkIn(*v, "huge.prt", R"({"fileVersion": 99999999999})").hostVersion);
  EXPECT_FALSE(checkIn(*v, "binary.prt", std::string("\0\x01\xff{", 4)).hostVersion);
  EXPECT_EQ(checkIn(*v, "broken.prt", R"({"fileVersion": -3, "rest": [)").hostVersion, -3);
  EXPECT_EQ(checkIn(*v, "bytes.bin", std::string(1000, 'x')).size, 1000);
  // Contents are named by their SHA-256.
  RevisionRecord abc = checkIn(*v, "abc.txt", "abc");
  EXPECT_EQ(abc.hash, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(readText(vaultDir() + "/blobs/" + abc.hash), "abc");

  v->save(*v->revision("empty.prt"), out());
  EXPECT_EQ(readText(out() + "/empty.prt"), "");
}

TEST_P(Store, ReplacingAContentKeepsTheOldOneAndAuditsBothHashes) {
  auto v = open();
  RevisionRecord a = checkIn(*v, "a.prt", model(1));
  checkIn(*v, "a.prt", model(2));
  std::string local = path("local/a.prt");
  std::filesystem::create_directories(path("local"));
  writeText(local, model(5, "new"));
  {
    SourceFile src(local);
    EXPECT_FALSE(v->replace(src, "a.prt", "Q", "no such", false, "admin"));
    EXPECT_FALSE(v->replace(src, "z.prt", "A", "no such", false, "admin"));
    EXPECT_TRUE(v->replace(src, "a.prt", "A", "rebuilt", true, "admin"));
  }
  RevisionRecord now = *v->revision("a.prt", "A");
  EXPECT_EQ(now.hostVersion, 5);
  EXPECT_NE(now.hash, a.hash);
  EXPECT_EQ(now.modified, a.modified);  // useOldDates
  EXPECT_EQ(v->revisions("a.prt").size(), 2u);
  EXPECT_TRUE(std::filesystem::exists(vaultDir() + "/blobs/" + a.hash));
  v->save(now, out());
  EXPECT_EQ(readText(out() + "/a.prt"), model(5, "new"));

  AuditEntry last = v->auditLog().back();
  EXPECT_EQ(last.action, "replace");
  EXPECT_EQ(last.user, "admin");
  EXPECT_EQ(last.document, "a.prt");
  EXPECT_EQ(last.revision, "A");
  EXPECT_EQ(last.comment, "rebuilt");
  EXPECT_EQ(last.oldHash, a.hash);
  EXPECT_EQ(last.newHash, now.hash);

  // Without useOldDates the revision takes the time of the replacement.
  ::sleep(1);
  {
    SourceFile src(local);
    EXPECT_TRUE(v->replace(src, "a.prt", "A", "again", false, "admin"));
  }
  EXPECT_GT(v->revision("a.prt", "A")->modified, a.modified);
}

TEST_P(Store, PasswordsAreKeptOnlyAsArgon2idHashes) {
  const std::string password = "Tr0ub4dor&3-unique-7731";
  auto v = open();
  v->addUser("alice", password, true, "root");
  v->addUser("bob", "other-password", false, "root");
  EXPECT_EQ(vaultErrorOf([&] { v->addUser("alice", "x", false, "root"); }), ErrorKind::Exists);
  EXPECT_EQ(vaultErrorOf([&] { v->addUser("carol", "", false, "root"); }), ErrorKind::Refused);
  EXPECT_EQ(vaultErrorOf([&] { v->addUser("bad\nname", "x", false, "root"); }), ErrorKind::Refused);

  auto alice = v->user("alice");
  ASSERT_TRUE(alice);
  EXPECT_TRUE(alice->isAdmin);
  EXPECT_EQ(alice->passwordHash.rfind("$argon2id$", 0), 0u);
  EXPECT_TRUE(verifyPassword(password, alice->passwordHash));
  EXPECT_FALSE(v->user("bob")->isAdmin);

  EXPECT_TRUE(v->login("alice", password));
  EXPECT_FALSE(v->login("alice", password + "x"));
  EXPECT_FALSE(v->login("mallory", password));

  std::vector<std::string> actions;
  for (const AuditEntry& e : v->auditLog()) {
    actions.push_back(e.user + " " + e.action);
    for (const std::string& field : {e.user, e.action, e.document, e.revision, e.comment})
      EXPECT_EQ(field.find(password), std::string::npos);
  }
  EXPECT_EQ(actions, (std::vector<std::string>{"root register admin user", "root register user", "alice login",
                                                "alice login failed", "mallory login failed"}));
  for (const UserRecord& u : v->users()) EXPECT_EQ(u.passwordHash.find(password), std::string::npos);
  if (!postgres()) {
    v.reset();
    for (const char* f : {"/vault.sqlite", "/vault.sqlite-wal"})
      EXPECT_EQ(readText(vaultDir() + f).find(password), std::string::npos) << f;
  }
}

TEST_P(Store, NamesWithFoldersOrControlCharactersAreRefused) {
  auto v = open();
  const std::string bad[] = {"", ".", "..", "../a.prt", "a/b.prt", "a\\b.prt", "a..b", std::string("a\0b", 3),
                             "tab\there", "line\nbreak", "del\x7f", std::string(256, 'n')};
  std::string file = source("ok.prt", "x");
  for (const std::string& name : bad) {
    if (!name.empty()) {  // an empty name stands for the file's own
      EXPECT_EQ(vaultErrorOf([&] { v->checkIn(Vault::CheckIn{file, name, "", {}, ""}, "t"); }), ErrorKind::Refused) << name;
    }
    EXPECT_EQ(vaultErrorOf([&] { v->revision(name); }), ErrorKind::Refused) << name;
    EXPECT_EQ(vaultErrorOf([&] { v->checkIn(Vault::CheckIn{file, "ok.prt", "", {{name, "A"}}, ""}, "t"); }),
              ErrorKind::Refused);
  }
  EXPECT_EQ(vaultErrorOf([&] { v->checkIn(Vault::CheckIn{file, "ok.prt", "bad\rlabel", {}, ""}, "t"); }), ErrorKind::Refused);
  EXPECT_EQ(vaultErrorOf([&] { v->checkIn(Vault::CheckIn{file, "ok.prt", "", {{"b.prt", ""}}, ""}, "t"); }), ErrorKind::Refused);
  EXPECT_TRUE(v->allRevisions().empty());
  // Names that only look odd are plain names.
  EXPECT_EQ(checkIn(*v, "a b@c (1).prt", "x").label, "A");
  EXPECT_EQ(checkIn(*v, "Ünïcode.prt", "x").label, "A");
  EXPECT_EQ(checkIn(*v, ".hidden", "x").label, "A");
}

TEST_P(Store, RevisionLabelsMustBePlainFileNameParts) {
  // The update task names a local copy NAME_bk_<label>: a label with a
  // folder in it would put that copy elsewhere.
  auto v = open();
  std::string file = source("ok.prt", "x");
  for (const std::string& label : std::vector<std::string>{"A/B", "..", "../../x", "a\\b", "x..y", ".", std::string("a\0b", 3)}) {
    EXPECT_EQ(vaultErrorOf([&] { v->checkIn(Vault::CheckIn{file, "ok.prt", label, {}, ""}, "t"); }), ErrorKind::Refused) << label;
    EXPECT_EQ(vaultErrorOf([&] { v->checkIn(Vault::CheckIn{file, "ok.prt", "", {{"b.prt", label}}, ""}, "t"); }),
              ErrorKind::Refused) << label;
  }
  EXPECT_TRUE(v->allRevisions().empty());
  EXPECT_EQ(checkIn(*v, "ok.prt", "x", "1.0-rc 2").label, "1.0-rc 2");

  // A vault written before the rule may hold such a label: its content is
  // not replaced under it.
  RevisionRecord old = checkIn(*v, "old.prt", "old content");
  old.label = "A/B";
  {
    Records records(openBackend(vaultDir(), OpenMode::ReadWrite));
    records.addRevision(old, AuditEntry{nowText(), "t", "check-in", "old.prt", "", "", "", old.hash}, nullptr);
  }
  SourceFile replacement(source("new.prt", "new content"));
  EXPECT_FALSE(v->replace(replacement, "old.prt", "A/B", "", false, "t"));
  EXPECT_EQ(v->revision("old.prt", "A/B")->hash, old.hash);
}

TEST_P(Store, MissingSourceFilesAndFoldersAreClearErrors) {
  auto v = open();
  std::string text;
  EXPECT_EQ(vaultErrorOf([&] { v->checkIn(Vault::CheckIn{path("src/none.prt"), "", "", {}, ""}, "t"); }, &text),
            ErrorKind::NotFound);
  EXPECT_NE(text.find("none.prt"), std::string::npos);
  EXPECT_EQ(vaultErrorOf([&] { v->checkIn(Vault::CheckIn{path("src"), "", "", {}, ""}, "t"); }), ErrorKind::Refused);
  RevisionRecord a = checkIn(*v, "a.prt", "x");
  EXPECT_EQ(vaultErrorOf([&] { v->save(a, path("no/such/folder")); }), ErrorKind::NotFound);
  EXPECT_TRUE(v->allRevisions().size() == 1);
}

TEST_P(Store, SaveChecksTheContentBeforeItWritesAnything) {
  auto v = open();
  RevisionRecord a = checkIn(*v, "a.prt", model(1, "first"));
  RevisionRecord b = checkIn(*v, "b.prt", model(2, "second"));
  writeText(out() + "/a.prt", "local copy");
  writeText(out() + "/b.prt", "local copy");

  // An altered blob (same size, other bytes).
  std::string blobA = vaultDir() + "/blobs/" + a.hash;
  ::chmod(blobA.c_str(), 0644);
  std::string altered = model(1, "first");
  altered[3] = 'X';
  writeText(blobA, altered);
  std::string text;
  EXPECT_EQ(vaultErrorOf([&] { v->save(a, out()); }, &text), ErrorKind::Damaged);
  EXPECT_NE(text.find("a.prt"), std::string::npos) << text;
  EXPECT_EQ(readText(out() + "/a.prt"), "local copy");

  // A missing blob.
  std::filesystem::remove(vaultDir() + "/blobs/" + b.hash);
  EXPECT_EQ(vaultErrorOf([&] { v->save(b, out()); }, &text), ErrorKind::Damaged);
  EXPECT_NE(text.find("b.prt"), std::string::npos) << text;
  EXPECT_EQ(readText(out() + "/b.prt"), "local copy");
  // A pipe in the content's place is refused at once, not waited on (a
  // writer turns up after two seconds, so a fetch that waits ends too).
  ASSERT_EQ(::mkfifo((vaultDir() + "/blobs/" + b.hash).c_str(), 0600), 0);
  std::thread writer([&] {
    std::this_thread::sleep_for(std::chrono::seconds(2));
    ::close(::open((vaultDir() + "/blobs/" + b.hash).c_str(), O_RDWR | O_CLOEXEC));
  });
  const auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(vaultErrorOf([&] { v->save(b, out()); }, &text), ErrorKind::Damaged);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(1));
  writer.join();
  EXPECT_NE(text.find("the content of b.prt revision A is no regular file"), std::string::npos) << text;
  EXPECT_EQ(readText(out() + "/b.prt"), "local copy");
  // No temporary files are left behind.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out()), std::filesystem::directory_iterator()), 2);

  // A good content replaces the file, and a link in its place is replaced,
  // not followed.
  RevisionRecord c = checkIn(*v, "c.prt", "content c");
  writeText(path("outside.txt"), "keep");
  std::filesystem::create_symlink(path("outside.txt"), out() + "/c.prt");
  v->save(c, out());
  EXPECT_EQ(readText(out() + "/c.prt"), "content c");
  EXPECT_FALSE(std::filesystem::is_symlink(out() + "/c.prt"));
  EXPECT_EQ(readText(path("outside.txt")), "keep");
}

TEST_P(Store, CreateRefusesAFolderInUseAndLeavesNothingBehind) {
  EXPECT_EQ(vaultErrorOf([&] { Vault::create(vaultDir(), conninfo_); }), ErrorKind::Exists);
  std::filesystem::create_directories(path("busy"));
  writeText(path("busy/file.txt"), "x");
  EXPECT_EQ(vaultErrorOf([&] { Vault::create(path("busy")); }), ErrorKind::Exists);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(path("busy")), std::filesystem::directory_iterator()), 1);
  EXPECT_EQ(vaultErrorOf([&] { Vault::open(path("busy")); }), ErrorKind::NotFound);
  EXPECT_EQ(vaultErrorOf([&] { Vault::open(path("nothing")); }), ErrorKind::NotFound);
  if (postgres()) {
    // A second vault on a database that holds one is refused; its folder goes again.
    EXPECT_EQ(vaultErrorOf([&] { Vault::create(path("second"), conninfo_); }), ErrorKind::Exists);
    EXPECT_FALSE(std::filesystem::exists(path("second")));
  }
}

KSTD_BOTH_BACKENDS(Store);

TEST(VaultLocation, NamesResolveUnderTheVaultsFolder) {
  char tmpl[] = "/tmp/kstd-loc-XXXXXX";
  ASSERT_NE(::mkdtemp(tmpl), nullptr);
  std::string base = tmpl;
  ::setenv("KEYSTEAD_VAULTS", base.c_str(), 1);
  EXPECT_EQ(Vault::locate("lab"), base + "/lab");
  EXPECT_EQ(Vault::locate(base), base);  // an existing directory names itself
  EXPECT_EQ(vaultErrorOf([] { Vault::locate("../escape"); }), ErrorKind::NotFound);
  ::unsetenv("KEYSTEAD_VAULTS");
  ::setenv("XDG_DATA_HOME", base.c_str(), 1);
  EXPECT_EQ(Vault::locate("lab"), base + "/keystead/lab");
  ::unsetenv("XDG_DATA_HOME");
  std::filesystem::remove_all(base);
}

TEST(VaultConf, MustNameOnePostgresConnection) {
  char tmpl[] = "/tmp/kstd-conf-XXXXXX";
  ASSERT_NE(::mkdtemp(tmpl), nullptr);
  std::string dir = tmpl;
  std::filesystem::create_directories(dir + "/blobs");
  for (const char* text : {"sqlite: x\n", "postgresql:\n", "postgresql: a\npostgresql: b\n", ""}) {
    writeText(dir + "/vault.conf", text);
    EXPECT_EQ(vaultErrorOf([&] { Vault::open(dir); }), ErrorKind::Damaged) << text;
  }
  writeText(dir + "/vault.conf", "# lab vault\npostgresql: host=/nonexistent/socket dbname=none connect_timeout=2\n");
  std::string text;
  EXPECT_EQ(vaultErrorOf([&] { Vault::open(dir); }, &text), ErrorKind::Storage);
  EXPECT_NE(text.find("PostgreSQL"), std::string::npos);
  std::filesystem::remove_all(dir);
}

TEST(SqliteVault, ADamagedRecordFileIsReportedNeverRead) {
  char tmpl[] = "/tmp/kstd-corrupt-XXXXXX";
  ASSERT_NE(::mkdtemp(tmpl), nullptr);
  std::string dir = std::string(tmpl) + "/v";
  Vault::create(dir);
  writeText(dir + "/vault.sqlite", std::string(8192, 'g'));
  std::string text;
  EXPECT_EQ(vaultErrorOf([&] { Vault::open(dir); }, &text), ErrorKind::Damaged);
  EXPECT_NE(text.find("vault.sqlite"), std::string::npos) << text;
  // A file cut short after its header.
  Vault::create(std::string(tmpl) + "/w");
  {
    auto w = Vault::open(std::string(tmpl) + "/w");
    writeText(std::string(tmpl) + "/src.prt", "x");
    w->checkIn(Vault::CheckIn{std::string(tmpl) + "/src.prt", "", "", {}, ""}, "t");
  }
  std::string db = std::string(tmpl) + "/w/vault.sqlite";
  std::string head = readText(db).substr(0, 100);
  writeText(db, head + std::string(4096, '\xee'));
  auto opened = [&]() -> std::optional<ErrorKind> {
    return vaultErrorOf([&] {
      auto w = Vault::open(std::string(tmpl) + "/w");
      w->revision("src.prt");
    }, &text);
  }();
  ASSERT_TRUE(opened);
  EXPECT_EQ(*opened, ErrorKind::Damaged) << text;
  std::filesystem::remove_all(tmpl);
}

}  // namespace
}  // namespace rc::sim::vault::testing
