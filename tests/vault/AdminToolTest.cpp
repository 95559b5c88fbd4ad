// keystead-admin end to end: every command, its output, and failed
// commands that report on standard error, exit non-zero and change nothing.
#include <stdlib.h>

#include <filesystem>

#include "sim/vault/Passwords.h"
#include "tests/vault/VaultFixture.h"

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
      {"add", tool_, path("src")},
      {"add", tool_, other, "--name", "../b.prt"},
      {"add", tool_, other, "--name", "a\tb"},
      {"add", tool_, other, "--name", "a.prt", "--revision", "A"},
      {"add", tool_, other, "--ref", "../x@A"},
      {"add", tool_, other, "--ref", "x.prt"},
      {"add", tool_, other, "--revision"},
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
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out()), std::filesystem::directory_iterator()), 0);
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
