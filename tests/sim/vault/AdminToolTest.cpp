// keystead-admin end to end: every command, its output, and failed
// commands that report on standard error, exit non-zero and change nothing.
#include <stdlib.h>

#include <filesystem>
#include <utility>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "sim/vault/Passwords.h"
#include "sim/vault/WriterLock.h"
#include "tests/sim/vault/VaultFixture.h"

namespace rc::sim::vault::testing {
namespace {

struct ToolRun {
  int code = 0;
  std::string out;
  std::string err;
};

std::string quoted(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    out.push_back(text.substr(at, end - at));
    at = end == std::string::npos ? text.size() : end + 1;
  }
  return out;
}

std::vector<std::string> fields(const std::string& line) {
  std::vector<std::string> out;
  std::size_t at = 0;
  for (;;) {
    std::size_t tab = line.find('\t', at);
    out.push_back(line.substr(at, tab - at));
    if (tab == std::string::npos) return out;
    at = tab + 1;
  }
}

class AdminTool : public VaultTest {
 protected:
  void SetUp() override {
    VaultTest::SetUp();
    if (IsSkipped()) return;
    tool_ = path("tool-vault");
    if (postgres()) {
      std::string why;
      toolConninfo_ = PostgresServer::shared(why)->newDatabase();
    }
  }

  // Runs keystead-admin with `args`, `input` on its standard input and
  // `env` ("NAME=value ...") in its environment.
  ToolRun admin(const std::vector<std::string>& args, const std::string& input = "", const std::string& env = "") {
    writeText(path("stdin"), input);
    std::string cmd = env + " " + quoted(KEYSTEAD_ADMIN_PATH);
    for (const std::string& a : args) cmd += " " + quoted(a);
    cmd += " <" + path("stdin") + " >" + path("stdout") + " 2>" + path("stderr");
    int status = std::system(cmd.c_str());
    return ToolRun{WIFEXITED(status) ? WEXITSTATUS(status) : -1, readText(path("stdout")), readText(path("stderr"))};
  }
  ToolRun init() {
    if (toolConninfo_.empty()) return admin({"init", tool_});
    return admin({"init", tool_, "--postgresql", toolConninfo_});
  }
  // Everything a command could change: the listing, the log and the contents.
  std::string state() {
    std::string s = admin({"list", tool_}).out + admin({"log", tool_}).out;
    for (const auto& e : std::filesystem::directory_iterator(tool_ + "/blobs")) s += e.path().filename().string() + "\n";
    return s;
  }

