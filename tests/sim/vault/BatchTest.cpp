// Check-ins in batches (Vault::checkInAll): many files in one change, all
// or none; a bad file, an injected fault or SIGKILL anywhere in a batch
// leaves the records and blobs/ as they were, with nothing missing.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include "sim/vault/VaultCheck.h"
#include "tests/sim/vault/VaultFixture.h"

namespace rc::sim::vault::testing {
namespace {

using Batch = VaultTest;

// The file names in the vault's blobs/, sorted.
std::vector<std::string> blobNames(const std::string& vaultDir) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(vaultDir + "/blobs")) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

// The check's findings other than what an unfinished check-in may leave.
std::vector<std::string> damage(Vault& v) {
  std::vector<std::string> out;
  for (const std::string& p : checkVault(v).problems)
    if (p.rfind("temporary: ", 0) != 0 && p.rfind("stray: ", 0) != 0) out.push_back(p);
  return out;
}

TEST_P(Batch, ManyFilesAreCheckedInInOrderInOneChange) {
  auto v = open();
  checkIn(*v, "old.prt", "old content");
  std::vector<Vault::CheckIn> requests;
  for (int i = 0; i < 40; ++i) {
    std::string name = "d" + std::to_string(i) + ".prt";
    requests.push_back({source(name, model(1000 + i, name)), "", "", {{"old.prt", "A"}}, "batch"});
  }
  // One document twice (two revisions, in order) and one content twice.
  requests.push_back({source("old.prt", "old content"), "", "", {}, ""});
  requests.push_back({source("again", model(7)), "old.prt", "", {}, ""});
  requests.push_back({source("twin.prt", model(1000, "d0.prt")), "", "R1", {}, ""});
  std::vector<RevisionRecord> done = v->checkInAll(requests, "tester");
  ASSERT_EQ(done.size(), requests.size());
  EXPECT_EQ(done[0].document, "d0.prt");
  EXPECT_EQ(done[0].label, "A");
  EXPECT_EQ(done[0].hostVersion, 1000);
  EXPECT_EQ(done[40].label, "B");
  EXPECT_EQ(done[41].label, "C");
  EXPECT_EQ(done[42].label, "R1");
  EXPECT_EQ(done[42].hash, done[0].hash);

  auto revs = v->revisions("old.prt");
  ASSERT_EQ(revs.size(), 3u);
  EXPECT_EQ(revs[1].hash, revs[0].hash);
  EXPECT_EQ(revs[2].hostVersion, 7);
  EXPECT_EQ(v->revision("d39.prt")->references.at(0).name, "old.prt");
  v->save(*v->revision("d17.prt"), out());
  EXPECT_EQ(readText(out() + "/d17.prt"), model(1017, "d17.prt"));
  int checkIns = 0;
  for (const AuditEntry& e : v->auditLog()) checkIns += e.action == "check-in";
  EXPECT_EQ(checkIns, 44);
  CheckReport report = checkVault(*v);
  EXPECT_TRUE(report.problems.empty()) << report.problems.at(0);
  EXPECT_EQ(report.contents, 42u);  // 40, "old content" and model(7); the twin shares d0's
}

TEST_P(Batch, ABadFileAnywhereChangesNothingAndIsNamed) {
  auto v = open();
  checkIn(*v, "kept.prt", "kept", "A");
  std::filesystem::create_directories(path("src/folder.prt"));
  const std::vector<std::string> blobsBefore = blobNames(vaultDir());
  const std::size_t auditBefore = v->auditLog().size();
  struct Bad {
    Vault::CheckIn request;
    std::string named;
  };
  const std::vector<Bad> bad = {
      {{path("src/missing.prt"), "", "", {}, ""}, "missing.prt"},
      {{path("src/folder.prt"), "", "", {}, ""}, "folder.prt"},
      {{source("bad\x01name", "x"), "", "", {}, ""}, "bad"},
      {{source("kept.prt", "new"), "", "A", {}, ""}, "kept.prt already has a revision A"},
      {{source("r.prt", "x"), "", "", {{"../up", "A"}}, ""}, "r.prt"},
  };
  for (std::size_t at : {std::size_t{0}, std::size_t{3}, std::size_t{6}}) {
    for (const Bad& b : bad) {
      std::vector<Vault::CheckIn> requests;
      for (int i = 0; i < 6; ++i) requests.push_back({source("g" + std::to_string(i), "good " + std::to_string(i)), "", "", {}, ""});
      requests.insert(requests.begin() + static_cast<std::ptrdiff_t>(at), b.request);
      std::string text;
      EXPECT_TRUE(vaultErrorOf([&] { v->checkInAll(requests, "tester"); }, &text)) << b.named;
      EXPECT_NE(text.find(b.named), std::string::npos) << text;
      EXPECT_NE(text.find("none of the 7 files was checked in"), std::string::npos) << text;
    }
  }
  // Two new revisions with the same explicit label fail in the transaction.
  std::string text;
  EXPECT_EQ(vaultErrorOf([&] { v->checkInAll({{source("n1", "1"), "n.prt", "X", {}, ""}, {source("n2", "2"), "n.prt", "X", {}, ""}}, "t"); }, &text),
            ErrorKind::Exists);
  EXPECT_NE(text.find("n.prt already has a revision X"), std::string::npos) << text;

  EXPECT_EQ(v->allRevisions().size(), 1u);
  EXPECT_EQ(v->auditLog().size(), auditBefore);
  EXPECT_EQ(blobNames(vaultDir()), blobsBefore);
  EXPECT_TRUE(checkVault(*v).problems.empty());
}

TEST_P(Batch, AFaultAtAnyStepUndoesTheWholeBatch) {
  auto v = open();
  checkIn(*v, "kept.prt", "kept");
  const std::vector<std::string> blobsBefore = blobNames(vaultDir());
  for (FaultPoint point : {FaultPoint::AfterBlobWrite, FaultPoint::AfterRename, FaultPoint::InsideTransaction}) {
    SCOPED_TRACE(static_cast<int>(point));
    v->setFaultHook([&](FaultPoint p) {
      if (p == point) throw VaultError(ErrorKind::Storage, "injected failure");
    });
    std::vector<Vault::CheckIn> requests;
    for (int i = 0; i < 5; ++i) requests.push_back({source("f" + std::to_string(i), "fault " + std::to_string(i)), "", "", {}, ""});
    requests.push_back({source("kept.prt", "kept"), "", "", {}, ""});  // a content the vault holds already
    EXPECT_EQ(vaultErrorOf([&] { v->checkInAll(requests, "tester"); }), ErrorKind::Storage);
    EXPECT_EQ(blobNames(vaultDir()), blobsBefore);
    EXPECT_EQ(v->allRevisions().size(), 1u);
  }
  v->setFaultHook(nullptr);
  EXPECT_TRUE(checkVault(*v).problems.empty());
}

// A stop asked for (an interrupt) at any moment before the records are
// written ends a check-in or a fetch as Interrupted, leaving the vault, and
// the folder a fetch writes to, as they were; asked for later, it changes
// nothing about the batch's outcome.
TEST_P(Batch, AStopAskedForAtAnyMomentLeavesEverythingAsItWas) {
  auto v = open();
  const RevisionRecord kept = checkIn(*v, "kept.prt", "kept");
  const std::vector<std::string> blobsBefore = blobNames(vaultDir());
  std::vector<Vault::CheckIn> requests;
  for (int i = 0; i < 3; ++i) requests.push_back({source("s" + std::to_string(i), std::string(100000, 'a' + i)), "", "", {}, ""});
  requests.push_back({source("kept.prt", "kept"), "", "", {}, ""});  // a content the vault holds already
  int asked = 0, stopAt = 0;
  v->setStopCheck([&] { return ++asked >= stopAt; });
  bool completed = false;
  for (stopAt = 1; !completed && stopAt < 100; ++stopAt) {
    SCOPED_TRACE(stopAt);
    asked = 0;
    std::string text;
    std::optional<ErrorKind> kind = vaultErrorOf([&] { v->checkInAll(requests, "tester"); }, &text);
    if (!kind) {
      completed = true;
      break;
    }
    EXPECT_EQ(*kind, ErrorKind::Interrupted) << text;
    EXPECT_NE(text.find("none of the 4 files was checked in"), std::string::npos) << text;
    EXPECT_EQ(blobNames(vaultDir()), blobsBefore);
    EXPECT_EQ(v->allRevisions().size(), 1u);
  }
  EXPECT_TRUE(completed);
  EXPECT_GT(stopAt, 4) << "the batch was never stopped";
  EXPECT_EQ(v->allRevisions().size(), 5u);

  // One file alone, and a fetch over a file already in the folder.
  stopAt = 1;
  asked = 0;
  EXPECT_EQ(vaultErrorOf([&] { v->checkIn({source("alone.prt", "alone"), "", "", {}, ""}, "t"); }), ErrorKind::Interrupted);
  EXPECT_FALSE(v->revision("alone.prt"));
  writeText(out() + "/kept.prt", "the user's own");
  asked = 0;
  std::string text;
  EXPECT_EQ(vaultErrorOf([&] { v->save(kept, out()); }, &text), ErrorKind::Interrupted);
  EXPECT_NE(text.find("interrupted while writing kept.prt into " + out()), std::string::npos) << text;
  EXPECT_EQ(readText(out() + "/kept.prt"), "the user's own");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out()), std::filesystem::directory_iterator()), 1);
  v->setStopCheck(nullptr);
  EXPECT_TRUE(checkVault(*v).problems.empty());
}

