// Inputs far beyond what a harness meets: a 200 MB document, a properties
// file with a 100 MB line, JSON nested 100,000 deep, a list file of a
// million lines; and two processes writing 1,000 settings each. Each input
// runs in a child process; it must end normally (a clear error counts) and
// its peak resident memory stay within a bound that does not grow with the
// input. The figures go to the test's output.
#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "Core/frame/Register.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/Error.h"
#include "platform/automation/Registry.h"
#include "platform/automation/SafeArray.h"
#include "platform/os/Files.h"
#include "platform/os/MessageSink.h"
#include "platform/os/SettingsStore.h"
#include "sim/Register.h"
#include "sim/vault/Vault.h"
#include "tests/support/StoreWriters.h"

namespace rc::testing {
namespace {

namespace au = rc::automation;
namespace fs = std::filesystem;
using au::Variant;

constexpr long kMiB = 1024;  // ru_maxrss counts KiB

// Runs `body` in a child process; answers its peak resident memory in KiB,
// or -1 when it did not exit with 0 (a crash, a failed expectation).
long peakKiB(const std::function<bool()>& body) {
  std::fflush(nullptr);
  pid_t pid = ::fork();
  if (pid == 0) {
    bool ok = false;
    try {
      ok = body();
    } catch (const std::exception& e) {
      std::fprintf(stderr, "child: %s\n", e.what());
    }
    std::fflush(nullptr);
    ::_exit(ok ? 0 : 1);
  }
  int status = 0;
  rusage usage{};
  if (::wait4(pid, &status, 0, &usage) != pid) return -1;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return usage.ru_maxrss;
}

class BigInput : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/ravelcrest-big-XXXXXX";
    dir_ = mkdtemp(tmpl);
    setenv("RAVELCREST_DRIVE_ROOT", (dir_ + "/drive").c_str(), 1);
    setenv("LC_ALL", "C", 1);
    for (const char* f : {"/drive", "/src", "/copies", "/results"}) fs::create_directories(dir_ + f);
    // What a child that does nothing but start the host takes, for comparison.
    idle_ = peakKiB([] {
      session();
      return true;
    });
    ASSERT_GT(idle_, 0);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Registers the classes and starts the host session in this process.
  static au::ObjectRef session() {
    core::registerClasses();
    sim::registerApplications();
    return au::createObject("Vexlar.Application");
  }

  // Reports the figure and checks it against the bound (MiB above idle).
  void expectPeak(const char* what, long peak, long boundMiB) {
    ASSERT_GT(peak, 0) << what << ": the child failed";
    std::printf("peak RSS %-44s %7.1f MiB (idle child %.1f MiB)\n", what, peak / 1024.0, idle_ / 1024.0);
    RecordProperty(what, std::to_string(peak / 1024) + " MiB");
    EXPECT_LT(peak - idle_, boundMiB * kMiB) << what;
  }

  // In a child: opens `doc` in a fresh host session; true when the open is
  // refused (error bit 1) with `reason` among the session's messages.
  static bool refusedOpen(const std::string& doc, const std::string& reason) {
    au::ObjectRef host = session();
    std::vector<Variant> args{Variant(doc), Variant(1), Variant(0), Variant(""), Variant(0), Variant(0)};
    const bool refused = au::call(host, "OpenDoc6", args).isNothing() && (args[4].toLong() & 1) != 0;
    std::string messages;
    for (const Variant& m : au::call(host, "SimMessages").asArray().items()) messages += m.toText();
    const bool clear = messages.find(reason) != std::string::npos;
    if (!refused || !clear) std::fprintf(stderr, "not refused with '%s': %s\n", reason.c_str(), messages.c_str());
    return refused && clear;
  }