  std::string tool_;
  std::string toolConninfo_;
};

TEST_P(AdminTool, EveryCommandWorksEndToEnd) {
  ASSERT_EQ(init().code, 0);
  ToolRun r = admin({"user", "add", tool_, "alice", "--admin"}, "s3cret pass\r\n");
  ASSERT_EQ(r.code, 0) << r.err;
  ASSERT_EQ(admin({"user", "add", tool_, "bob"}, "bob-pw").code, 0);

  std::string part = source("part.prt", model(2100));
  r = admin({"add", tool_, part, "--ref", "sub.prt@B", "--ref", "gone@home.prt@A", "--comment", "first"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "part.prt@A\n");
  EXPECT_EQ(admin({"add", tool_, source("part.prt", model(2200))}).out, "part.prt@B\n");
  EXPECT_EQ(admin({"add", tool_, source("copy-source", model(2100)), "--name", "copy.prt", "--revision", "R1"}).out,
            "copy.prt@R1\n");
  EXPECT_EQ(admin({"add", tool_, source("empty.txt", "")}).out, "empty.txt@A\n");

  r = admin({"list", tool_});
  ASSERT_EQ(r.code, 0) << r.err;
  auto listed = lines(r.out);
  ASSERT_EQ(listed.size(), 4u) << r.out;
  auto f = fields(listed[0]);
  ASSERT_EQ(f.size(), 5u);
  EXPECT_EQ(f[0], "copy.prt");
  EXPECT_EQ(f[1], "R1");
  EXPECT_EQ(f[2], std::to_string(model(2100).size()));
  EXPECT_EQ(f[3], "2100");
  EXPECT_EQ(f[4].size(), 20u);  // 2026-12-08T00:31:38Z
  EXPECT_EQ(f[4][10], 'T');
  EXPECT_EQ(fields(listed[1])[3], "-");  // empty.txt has no host file version
  EXPECT_EQ(fields(listed[1])[2], "0");
  EXPECT_EQ(fields(listed[3])[1], "B");

  auto v = Vault::open(tool_);
  auto refs = v->revision("part.prt", "A")->references;
  ASSERT_EQ(refs.size(), 2u);
  EXPECT_EQ(refs[1].name, "gone@home.prt");
  EXPECT_TRUE(v->login("alice", "s3cret pass"));
  EXPECT_TRUE(v->user("alice")->isAdmin);
  EXPECT_FALSE(v->user("bob")->isAdmin);

  r = admin({"log", tool_});
  auto logged = lines(r.out);
  ASSERT_GE(logged.size(), 6u);
  EXPECT_EQ(fields(logged[0])[2], "register admin user");
  EXPECT_EQ(fields(logged[0])[5], "alice");
  EXPECT_EQ(fields(logged[2])[2], "check-in");
  EXPECT_EQ(fields(logged[2])[3], "part.prt");
  EXPECT_EQ(fields(logged[2])[4], "A");
  EXPECT_EQ(fields(logged[2])[5], "first");
  EXPECT_EQ(fields(logged.back())[2], "login");
  EXPECT_EQ(r.out.find("s3cret"), std::string::npos);

  ASSERT_EQ(admin({"get", tool_, "part.prt", out()}).code, 0);
  EXPECT_EQ(readText(out() + "/part.prt"), model(2200));
  ASSERT_EQ(admin({"get", tool_, "part.prt@A", out()}).code, 0);
  EXPECT_EQ(readText(out() + "/part.prt"), model(2100));
}

TEST_P(AdminTool, FailedCommandsReportAndChangeNothing) {
  ASSERT_EQ(init().code, 0);
  ASSERT_EQ(admin({"user", "add", tool_, "alice"}, "pw\n").code, 0);
  ASSERT_EQ(admin({"add", tool_, source("a.prt", "first"), "--revision", "A"}).code, 0);
  std::string before = state();
  std::string other = source("b.prt", "other content");
  const std::vector<std::vector<std::string>> failing = {
      {"add", tool_, path("src/none.prt")},
      {"add", tool_, path("src"), path("src/none.prt")},
      {"add", tool_, other, other, "--name", "c.prt"},
      {"add", tool_, "--from-list", path("src/no-list")},
      {"add", tool_, other, "--name", "../b.prt"},
      {"add", tool_, other, "--name", "a\tb"},
      {"add", tool_, other, "--name", "a.prt", "--revision", "A"},
      {"add", tool_, other, "--ref", "../x@A"},
      {"add", tool_, other, "--ref", "x.prt"},
      {"add", tool_, other, "--revision"},
      {"add", tool_, other, "--revision", ""},  // an unset variable: not the next letter
      {"add", tool_, other, "--name", ""},
      {"add", tool_, other, "--from-list", ""},
      {"add", tool_},
      {"user", "add", tool_, "alice"},
      {"user", "add", tool_, "carol", "--admin", "--root"},
      {"get", tool_, "none.prt", out()},
      {"get", tool_, "a.prt@Q", out()},
      {"get", tool_, "a.prt", path("no/such")},
      {"get", tool_, "../a.prt", out()},
      {"list", path("not-a-vault")},
      {"log", path("src")},
      {"frobnicate", tool_},
      {"user", "remove", tool_, "alice"},
      {},
  };
  for (const auto& args : failing) {
    ToolRun r = admin(args, "a password\n");
    std::string shown;
    for (const std::string& a : args) shown += a + " ";
    EXPECT_NE(r.code, 0) << shown;
    EXPECT_NE(r.err.find("keystead-admin: "), std::string::npos) << shown;
    EXPECT_EQ(r.out, "") << shown;
  }
  for (std::string input : {"", "\n"}) {
    ToolRun r = admin({"user", "add", tool_, "dave"}, input);
    EXPECT_NE(r.code, 0);
    EXPECT_NE(r.err, "");
  }
  EXPECT_NE(init().code, 0);  // already a vault
  EXPECT_EQ(state(), before);
  // A connection string vault.conf could not hold on its line makes nothing.
  for (const std::string& conninfo : {std::string("dbname=a\nhost=elsewhere"), std::string("dbname=a\r"), std::string(" ")}) {
    ToolRun r = admin({"init", path("pg-vault"), "--postgresql", conninfo});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find(conninfo == " " ? "connection string is empty" : "may not hold a line break"), std::string::npos)
        << r.err;
    EXPECT_FALSE(std::filesystem::exists(path("pg-vault")));
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out()), std::filesystem::directory_iterator()), 0);
}

