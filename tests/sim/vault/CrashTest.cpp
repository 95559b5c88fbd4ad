// Check-ins cut short (an error or a crash at each step, SIGKILL at random
// moments) and check-ins from two processes at once: the vault keeps its
// previous state whole and every record has its content.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <random>
#include <set>

#include "tests/sim/vault/VaultFixture.h"

namespace rc::sim::vault::testing {
namespace {

constexpr int kCrashed = 77;
constexpr int kUnexpected = 99;

// Runs `body` in a child process and returns its exit code, or -signal.
// The child opens its own vault; it never touches the parent's handles.
int inChild(const std::function<int()>& body) {
  std::fflush(nullptr);
  pid_t pid = ::fork();
  if (pid == 0) {
    int code = kUnexpected;
    try {
      code = body();
    } catch (const VaultError& e) {
      code = 10 + static_cast<int>(e.kind());
    } catch (...) {
    }
    ::_exit(code);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

using Crash = VaultTest;

// Every revision's content reads back under its hash.
void expectAllReadable(Vault& v, const std::string& dir) {
  for (const RevisionRecord& r : v.allRevisions()) {
    std::string text;
    EXPECT_FALSE(vaultErrorOf([&] { v.save(r, dir); }, &text)) << r.document << " " << r.label << ": " << text;
  }
}

TEST_P(Crash, ACheckInCutShortAtAnyStepLeavesThePreviousStateWhole) {
  {
    auto v = open();
    checkIn(*v, "a.prt", "first content");
  }
  const FaultPoint points[] = {FaultPoint::AfterBlobWrite, FaultPoint::AfterRename, FaultPoint::InsideTransaction};
  int round = 0;
  for (FaultPoint point : points) {
    for (bool crash : {false, true}) {
      SCOPED_TRACE("fault point " + std::to_string(static_cast<int>(point)) + (crash ? " crash" : " error"));
      std::string content = "content " + std::to_string(++round);
      std::string file = source("a.prt", content);
      int code = inChild([&] {
        auto v = open();
        v->setFaultHook([&](FaultPoint p) {
          if (p != point) return;
          if (crash) ::_exit(kCrashed);
          throw VaultError(ErrorKind::Storage, "injected failure");
        });
        v->checkIn(Vault::CheckIn{file, "", "", {}, ""}, "t");
        SourceFile src(file);
        v->replace(src, "a.prt", "A", "", false, "t");
        return 0;
      });
      EXPECT_EQ(code, crash ? kCrashed : 10 + static_cast<int>(ErrorKind::Storage));
      auto v = open();
      auto revs = v->revisions("a.prt");
      ASSERT_EQ(revs.size(), 1u);
      v->save(revs[0], out());
      EXPECT_EQ(readText(out() + "/a.prt"), "first content");
      expectAllReadable(*v, out());
      // Replacing the content, cut short at the same step.
      code = inChild([&] {
        auto w = open();
        w->setFaultHook([&](FaultPoint p) {
          if (p != point) return;
          if (crash) ::_exit(kCrashed);
          throw VaultError(ErrorKind::Storage, "injected failure");
        });
        SourceFile src(file);
        w->replace(src, "a.prt", "A", "", false, "t");
        return 0;
      });
      EXPECT_EQ(code, crash ? kCrashed : 10 + static_cast<int>(ErrorKind::Storage));
      v->save(*v->revision("a.prt", "A"), out());
      EXPECT_EQ(readText(out() + "/a.prt"), "first content");
    }
  }
  auto v = open();
  EXPECT_EQ(checkIn(*v, "a.prt", "after the faults").label, "B");
  for (const AuditEntry& e : v->auditLog()) EXPECT_NE(e.action, "replace");
}

TEST_P(Crash, CheckInsKilledAtRandomMomentsLoseNothingRecorded) {
  std::mt19937 random(20261208);
  std::size_t before = 0;
  for (int round = 0; round < 8; ++round) {
    std::fflush(nullptr);
    pid_t pid = ::fork();
    if (pid == 0) {
      try {
        auto v = open();
        for (int i = 0;; ++i) {
          std::string file = source("k" + std::to_string(round) + ".prt", model(i, std::string(4096 + i, 'k')));
          v->checkIn(Vault::CheckIn{file, "k.prt", "", {{"k.prt", "A"}}, ""}, "t");
        }
      } catch (...) {
      }
      ::_exit(kUnexpected);
    }
    ::usleep(std::uniform_int_distribution<int>(20000, 120000)(random));
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the check-in loop ended by itself";
    auto v = open();
    auto revs = v->revisions("k.prt");
    EXPECT_GE(revs.size(), before);
    for (std::size_t i = 0; i < revs.size(); ++i) EXPECT_EQ(revs[i].sequence, static_cast<std::int64_t>(i) + 1);
    expectAllReadable(*v, out());
    before = revs.size();
  }
  EXPECT_GT(before, 0u);
}

TEST_P(Crash, TwoProcessesCheckingInAtOnceAllSucceedWithinTheLockWait) {
  constexpr int kEach = 12;
  auto worker = [&](int who) {
    return [=, this] {
      auto v = open();
      int done = 0;
      for (int i = 0; i < kEach; ++i) {
        std::string name = (i % 2 ? "shared.prt" : "own" + std::to_string(who) + ".prt");
        std::string file = source("w" + std::to_string(who) + "-" + name, model(who * 100 + i));
        try {
          v->checkIn(Vault::CheckIn{file, name, "", {}, ""}, "worker" + std::to_string(who));
          ++done;
        } catch (const VaultError& e) {
          if (e.kind() != ErrorKind::Busy) return kUnexpected;
        }
      }
      return done;
    };
  };
  std::fflush(nullptr);
  std::vector<pid_t> pids;
  for (int who = 0; who < 2; ++who) {
    pid_t pid = ::fork();
    if (pid == 0) ::_exit(worker(who)());
    pids.push_back(pid);
  }
  int succeeded = 0;
  for (pid_t pid : pids) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_NE(WEXITSTATUS(status), kUnexpected);
    succeeded += WEXITSTATUS(status);
  }
  // Writers queue for the lock (a write transaction takes it as it
  // begins), so within the lock wait none hears that the vault is busy.
  EXPECT_EQ(succeeded, 2 * kEach);
  auto v = open();
  auto all = v->allRevisions();
  EXPECT_EQ(static_cast<int>(all.size()), succeeded);
  std::set<std::string> labels;
  for (const RevisionRecord& r : v->revisions("shared.prt")) labels.insert(r.label);
  EXPECT_EQ(labels.size(), v->revisions("shared.prt").size());
  expectAllReadable(*v, out());
  int checkIns = 0;
  for (const AuditEntry& e : v->auditLog()) checkIns += e.action == "check-in";
  EXPECT_EQ(checkIns, succeeded);
}

KSTD_BOTH_BACKENDS(Crash);

}  // namespace
}  // namespace rc::sim::vault::testing

namespace rc::sim::vault::testing {
namespace {

using Busy = VaultTest;

TEST_P(Busy, AWriterThatCannotGetTheLockHearsTheVaultIsBusy) {
  auto holder = open();
  auto waiter = open();
  waiter->setLockWait(200);
  std::string text;
  std::optional<ErrorKind> kind;
  holder->setFaultHook([&](FaultPoint p) {
    if (p == FaultPoint::InsideTransaction)
      kind = vaultErrorOf([&] { checkIn(*waiter, "second.prt", "second"); }, &text);
  });
  checkIn(*holder, "first.prt", "first");
  ASSERT_TRUE(kind);
  EXPECT_EQ(*kind, ErrorKind::Busy);
  EXPECT_NE(text.find("busy"), std::string::npos) << text;
  EXPECT_TRUE(holder->revision("first.prt"));
  EXPECT_FALSE(waiter->revision("second.prt"));
  // Once the lock is free the same check-in goes through.
  EXPECT_EQ(checkIn(*waiter, "second.prt", "second").label, "A");
}

KSTD_BOTH_BACKENDS(Busy);

}  // namespace
}  // namespace rc::sim::vault::testing
