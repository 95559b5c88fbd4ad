// The decisions of a check run taken on their own: which timing differences
// warn, the exit code of a run and of joined results, a baseline rewritten in
// place with the lines after it kept, what prune would remove, and results of
// parallel workers handed over in document order.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "Core/frame/Register.h"
#include "platform/os/Files.h"
#include "sim/Register.h"
#include "tests/support/TestSupport.h"
#include "tools/baseline/BaselineInventory.h"
#include "tools/baseline/BaselineReview.h"
#include "tools/check/BaselineIndex.h"
#include "tools/check/CheckRunner.h"
#include "tools/results/RunResults.h"
#include "tools/run/DocumentQueue.h"

namespace rc::tools {
namespace {

using rc::testing::ScopedEnv;
using rc::testing::ScratchFolder;

CheckRow row(Status status, std::string newValue = "", std::string baseValue = "") {
  CheckRow r;
  r.status = status;
  r.newValue = std::move(newValue);
  r.baseValue = std::move(baseValue);
  return r;
}

TEST(RunDecisions, OnlySlowerTimingsWarnUnlessFasterOnesDoToo) {
  RunOptions options;
  EXPECT_TRUE(timingWarns(row(Status::Warning, "2.5", "1.0"), options));
  EXPECT_FALSE(timingWarns(row(Status::Warning, "0.4", "1.0"), options));
  EXPECT_TRUE(timingWarns(row(Status::Warning, "0.4", ""), options));  // no baseline to be faster than
  options.warnFaster = true;
  EXPECT_TRUE(timingWarns(row(Status::Warning, "0.4", "1.0"), options));
}

TEST(RunDecisions, ExitCodesOfARunAndOfJoinedResults) {
  EXPECT_EQ(exitCodeOf(std::vector<CheckRow>{row(Status::Ok), row(Status::BaselineCreated)}), 0);
  EXPECT_EQ(exitCodeOf(std::vector<CheckRow>{row(Status::Warning), row(Status::Ok)}), 1);
  EXPECT_EQ(exitCodeOf(std::vector<CheckRow>{row(Status::Failed), row(Status::Warning)}), 2);
  EXPECT_EQ(exitCodeOf(std::vector<CheckRow>{row(Status::ExpectedFailure), row(Status::UnexpectedPass)}), 0);

  RunResults joined;
  joined.documentCount = 2;
  joined.documents.resize(2);
  joined.documents[0].rows = {row(Status::Ok)};
  joined.documents[1].rows = {row(Status::ExpectedFailure)};
  EXPECT_EQ(exitCodeOf(joined), 0);
  joined.documents[1].rows.push_back(row(Status::Warning));
  EXPECT_EQ(exitCodeOf(joined), 1);
  joined.documentCount = 3;  // a shard is missing
  EXPECT_EQ(exitCodeOf(joined), 2);
  joined.documentCount = 2;
  joined.documents[0].rows.push_back(row(Status::Failed));
  EXPECT_EQ(exitCodeOf(joined), 2);
}

class RunDecisionsFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    core::registerClasses();
    sim::registerApplications();
  }
  ScratchFolder dir;
  ScopedEnv root{"RAVELCREST_DRIVE_ROOT", dir / "drive"};
  ScopedEnv locale{"LC_ALL", "C"};
};

TEST_F(RunDecisionsFiles, ARewrittenBaselineKeepsTheLinesAroundIt) {
  const std::string file = dir / "part.vxlprt.properties";
  const std::string mass = "Mass = 1.5 Build: b1, Date: 01/02/2026\r\n";
  const std::string rest = "FileSize = 900 Build: b1, Date: 01/02/2026\r\nVolume = 3 Build: b1, Date: 01/02/2026\r\n";
  platform::writeFile(file, mass + "EdgeCount = 12 Build: b1, Date: 01/02/2026\r\n" + rest);
  rewriteProperty(file, "EdgeCount", "14", "build-2");
  const std::string text = platform::readFile(file);
  EXPECT_EQ(text.rfind(mass + "EdgeCount = 14", 0), 0u) << text;
  EXPECT_TRUE(text.ends_with("\r\n" + rest)) << text;
  EXPECT_EQ(text.find("EdgeCount = 12"), std::string::npos) << text;
}

