// A vault reference chain far deeper than any real assembly: 20,000
// documents, each referencing the next (about twice the depth at which a
// walk that recursed once per level overflowed its stack). The update task
// fetches the whole chain and walks it for reference updates in a child
// process; it must end normally and its peak memory stay close to that of a
// child that only logs in.
#include <gtest/gtest.h>

#include <sqlite3.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "Core/frame/Register.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/Registry.h"
#include "platform/os/Files.h"
#include "platform/os/SettingsStore.h"
#include "sim/Register.h"
#include "sim/vault/Vault.h"
#include "tests/limits/PeakMemory.h"

namespace rc::testing {
namespace {

namespace au = rc::automation;
namespace fs = std::filesystem;
using au::Variant;

// A scratch folder, removed with everything in it.
struct ScratchDir {
  ScratchDir() {
    char tmpl[] = "/tmp/ravelcrest-chain-XXXXXX";
    path = ::mkdtemp(tmpl);
    fs::create_directories(path + "/src");
  }
  ~ScratchDir() {
    std::error_code ec;
    fs::remove_all(path, ec);
  }
  std::string path;
};

// Registers the classes and starts the host session in this process.
au::ObjectRef session() {
  core::registerClasses();
  sim::registerApplications();
  return au::createObject("Vexlar.Application");
}

TEST(VaultReferenceChain, TwentyThousandDeepIsUpdatedInBoundedMemory) {
  ScratchDir dir;
  const std::string& root = dir.path;
  setenv("RAVELCREST_DRIVE_ROOT", (root + "/drive").c_str(), 1);
  setenv("LC_ALL", "C", 1);
  constexpr int kDepth = 20000;
  auto name = [](int i) { return "chain" + std::to_string(i) + ".vxlprt"; };
  const std::string vaultDir = root + "/vault", work = root + "/work";
  fs::create_directories(work);
  sim::vault::Vault::create(vaultDir);
  {
    auto vault = sim::vault::Vault::open(vaultDir);
    vault->addUser("admin", "secret", true, "tester");
    platform::writeFile(root + "/src/top", "{\"title\": \"t\", \"fileVersion\": 2000}");
    platform::writeFile(root + "/src/link", "{\"title\": \"t\", \"fileVersion\": 3000}");
    vault->checkIn({root + "/src/top", name(0), "A", {{name(1), "A"}}, ""}, "tester");
    // The rest share one content: written straight into the records, in one
    // transaction, as the vault's own check-in would record them.
    const sim::vault::RevisionRecord link = vault->checkIn({root + "/src/link", name(1), "A", {{name(2), "A"}}, ""}, "tester");
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
  setenv("RAVELCREST_REGISTRY", (root + "/registry").c_str(), 1);
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
    au::call(task, "SetUpdateWarningFilePath", Variant(root + "/warnings.txt"));
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

}  // namespace
}  // namespace rc::testing