// One add takes files, folders (the files directly in them, in name order)
// and a list of paths, one a line (odd names kept as they are), and checks
// them all in at once; a bad one anywhere leaves the vault as it was.
TEST_P(AdminTool, AddTakesFilesFoldersAndListsAllOrNothing) {
  ASSERT_EQ(init().code, 0);
  std::filesystem::create_directories(path("src/tree/deeper"));
  writeText(path("src/tree/b.prt"), "b");
  writeText(path("src/tree/a.prt"), "a");
  writeText(path("src/tree/deeper/not-taken.prt"), "deep");
  std::string spaced = source(" lead and  inner spaces .prt", "s");
  std::string hashed = source("#hash;semi'quote\"dq.prt", "h");
  writeText(path("list"), "\xEF\xBB\xBF" + spaced + "\n\n" + hashed + "\r\n" + path("src/tree/a.prt") + "\n");
  ToolRun r = admin({"add", tool_, source("one.prt", "1"), path("src/tree"), "--from-list", path("list"), "--comment", "many"});
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.out, "one.prt@A\na.prt@A\nb.prt@A\n lead and  inner spaces .prt@A\n#hash;semi'quote\"dq.prt@A\na.prt@B\n");
  r = admin({"add", tool_, "--from-list", "-"}, path("src/tree/b.prt") + "\n");
  EXPECT_EQ(r.out, "b.prt@B\n") << r.err;

  std::string before = state();
  ASSERT_EQ(::mkfifo(path("src/pipe").c_str(), 0600), 0);
  std::vector<std::string> many;
  for (int i = 0; i < 30; ++i) many.push_back(source("m" + std::to_string(i) + ".prt", "m" + std::to_string(i)));
  for (std::vector<std::string> bad :
       {std::vector<std::string>{path("src/tree"), path("src/gone.prt"), many[0]},
        std::vector<std::string>{many[0], many[1], path("src/pipe"), many[2]},
        std::vector<std::string>{many[3], source("ctl\x02.prt", "c")}}) {
    std::vector<std::string> args = {"add", tool_};
    args.insert(args.end(), bad.begin(), bad.end());
    r = admin(args);
    EXPECT_EQ(r.code, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("none of the"), std::string::npos) << r.err;
  }
  EXPECT_NE(r.err.find("ctl"), std::string::npos) << r.err;
  writeText(path("list"), many[4] + "\n" + path("src/gone.prt") + "\n");
  r = admin({"add", tool_, many[5], "--from-list", path("list")});
  EXPECT_NE(r.err.find("src/gone.prt does not exist; none of the 3 files"), std::string::npos) << r.err;
  writeText(path("list"), "\n");
  EXPECT_NE(admin({"add", tool_, "--from-list", path("list")}).err.find("nothing to check in"), std::string::npos);
  EXPECT_EQ(state(), before);

  std::vector<std::string> args = {"add", tool_};
  args.insert(args.end(), many.begin(), many.end());
  r = admin(args);
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(lines(r.out).size(), 30u);
  r = admin({"check", tool_});
  EXPECT_EQ(r.code, 0) << r.out;
}