TEST_F(RunDecisionsFiles, ADryRunOfPruneRemovesNothingItNames) {
  const std::string folder = dir / "suite";
  std::filesystem::create_directories(folder);
  platform::writeFile(folder + "/gone.vxlprt", "{}");
  platform::writeFile(folder + "/gone.vxlprt.properties", "EdgeCount=1\r\n");
  platform::writeFile(folder + "/gone-vxlprt.gif", "GIF89a");
  recordBaselines(folder, "gone.vxlprt", {"gone.vxlprt.properties", "gone-vxlprt.gif"});
  std::filesystem::remove(folder + "/gone.vxlprt");
  std::ostringstream dry, real;
  const int found = pruneBaselines({folder}, PruneOptions{true, false}, dry);
  EXPECT_EQ(found, 2);
  EXPECT_TRUE(std::filesystem::exists(folder + "/gone.vxlprt.properties"));
  EXPECT_TRUE(std::filesystem::exists(folder + "/gone-vxlprt.gif"));
  EXPECT_EQ(readBaselineIndex(folder).count("gone.vxlprt"), 1u);
  const int removed = pruneBaselines({folder}, PruneOptions{false, false}, real);
  EXPECT_EQ(found, removed);
  std::string would = dry.str();
  for (std::size_t at = would.find("would remove "); at != std::string::npos; at = would.find("would remove "))
    would.replace(at, 13, "removed ");
  EXPECT_EQ(would, real.str());
  EXPECT_FALSE(std::filesystem::exists(folder + "/gone.vxlprt.properties"));
}

TEST_F(RunDecisionsFiles, ParallelResultsComeInDocumentOrder) {
  // Missing documents finish at once, real ones take a host session: the
  // workers finish out of order, the caller sees the list's order.
  // A copy of a sample: the run writes its baselines beside it.
  const char* source = std::getenv("RAVELCREST_SOURCE_DIR");
  const std::string bolt = dir / "bolt.vxlprt";
  std::filesystem::copy_file(std::string(source != nullptr ? source : ".") + "/examples/models/bolt.vxlprt", bolt);
  std::vector<DocumentItem> items;
  for (int i = 0; i < 6; ++i) {
    const std::string path = i % 2 ? dir / ("missing" + std::to_string(i) + ".vxlprt") : bolt;
    items.push_back(DocumentItem{path, path, "doc" + std::to_string(i), i % 2 ? "no such document" : ""});
  }
  std::vector<QueuedDocument> queue;
  for (std::size_t i = 0; i < items.size(); ++i) queue.push_back(QueuedDocument{i, &items[i], nullptr});
  RunOptions options;
  options.results = dir / "results";
  options.tolerance = "5,1e-9";
  options.checks = {"TestFileSize"};
  std::filesystem::create_directories(options.results);
  std::vector<std::string> order;
  runDocuments(queue, options, 2, [&](DocumentResult&& d) { order.push_back(d.label); });
  EXPECT_EQ(order, (std::vector<std::string>{"doc0", "doc1", "doc2", "doc3", "doc4", "doc5"}));
}

TEST_F(RunDecisionsFiles, ADocumentThatCannotBeWrittenFailsWithTheReasonInEveryWorker) {
  // The journal parts cannot be made in a results folder that is not there.
  // Each document fails with the reason and the run goes on; in a worker
  // the failure must never unwind past the fork into this test's frames.
  std::vector<DocumentItem> items;
  for (int i = 0; i < 3; ++i) {
    const std::string path = dir / ("doc" + std::to_string(i) + ".vxlprt");
    items.push_back(DocumentItem{path, path, "doc" + std::to_string(i), ""});
  }
  std::vector<QueuedDocument> queue;
  for (std::size_t i = 0; i < items.size(); ++i) queue.push_back(QueuedDocument{i, &items[i], nullptr});
  RunOptions options;
  options.results = dir / "no-such-folder";
  options.tolerance = "5,1e-9";
  const pid_t self = ::getpid();
  for (unsigned jobs : {2u, 1u}) {
    std::vector<DocumentResult> delivered;
    runDocuments(queue, options, jobs, [&](DocumentResult&& d) { delivered.push_back(std::move(d)); });
    ASSERT_EQ(::getpid(), self);
    ASSERT_EQ(delivered.size(), 3u) << jobs;
    for (const DocumentResult& d : delivered) {
      ASSERT_EQ(d.rows.size(), 1u) << d.label;
      EXPECT_EQ(d.rows[0].status, Status::Failed);
      EXPECT_NE(d.rows[0].detail.find("cannot write " + options.results + "/.journal-"), std::string::npos)
          << d.rows[0].detail;
    }
  }
}

