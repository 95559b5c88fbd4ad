// What recording a check run in the history adds to the run: a comparing
// run over 2,500 copies of a sample part, then its record in a fresh SQLite
// history. The "record_percent" counter is the record's time as a
// percentage of the run's own, both measured here in the same process.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "BenchScratch.h"
#include "Core/frame/Register.h"
#include "platform/os/System.h"
#include "sim/Register.h"
#include "tools/check/CheckOptions.h"
#include "tools/check/CheckRunner.h"
#include "tools/check/DocumentSet.h"
#include "tools/history/HistoryStore.h"
#include "tools/results/ResultsFolder.h"
#include "tools/results/RunResults.h"

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

rc::tools::RunResults runAll(const std::string& dir, const std::string& results) {
  std::ostringstream notes;
  std::vector<rc::tools::DocumentItem> docs = rc::tools::collectDocuments({dir + "/models"}, notes);
  rc::tools::RunOptions options;
  options.tolerance = std::string(rc::tools::kDefaultTolerance);
  options.results = rc::tools::prepareResultsFolder(results);
  rc::tools::RunResults run;
  run.tolerance = "5 %";
  for (std::size_t i = 0; i < docs.size(); ++i) run.documents.push_back(rc::tools::runDocument(docs[i], i, options));
  return run;
}

void BM_RecordRun(benchmark::State& state) {
  ::setenv("LC_ALL", "C", 1);
  rc::platform::keepLargeBlocksForReuse();
  rc::core::registerClasses();
  rc::sim::registerApplications();
  rc::bench::ScratchDir scratch;
  const std::string dir = scratch / "suite";
  fs::create_directories(dir + "/models");
  const int count = static_cast<int>(state.range(0));
  for (int i = 0; i < count; ++i)
    fs::copy_file(fs::path(RAVELCREST_SOURCE_DIR) / "examples/models/bracket.vxlprt",
                  fs::path(dir) / "models" / ("p" + std::to_string(i) + ".vxlprt"));
  ::setenv("RAVELCREST_DRIVE_ROOT", (dir + "/drive").c_str(), 1);
  runAll(dir, dir + "/results-0");  // baselines created
  double runSeconds = 0, recordSeconds = 0;
  int n = 0;
  for (auto _ : state) {
    auto t0 = Clock::now();
    rc::tools::RunResults run = runAll(dir, dir + "/results-" + std::to_string(++n));
    auto t1 = Clock::now();
    rc::tools::HistoryStore store(dir + "/history-" + std::to_string(n) + ".sqlite");
    store.record(run, rc::tools::utcNow(), "bench");
    auto t2 = Clock::now();
    runSeconds += std::chrono::duration<double>(t1 - t0).count();
    recordSeconds += std::chrono::duration<double>(t2 - t1).count();
  }
  state.counters["run_s"] = runSeconds / n;
  state.counters["record_s"] = recordSeconds / n;
  state.counters["record_percent"] = 100 * recordSeconds / runSeconds;
}

}  // namespace

BENCHMARK(BM_RecordRun)->ArgNames({"documents"})->Arg(2500)->Unit(benchmark::kSecond)->Iterations(2);