// Words after "--" are files however they start; an error shows the
// control bytes of a file name escaped, and says why a list cannot be read.
TEST_P(AdminTool, OddFileNamesAreTakenAndShownSafely) {
  ASSERT_EQ(init().code, 0);
  writeText(path("src/--dash.prt"), "dash");
  ToolRun r = admin({"add", tool_, "--comment", "c", "--", path("src/--dash.prt"), "--revision"});
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("the file --revision does not exist"), std::string::npos) << r.err;
  r = admin({"add", tool_, "--", path("src/--dash.prt")});
  EXPECT_EQ(r.out, "--dash.prt@A\n") << r.err;
  EXPECT_EQ(admin({"--", "--help"}).code, 2);

  r = admin({"add", tool_, path("src/\x1b[31m/gone.prt")});
  EXPECT_EQ(r.code, 1);
  EXPECT_EQ(r.err.find('\x1b'), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("src/\\x1b[31m/gone.prt does not exist"), std::string::npos) << r.err;
  r = admin({"get", tool_, "--", "--dash.prt", path("no\x07such")});
  EXPECT_NE(r.err.find("no\\x07such does not exist"), std::string::npos) << r.err;

  r = admin({"add", tool_, "--from-list", path("src")});
  EXPECT_NE(r.err.find("the list " + path("src") + " is a folder"), std::string::npos) << r.err;
  r = admin({"add", tool_, "--from-list", path("src/no-list")});
  EXPECT_NE(r.err.find("the list " + path("src/no-list") + " cannot be read: No such file or directory"), std::string::npos)
      << r.err;
  // A list that never ends, or whose line is longer than any path, is
  // refused without reading it all (each command is given ten seconds).
  r = admin({"add", tool_, "--from-list", "/dev/zero"}, "", "timeout 10");
  EXPECT_NE(r.err.find("the list /dev/zero is a device"), std::string::npos) << r.code << r.err;
  writeText(path("long-list"), path("src/--dash.prt") + "\n" + std::string(100000, 'x') + "\n");
  r = admin({"add", tool_, "--from-list", path("long-list")}, "", "timeout 10");
  EXPECT_NE(r.err.find("line 2 of the list " + path("long-list") + " is longer than any path"), std::string::npos) << r.err;
  r = admin({"add", tool_, "--from-list", "-"}, std::string(1 << 20, 'y'), "timeout 10");
  EXPECT_NE(r.err.find("line 1 of the list - is longer than any path"), std::string::npos) << r.err;
  EXPECT_EQ(admin({"list", tool_}).out.find("x"), std::string::npos);
}

// Ctrl-C (or SIGTERM) during a large add stops it at once with nothing
// checked in and nothing left in blobs/; the add run again completes.
TEST_P(AdminTool, AnInterruptedAddLeavesTheVaultAsItWas) {
  ASSERT_EQ(init().code, 0);
  ASSERT_EQ(admin({"add", tool_, source("kept.prt", "kept")}).code, 0);
  const std::string before = state();
  std::filesystem::create_directories(path("src/many"));
  std::string list;
  for (int i = 0; i < 4000; ++i) {
    const std::string file = path("src/many/m" + std::to_string(i) + ".prt");
    writeText(file, std::string(4096, 'a' + i % 26) + std::to_string(i));
    list += file + "\n";
  }
  writeText(path("list"), list);
  for (int signal : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(signal);
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
      const int quiet = ::open(path("stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
      ::dup2(quiet, 1);
      ::dup2(quiet, 2);
      ::execl(KEYSTEAD_ADMIN_PATH, KEYSTEAD_ADMIN_PATH, "add", tool_.c_str(), "--from-list", path("list").c_str(),
              static_cast<char*>(nullptr));
      ::_exit(127);
    }
    // Once the first content is being copied in, the add is under way.
    bool copying = false;
    for (int wait = 0; wait < 20000 && !copying; ++wait) {
      for (const auto& e : std::filesystem::directory_iterator(tool_ + "/blobs"))
        copying |= e.path().filename().string().rfind(".incoming-", 0) == 0;
      if (!copying) ::usleep(500);
    }
    ASSERT_TRUE(copying);
    ::kill(pid, signal);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 128 + signal);
    const std::string err = readText(path("stderr"));
    EXPECT_NE(err.find("interrupted while storing "), std::string::npos) << err;
    EXPECT_NE(err.find("none of the 4000 files was checked in"), std::string::npos) << err;
    EXPECT_EQ(state(), before);
    EXPECT_EQ(admin({"check", tool_}).code, 0);
  }
  ToolRun r = admin({"add", tool_, "--from-list", path("list")});
  EXPECT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(lines(r.out).size(), 4000u);
}