  std::string dir_;
  long idle_ = 0;
};

TEST_F(BigInput, A200MegabyteDocumentIsRefusedUnreadAndCopiedInBoundedMemory) {
  const std::string doc = dir_ + "/src/huge.vxlprt";
  platform::writeFile(doc, "{\"title\": \"huge\", \"notes\": \"");
  fs::resize_file(doc, 200u << 20);  // the rest reads as NUL bytes
  const long open = peakKiB([&] { return refusedOpen(doc, "huge.vxlprt: file too large"); });
  expectPeak("open a 200 MB document", open, 16);

  const long copy = peakKiB([&] {
    session();
    au::ObjectRef app = au::createObject("RavelcrestCore.clsApplication");
    au::letProperty(app, "ResultPath", Variant(dir_ + "/results"));
    std::vector<Variant> args{Variant("huge.vxlprt"), Variant(dir_ + "/copies"), Variant(dir_ + "/src"),
                              Variant(dir_ + "/src"), Variant::integer(0)};
    au::call(app, "GetDependDocsWithDocNotOpen", args);
    // The copy is whole (the host reads no references from a file it refuses).
    return fs::file_size(dir_ + "/copies/huge.vxlprt") == (200u << 20);
  });
  expectPeak("copy a 200 MB document", copy, 16);
}

TEST_F(BigInput, APropertiesFileWithA100MegabyteLine) {
  const std::string file = dir_ + "/src/part.vxlprt.properties";
  constexpr std::size_t kLine = 100u << 20;
  // Written before the children start, so that they inherit none of it.
  platform::writeFile(file, "Notes = " + std::string(kLine, 'x') + "\r\nEdgeCount = 42\r\n");
  const long skip = peakKiB([&] {
    session();
    au::ObjectRef store = au::createObject("RavelcrestCore.clsPropertyManager");
    const std::string got = au::call(store, "GetProperty", {Variant("EdgeCount"), Variant(file)}).toText();
    if (got != "42") std::fprintf(stderr, "EdgeCount read as '%s'\n", got.substr(0, 80).c_str());
    return got == "42";
  });
  // A long line that is not the key's is passed over, not held.
  expectPeak("look past a 100 MB properties line", skip, 16);

  const long value = peakKiB([&] {
    session();
    au::ObjectRef store = au::createObject("RavelcrestCore.clsPropertyManager");
    const std::string got = au::call(store, "GetProperty", {Variant("Notes"), Variant(file)}).toText();
    if (got.size() != kLine) std::fprintf(stderr, "Notes read as %zu bytes\n", got.size());
    return got.size() == kLine;
  });
  // The value asked for is the answer, so it is held: a few copies of it at most.
  expectPeak("read a 100 MB property value", value, 5 * 100);
}

TEST_F(BigInput, JsonNested100000DeepIsRefused) {
  const std::string doc = dir_ + "/src/deep.vxlprt";
  platform::writeFile(doc, "{\"extra\": " + std::string(100000, '[') + std::string(100000, ']') + "}");
  const long open = peakKiB([&] { return refusedOpen(doc, "deep.vxlprt: nested too deeply"); });
  expectPeak("open JSON nested 100,000 deep", open, 16);
}

TEST_F(BigInput, AListFileOfAMillionLines) {
  platform::writeFile(dir_ + "/src/a.vxlprt", "{}");
  std::string list;
  for (int i = 0; i < 1000000; ++i) list += "a.vxlprt\r\n";
  platform::writeFile(dir_ + "/copies/Testfiles.txt", list);
  const long copy = peakKiB([&] {
    session();
    au::ObjectRef app = au::createObject("RavelcrestCore.clsApplication");
    au::letProperty(app, "ResultPath", Variant(dir_ + "/results"));
    au::call(app, "GetAllDependDocsWithDocNotOpen",
             {Variant(dir_ + "/copies"), Variant(dir_ + "/src"), Variant(dir_ + "/src"), Variant::integer(0)});
    return platform::fileExists(dir_ + "/copies/a.vxlprt") && !platform::fileExists(dir_ + "/results/TraceLog.log");
  });
  expectPeak("copy from a list of a million lines", copy, 32);
}

// A vault chain of 20,000 documents, each referencing the next (about twice
// the depth at which a walk that recursed once per level overflowed its
// stack): the update task fetches the whole chain and walks it for
// reference updates, in bounded memory.
TEST_F(BigInput, AVaultReferenceChainTwentyThousandDeep) {
  constexpr int kDepth = 20000;
  auto name = [](int i) { return "chain" + std::to_string(i) + ".vxlprt"; };
  const std::string vaultDir = dir_ + "/vault", work = dir_ + "/work";
  fs::create_directories(work);
  sim::vault::Vault::create(vaultDir);
  {
    auto vault = sim::vault::Vault::open(vaultDir);
    vault->addUser("admin", "secret", true, "tester");
    platform::writeFile(dir_ + "/src/top", "{\"title\": \"t\", \"fileVersion\": 2000}");
    platform::writeFile(dir_ + "/src/link", "{\"title\": \"t\", \"fileVersion\": 3000}");
    vault->checkIn({dir_ + "/src/top", name(0), "A", {{name(1), "A"}}, ""}, "tester");
    // The rest share one content: written straight into the records, in one
    // transaction, as the vault's own check-in would record them.
    const sim::vault::RevisionRecord link = vault->checkIn({dir_ + "/src/link", name(1), "A", {{name(2), "A"}}, ""}, "tester");
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((vaultDir + "/vault.sqlite").c_str(), &db), SQLITE_OK);
    std::string sql = "BEGIN;";
    for (int i = 2; i < kDepth; ++i) {
      sql += "INSERT INTO revisions VALUES ('" + name(i) + "', 'A', 1, '" + link.hash + "', " + std::to_string(link.size) +
             ", 3000, '" + link.created + "', '" + link.modified + "');";
      if (i + 1 < kDepth) sql += "INSERT INTO revision_references VALUES ('" + name(i) + "', 'A', 1, '" + name(i + 1) + "', 'A');";
    }
    sql += "COMMIT;";
    ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
  }
  setenv("RAVELCREST_REGISTRY", (dir_ + "/registry").c_str(), 1);
  const std::string key = "HKEY_CURRENT_USER\\Software\\Vexlar\\Vexlar 2007\\Keystead\\TempAdminUser";
  platform::SettingsStore store;
  store.set(key, "Temp-1", "admin");
  store.set(key, "Temp-2", "secret");
  store.set(key, "Temp-3", vaultDir);

