// The history of check runs on both backends: series by document and check,
// runs written at once by two writers, a history of a later version refused,
// and the timing trend that a median over runs shows.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <sstream>
#include <thread>

#include "sim/vault/PostgresBackend.h"
#include "sim/vault/SqliteBackend.h"
#include "tests/support/PostgresServer.h"
#include "tools/check/CheckCatalog.h"
#include "tools/common/Command.h"
#include "tools/history/HistoryStore.h"
#include "tools/history/HistoryTrend.h"

namespace rc::tools {
namespace {

namespace fs = std::filesystem;

std::string timingCheck() {
  for (const CheckEntry& e : checkCatalog())
    if (e.kind == ResultKind::Time) return e.name;
  return "";
}

RunResults runOf(std::size_t documents, const std::string& check, const std::string& value,
                 const std::string& baseline = "1") {
  RunResults r;
  r.tolerance = "5 %";
  r.settings = {{"checks", "all"}};
  for (std::size_t i = 0; i < documents; ++i) {
    DocumentResult d;
    d.index = i;
    d.label = "doc" + std::to_string(i) + ".vxlprt";
    d.path = "/models/" + d.label;
    d.seconds = 0.5;
    d.rows.push_back({d.label, check, Status::Ok, value, baseline, "", {}});
    d.rows.push_back({d.label, "TestEdgeCount", Status::Warning, "4", "2", "", {}});
    r.documents.push_back(d);
  }
  return r;
}

class History : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/history-test-XXXXXX";
    dir_ = ::mkdtemp(tmpl);
    if (GetParam() == "postgresql") {
      std::string why;
      sim::vault::testing::PostgresServer* server = sim::vault::testing::PostgresServer::shared(why);
      if (server == nullptr) GTEST_SKIP() << why;
      location_ = server->newDatabase();
    } else {
      location_ = dir_ + "/history.sqlite";
    }
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string dir_;
  std::string location_;
};

TEST_P(History, RecordsRunsAndReadsTheLastOnesByDocumentAndCheck) {
  HistoryStore store(location_);
  for (int i = 1; i <= 5; ++i) store.record(runOf(3, "Open", std::to_string(i)), utcNow(), "build" + std::to_string(i));
  std::vector<HistoryPoint> all = store.series("doc1.vxlprt", "", 10);
  ASSERT_EQ(all.size(), 10u);
  std::vector<HistoryPoint> open = store.series("/models/doc1.vxlprt", "Open", 3);
  ASSERT_EQ(open.size(), 3u);
  EXPECT_EQ(open[0].newValue, "3");
  EXPECT_EQ(open[2].newValue, "5");
  EXPECT_EQ(open[2].build, "build5");
  EXPECT_EQ(open[2].status, "OK");
  EXPECT_DOUBLE_EQ(open[2].seconds, 0.5);
  EXPECT_TRUE(store.series("other.vxlprt", "", 10).empty());
  // Opened again, the runs are all there.
  HistoryStore again(location_);
  EXPECT_EQ(again.series("doc2.vxlprt", "TestEdgeCount", 100).size(), 5u);
}

TEST_P(History, TwoWritersAtOnceLoseNothing) {
  HistoryStore{location_};
  auto writer = [&](int id) {
    HistoryStore store(location_);
    for (int i = 0; i < 15; ++i) store.record(runOf(40, "Open", std::to_string(id)), utcNow(), "w");
  };
  std::thread a(writer, 1), b(writer, 2);
  a.join();
  b.join();
  HistoryStore store(location_);
  std::vector<HistoryPoint> points = store.series("doc39.vxlprt", "Open", 1000);
  ASSERT_EQ(points.size(), 30u);
  int ones = 0;
  for (const HistoryPoint& p : points) ones += p.newValue == "1";
  EXPECT_EQ(ones, 15);
}

TEST_P(History, AHistoryOfALaterVersionIsRefused) {
  { HistoryStore store(location_); }
  std::unique_ptr<sim::vault::StoreBackend> raw;
  if (GetParam() == "sqlite") raw = std::make_unique<sim::vault::SqliteBackend>(location_, sim::vault::OpenMode::ReadWrite);
  else raw = std::make_unique<sim::vault::PostgresBackend>(location_);
  raw->run("UPDATE history_meta SET value = '99' WHERE name = 'format'");
  raw.reset();
  try {
    HistoryStore store(location_);
    FAIL() << "opened";
  } catch (const UsageError& e) {
    EXPECT_NE(std::string(e.what()).find("later version of ravelcrest"), std::string::npos) << e.what();
  }
}

TEST_P(History, TheMedianOfTheLastRunsShowsASlowDrift) {
  const std::string check = timingCheck();
  ASSERT_FALSE(check.empty());
  HistoryStore store(location_);
  for (const char* v : {"1.0", "1.3", "1.3", "1.3"}) store.record(runOf(1, check, v), utcNow(), "b");
  // This run itself agrees with its baseline; the last five do not.
  RunResults last = runOf(1, check, "1.0");
  store.record(last, utcNow(), "b");
  std::ostringstream out;
  EXPECT_EQ(warnTimingTrends(store, last, 5, 5, 0.1, out), 1);
  EXPECT_NE(out.str().find("timing trend: doc0.vxlprt " + check), std::string::npos) << out.str();
  // Noise around the baseline, or a drift inside the floor, is no trend.
  std::ostringstream quiet;
  EXPECT_EQ(warnTimingTrends(store, last, 5, 5, 0.5, quiet), 0);
  EXPECT_EQ(warnTimingTrends(store, last, 6, 5, 0.1, quiet), 0) << "fewer runs than asked";
}

INSTANTIATE_TEST_SUITE_P(Backends, History, ::testing::Values("sqlite", "postgresql"),
                         [](const auto& info) { return info.param; });

}  // namespace
}  // namespace rc::tools