// A connection string that holds a password and does not parse is named
// without the pieces libpq quotes from it.
TEST_P(AdminTool, AConnectionStringThatDoesNotParseKeepsItsPasswordOutOfTheError) {
  if (!postgres()) GTEST_SKIP() << "about vault.conf";
  std::filesystem::create_directories(tool_ + "/blobs");
  for (const std::string& conninfo : {std::string("host=/nowhere dbname=x password=abc s3cretword"),
                                      std::string("postgresql://u:s3cretword@/x?bad=s3cretword")}) {
    writeText(tool_ + "/vault.conf", "postgresql: " + conninfo + "\n");
    ToolRun r = admin({"list", tool_});
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("cannot reach the PostgreSQL server of this vault: "), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("s3cret"), std::string::npos) << r.err;
  }
  // Without a password, libpq's words stay whole.
  writeText(tool_ + "/vault.conf", "postgresql: host=/nowhere dbname=x junk\n");
  EXPECT_NE(admin({"list", tool_}).err.find("\"junk\""), std::string::npos);
}

// A pipe or a device where the vault keeps its records is named, not
// opened and waited on for ever (each command is given ten seconds).
TEST_P(AdminTool, APipeInPlaceOfTheRecordsIsRefusedNotWaitedOn) {
  ASSERT_EQ(init().code, 0);
  ASSERT_EQ(admin({"add", tool_, source("a.prt", "a")}).code, 0);
  const std::string records = tool_ + (postgres() ? "/vault.conf" : "/vault.sqlite");
  for (const char* stand : {"pipe", "device"}) {
    std::filesystem::remove(records);
    if (std::string(stand) == "pipe") ASSERT_EQ(::mkfifo(records.c_str(), 0600), 0);
    else std::filesystem::create_symlink("/dev/zero", records);
    for (const std::vector<std::string>& args : {std::vector<std::string>{"list", tool_},
                                                 std::vector<std::string>{"add", tool_, source("b.prt", "b")}}) {
      ToolRun r = admin(args, "", "timeout 10");
      EXPECT_EQ(r.code, 1) << stand << " " << args[0];
      EXPECT_NE(r.err.find(records + " is no regular file"), std::string::npos) << r.err;
    }
  }
}