TEST_P(Batch, BatchesKilledAtRandomMomentsAreWhollyInOrWhollyOut) {
  constexpr int kFiles = 150;
  std::vector<Vault::CheckIn> requests;
  for (int i = 0; i < kFiles; ++i)
    requests.push_back({source("k" + std::to_string(i) + ".prt", model(i, std::string(2048 + i, 'k'))), "", "", {}, ""});
  std::mt19937 random(20261208);
  std::size_t revisions = 0;
  for (int round = 0; round < 6; ++round) {
    std::fflush(nullptr);
    pid_t pid = ::fork();
    if (pid == 0) {
      try {
        auto v = open();
        for (;;) v->checkInAll(requests, "t");
      } catch (...) {
      }
      ::_exit(99);
    }
    ::usleep(std::uniform_int_distribution<int>(5000, 300000)(random));
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the batch loop ended by itself";
    auto v = open();
    std::size_t now = v->allRevisions().size();
    EXPECT_EQ(now % kFiles, 0u) << "a batch was cut in two: " << now << " revisions";
    EXPECT_GE(now, revisions);
    EXPECT_EQ(damage(*v), std::vector<std::string>{});
    EXPECT_TRUE(v->integrityProblems().empty());
    revisions = now;
  }
  // The next batch clears what the killed ones left in flight.
  auto v = open();
  v->checkInAll({requests[0], requests[1]}, "t");
  for (const std::string& p : checkVault(*v).problems) EXPECT_EQ(p.rfind("temporary: ", 0), std::string::npos) << p;
}

KSTD_BOTH_BACKENDS(Batch);

}  // namespace
}  // namespace rc::sim::vault::testing