  // The task logged in, in a child of its own: a login alone takes what
  // verifying an Argon2id password takes (64 MiB), the walk comes on top.
  auto loggedIn = [&] {
    au::ObjectRef task = au::createObject("RavelcrestCore.clsKstdUpdate");
    au::call(task, "SetUpdatingDirectory", Variant(work));
    au::call(task, "SetUpdateWarningFilePath", Variant(dir_ + "/warnings.txt"));
    std::vector<Variant> text{Variant("")};
    if (!au::call(task, "InitKeysteadAdminConnection", text).toBool()) task.reset();
    else au::call(task, "GetVexlarVersion");
    return task;
  };
  const long login = peakKiB([&] {
    session();
    return loggedIn() != nullptr;
  });
  const long peak = peakKiB([&] {
    au::ObjectRef host = session();
    au::ObjectRef task = loggedIn();
    if (!task) return false;
    std::vector<Variant> update{Variant(name(0)), Variant("")};
    const bool updated = au::call(task, "UpdateDocument", update).toBool();
    const bool fetched = platform::fileExists(work + "/" + name(kDepth - 1));
    if (!updated || !fetched) std::fprintf(stderr, "update: %s, last link fetched: %d\n", update[1].toText().c_str(), fetched);
    // The reference update walks the same chain (every link is up to date).
    std::vector<Variant> text{Variant("")};
    if (!au::call(task, "InitKeysteadAdminConnection", text).toBool()) return false;
    au::ObjectRef connection = au::createObject("Keystead.KstdConnection");
    au::call(connection, "Login", Variant("admin"), Variant("secret"), Variant(vaultDir));
    std::vector<Variant> walk{au::call(connection, "GetSpecificDocument", Variant(name(0))), Variant("")};
    const bool walked = au::call(task, "updateDocumentReferences", walk).toBool();
    if (!walked) std::fprintf(stderr, "reference update: %s\n", walk[1].toText().c_str());
    return updated && fetched && walked;
  });
  ASSERT_GT(login, 0) << "the login failed";
  ASSERT_GT(peak, 0) << "the update failed or crashed";
  std::printf("peak RSS %-44s %7.1f MiB (logged-in child %.1f MiB)\n", "update a reference chain 20,000 deep",
              peak / 1024.0, login / 1024.0);
  RecordProperty("reference chain 20,000 deep", std::to_string(peak / 1024) + " MiB");
  EXPECT_LT(peak - login, 32 * kMiB);
}

TEST_F(BigInput, TwoProcessesWritingAThousandSettingsEachKeepThemAll) {
  expectConcurrentWritersKeepEverything(dir_ + "/registry", 1000);
}

}  // namespace
}  // namespace rc::testing