// The vault's own files are its owner's alone; what a killed check-in
// leaves is reported by check and removed by the next write with no other
// writer running.
TEST_P(AdminTool, TheVaultIsPrivateAndCheckFindsWhatIsWrong) {
  ::umask(022);
  ASSERT_EQ(init().code, 0);
  ASSERT_EQ(admin({"user", "add", tool_, "alice"}, "pw\n").code, 0);
  ASSERT_EQ(admin({"add", tool_, source("a.prt", "first")}).code, 0);
  ASSERT_EQ(admin({"add", tool_, source("b.prt", "second")}).code, 0);
  auto modeOf = [](const std::string& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 0777) : -1;
  };
  EXPECT_EQ(modeOf(tool_), 0700);
  EXPECT_EQ(modeOf(tool_ + "/blobs"), 0700);
  for (const char* f : {"/vault.sqlite", "/vault.conf"}) {
    if (std::filesystem::exists(tool_ + f)) {
      EXPECT_EQ(modeOf(tool_ + f) & 077, 0) << f;
    }
  }
  auto v = Vault::open(tool_);
  const RevisionRecord a = *v->revision("a.prt"), b = *v->revision("b.prt");
  // Contents are the owner's to read alone, and never written in place.
  EXPECT_EQ(modeOf(tool_ + "/blobs/" + a.hash), 0400);

  ToolRun r = admin({"check", tool_});
  EXPECT_EQ(r.code, 0) << r.out << r.err;
  EXPECT_EQ(r.out, "checked 2 revisions and 2 contents: no problems\n");

  // A dead writer's temporary, a stray file, a lost and an altered content.
  writeText(tool_ + "/blobs/.incoming-0123456789abcdef", std::string(1000, 'x'));
  writeText(tool_ + "/blobs/notes.txt", "user data");
  std::filesystem::remove(tool_ + "/blobs/" + b.hash);
  std::filesystem::permissions(tool_ + "/blobs/" + a.hash, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
  writeText(tool_ + "/blobs/" + a.hash, "altered");
  r = admin({"check", tool_});
  EXPECT_EQ(r.code, 1);
  for (const std::string& expected : std::vector<std::string>{
       "temporary: blobs/.incoming-0123456789abcdef (1000 bytes): left by a check-in that did not finish",
        "stray: blobs/notes.txt: not a content of the vault", "damaged: blobs/" + a.hash,
        "missing: b.prt@A: its content blobs/" + b.hash, "4 problems"})
    EXPECT_NE(r.out.find(expected), std::string::npos) << expected << "\n" << r.out;
  writeText(tool_ + "/blobs/" + a.hash, "first");

  // While a writer holds the lock, its temporaries (and all others) stay.
  {
    WriterLock running(tool_ + "/vault.lock", true);
    running.share();
    writeText(tool_ + "/blobs/.incoming-live", "being written");
    EXPECT_NE(admin({"check", tool_}).out.find("a check-in is writing it"), std::string::npos);
    ASSERT_EQ(admin({"add", tool_, source("c.prt", "third")}).code, 0);
    EXPECT_TRUE(std::filesystem::exists(tool_ + "/blobs/.incoming-live"));
    EXPECT_TRUE(std::filesystem::exists(tool_ + "/blobs/.incoming-0123456789abcdef"));
  }
  ASSERT_EQ(admin({"add", tool_, source("d.prt", "fourth")}).code, 0);
  EXPECT_FALSE(std::filesystem::exists(tool_ + "/blobs/.incoming-live"));
  EXPECT_FALSE(std::filesystem::exists(tool_ + "/blobs/.incoming-0123456789abcdef"));
  EXPECT_TRUE(std::filesystem::exists(tool_ + "/blobs/notes.txt"));  // never a vault's to remove
  r = admin({"check", tool_});
  EXPECT_EQ(r.out, "stray: blobs/notes.txt: not a content of the vault\nmissing: b.prt@A: its content blobs/" + b.hash +
                       " is not in the vault\nchecked 4 revisions and 3 contents: 2 problems\n");
}

// The PostgreSQL client (libpq and what it brings) is loaded only for a
// PostgreSQL vault; a client module that cannot be loaded is named.
TEST_P(AdminTool, TheDatabaseClientIsLoadedOnlyForAPostgresqlVault) {
  ASSERT_EQ(init().code, 0);
  ToolRun r = admin({"list", tool_}, "", "LD_DEBUG=files");
  ASSERT_EQ(r.code, 0) << r.err;
  EXPECT_EQ(r.err.find("libpq") != std::string::npos, postgres());
  EXPECT_EQ(r.err.find("libravelcrest_pg") != std::string::npos, postgres());
  r = admin({"list", tool_}, "", "RAVELCREST_PG_MODULE=" + path("no-such-module.so"));
  if (!postgres()) {
    EXPECT_EQ(r.code, 0) << r.err;
    return;
  }
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.err.find("the PostgreSQL client module " + path("no-such-module.so") + " cannot be loaded"), std::string::npos)
      << r.err;
}

// Runs `script` (sh) in a mount namespace of its own, where it may mount a
// read-only view or a small file system; false when this machine allows no
// such namespace (the script exits 97 when its mount fails).
bool inMountNamespace(const std::string& script, const std::string& scriptFile) {
  writeText(scriptFile, script);
  const std::string unshare = ::geteuid() == 0 ? "unshare -m" : "unshare -rm";
  const int status = std::system((unshare + " sh " + quoted(scriptFile) + " >/dev/null 2>&1").c_str());
  const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  if (code == 1 || code == 97) return false;
  EXPECT_EQ(code, 0) << "the script in " << scriptFile << " failed";
  return true;
}

