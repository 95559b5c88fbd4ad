// One `ravelcrest check` run in a process over many documents: the time per
// run at 500 and 2,500 copies of a sample part, first run (every check
// creates its baseline) and second run (every check compares). Linear time
// shows as the same time per document at both sizes (the "per_document"
// counter).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include "Core/frame/Register.h"
#include "platform/os/System.h"
#include "sim/Register.h"
#include "tools/check/CheckOptions.h"
#include "tools/check/CheckRunner.h"
#include "tools/check/DocumentSet.h"
#include "tools/results/ResultsFolder.h"

namespace fs = std::filesystem;

namespace {

#ifndef RAVELCREST_SOURCE_DIR
#define RAVELCREST_SOURCE_DIR "."
#endif

// A folder of `count` copies of the sample part, in $TMPDIR (or /tmp).
std::string makeDocuments(int count) {
  const char* tmp = std::getenv("TMPDIR");
  std::string tmpl = std::string(tmp && *tmp ? tmp : "/tmp") + "/ravelcrest-bench-check-XXXXXX";
  std::string dir = mkdtemp(tmpl.data());
  fs::path sample = fs::path(RAVELCREST_SOURCE_DIR) / "examples/models/bracket.vxlprt";
  fs::create_directories(fs::path(dir) / "models");
  for (int i = 0; i < count; ++i)
    fs::copy_file(sample, fs::path(dir) / "models" / ("p" + std::to_string(i) + ".vxlprt"));
  return dir;
}

// Runs every check on every document; answers the number of rows.
std::size_t runAll(const std::string& dir, const std::string& results) {
  std::ostringstream notes;
  std::vector<rc::tools::DocumentItem> docs = rc::tools::collectDocuments({dir + "/models"}, notes);
  rc::tools::RunOptions options;
  options.tolerance = std::string(rc::tools::kDefaultTolerance);
  options.results = rc::tools::prepareResultsFolder(results);
  std::size_t rows = 0;
  for (std::size_t i = 0; i < docs.size(); ++i) rows += rc::tools::runDocument(docs[i], i, options).rows.size();
  return rows;
}

void BM_CheckRun(benchmark::State& state) {
  static bool registered = [] {
    setenv("LC_ALL", "C", 1);
    rc::platform::keepLargeBlocksForReuse();  // as the ravelcrest program does
    rc::core::registerClasses();
    rc::sim::registerApplications();
    return true;
  }();
  (void)registered;
  int count = static_cast<int>(state.range(0));
  bool compare = state.range(1) == 1;
  std::string dir = makeDocuments(count);
  setenv("RAVELCREST_DRIVE_ROOT", (dir + "/drive").c_str(), 1);
  if (compare) runAll(dir, dir + "/results-0");
  std::size_t rows = 0;
  int run = 0;
  for (auto _ : state) {
    rows = runAll(dir, dir + "/results-" + std::to_string(++run));
    if (!compare) {
      state.PauseTiming();
      for (const fs::directory_entry& e : fs::directory_iterator(dir + "/models"))
        if (e.path().extension() != ".vxlprt") fs::remove_all(e.path());
      state.ResumeTiming();
    }
  }
  state.counters["rows"] = static_cast<double>(rows);
  state.counters["per_document"] =
      benchmark::Counter(static_cast<double>(count), benchmark::Counter::kIsIterationInvariantRate |
                                                         benchmark::Counter::kInvert);
  fs::remove_all(dir);
}

}  // namespace

BENCHMARK(BM_CheckRun)
    ->ArgNames({"documents", "compare"})
    ->Args({500, 0})
    ->Args({500, 1})
    ->Args({2500, 0})
    ->Args({2500, 1})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();