TEST_F(RunDecisionsFiles, ARerunKeepsItsResultFoldersButNothingOfTheRunBefore) {
  namespace fs = std::filesystem;
  const char* source = std::getenv("RAVELCREST_SOURCE_DIR");
  const std::string bolt = dir / "bolt.vxlprt";
  fs::copy_file(std::string(source != nullptr ? source : ".") + "/examples/models/bolt.vxlprt", bolt);
  std::vector<DocumentItem> items{DocumentItem{bolt, bolt, "one", ""}, DocumentItem{bolt, bolt, "two", ""}};
  std::vector<QueuedDocument> queue{QueuedDocument{0, &items[0], nullptr}, QueuedDocument{1, &items[1], nullptr}};
  RunOptions options;
  options.results = dir / "results";
  options.tolerance = "5,1e-9";
  options.checks = {"TestFileSize", "MassPropInCfgs"};
  fs::create_directories(options.results);
  std::vector<std::string> journals;
  auto run = [&] {
    journals.clear();
    runDocuments(queue, options, 1, [&](DocumentResult&& d) { journals.push_back(d.journal); });
  };
  run();
  const std::string data = options.results + "/data/one";
  ASSERT_TRUE(fs::exists(data + "/MassPropertyInCinfigs.dat"));
  const std::string written = platform::readFile(data + "/MassPropertyInCinfigs.dat");
  // What the first run (or anyone) left in a document's folders goes; the
  // folders themselves stay.
  platform::writeFile(data + "/stale.dat", "of the run before");
  fs::create_directories(data + "/older/deeper");
  platform::writeFile(options.results + "/images/one/view-diff.gif", "GIF89a");
  struct stat before {};
  ASSERT_EQ(::lstat(data.c_str(), &before), 0);
  // A link where a document's data folder goes is replaced by a folder, its target untouched.
  fs::create_directories(dir / "elsewhere");
  platform::writeFile(dir / "elsewhere/precious.dat", "precious");
  fs::remove_all(options.results + "/data/two");
  fs::create_directory_symlink(dir / "elsewhere", options.results + "/data/two");
  run();
  std::vector<std::string> left;
  for (const fs::directory_entry& e : fs::directory_iterator(data)) left.push_back(e.path().filename().string());
  EXPECT_EQ(left, (std::vector<std::string>{"MassPropertyInCinfigs.dat"}));
  EXPECT_EQ(platform::readFile(data + "/MassPropertyInCinfigs.dat"), written);
  EXPECT_FALSE(fs::exists(options.results + "/images/one/view-diff.gif"));
  struct stat after {};
  ASSERT_EQ(::lstat(data.c_str(), &after), 0);
  EXPECT_EQ(after.st_ino, before.st_ino);
  EXPECT_FALSE(fs::is_symlink(options.results + "/data/two"));
  EXPECT_TRUE(fs::exists(options.results + "/data/two/MassPropertyInCinfigs.dat"));
  EXPECT_EQ(platform::readFile(dir / "elsewhere/precious.dat"), "precious");
  EXPECT_EQ(std::distance(fs::directory_iterator(dir / "elsewhere"), fs::directory_iterator()), 1);
  // Each document's journal is its own, and no part is left once the run ends.
  ASSERT_EQ(journals.size(), 2u);
  EXPECT_TRUE(journals[1].starts_with("'===== two")) << journals[1];
  EXPECT_EQ(journals[1].find("'===== one"), std::string::npos) << journals[1];
  for (const fs::directory_entry& e : fs::directory_iterator(options.results))
    EXPECT_FALSE(e.path().filename().string().starts_with(".journal-")) << e.path();
}

}  // namespace
}  // namespace rc::tools