TEST_P(AdminTool, AReadOnlyVaultServesItsReadersAndRefusesWritesByName) {
  if (postgres()) GTEST_SKIP() << "the records of a PostgreSQL vault are not in its folder";
  ASSERT_EQ(init().code, 0);
  ASSERT_EQ(admin({"add", tool_, source("a.prt", "content")}).code, 0);
  const std::string tool = quoted(KEYSTEAD_ADMIN_PATH), vault = quoted(std::as_const(tool_)), rec = path("ro-");
  const std::string script =
      "mount --bind " + vault + " " + vault + " && mount -o remount,bind,ro " + vault + " " + vault + " || exit 97\n" +
      "for c in list log check; do " + tool + " $c " + vault + " >" + rec + "$c.out 2>" + rec + "$c.err; echo $? >" + rec +
      "$c.code; done\n" + tool + " get " + vault + " a.prt " + quoted(out()) + " 2>" + rec + "get.err; echo $? >" + rec +
      "get.code\n" + tool + " add " + vault + " " + quoted(source("b.prt", "more")) + " 2>" + rec + "add.err; echo $? >" +
      rec + "add.code\n" + "exit 0\n";
  if (!inMountNamespace(script, path("ro.sh"))) GTEST_SKIP() << "no mount namespace for a read-only view";
  for (const char* c : {"list", "log", "check", "get"})
    EXPECT_EQ(readText(rec + c + ".code"), "0\n") << c << ": " << readText(rec + c + ".err");
  EXPECT_NE(readText(rec + "list.out").find("a.prt\tA"), std::string::npos);
  EXPECT_EQ(readText(out() + "/a.prt"), "content");
  EXPECT_EQ(readText(rec + "add.code"), "1\n");
  EXPECT_NE(readText(rec + "add.err").find("the vault is read-only"), std::string::npos) << readText(rec + "add.err");
}

TEST_P(AdminTool, AFullDeviceIsNamedAsSuch) {
  if (postgres()) GTEST_SKIP() << "the records of a PostgreSQL vault are not in its folder";
  const std::string tool = quoted(KEYSTEAD_ADMIN_PATH), disk = quoted(path("disk")), rec = path("full-");
  std::filesystem::create_directories(path("disk"));
  const std::string script =
      "mount -t tmpfs -o size=512k none " + disk + " || exit 97\n" + "cd " + disk + " && " + tool +
      " init ./v && " + tool + " add ./v " + quoted(source("a.prt", "content")) + " >/dev/null || exit 98\n" +
      "mkdir o && dd if=/dev/zero of=fill bs=4k 2>/dev/null\n" +
      tool + " add ./v " + quoted(source("b.prt", std::string(100000, 'b'))) + " 2>" + rec + "add.err\n" + tool +
      " list ./v >/dev/null 2>" + rec + "list.err\n" + tool + " get ./v a.prt o 2>" + rec + "get.err\n" + "exit 0\n";
  if (!inMountNamespace(script, path("full.sh"))) GTEST_SKIP() << "no mount namespace for a small file system";
  EXPECT_NE(readText(rec + "add.err").find("no space left on the device holding ./v"), std::string::npos)
      << readText(rec + "add.err");
  // The vault's folder, or the folder the document goes to.
  EXPECT_NE(readText(rec + "get.err").find("no space left on the device holding "), std::string::npos)
      << readText(rec + "get.err");
  // Reading needs no room, or says that it found none.
  const std::string list = readText(rec + "list.err");
  EXPECT_TRUE(list.empty() || list.find("no space left on the device holding ./v") != std::string::npos) << list;
  for (const char* c : {"add", "list", "get"}) EXPECT_EQ(readText(rec + c + ".err").find("disk I/O error"), std::string::npos) << c;
}

TEST_P(AdminTool, VaultNamesResolveUnderKeysteadVaults) {
  std::string env = "KEYSTEAD_VAULTS=" + quoted(path("vaults"));
  ASSERT_EQ(admin({"init", "lab"}, "", env).code, 0);
  EXPECT_TRUE(std::filesystem::exists(path("vaults/lab/vault.sqlite")));
  EXPECT_EQ(admin({"add", "lab", source("n.prt", "x")}, "", env).out, "n.prt@A\n");
  EXPECT_NE(admin({"add", "elsewhere", source("n.prt", "x")}, "", env).code, 0);
}

KSTD_BOTH_BACKENDS(AdminTool);

}  // namespace
}  // namespace rc::sim::vault::testing
