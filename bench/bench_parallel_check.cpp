// `ravelcrest check -j N` over 500 documents (50 copies of the sample models
// folder), run as the built tool: documents per second with one session and
// with two worker processes ("docs_per_s"; the target is two workers at 1.8
// times one or better on a 2-core machine), and the reports (--json,
// --junit, --report) of such a run timed on their own ("report_share": the
// reports' processor time as a share of the run's, target under 5 %).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/os/Files.h"
#include "tools/reports/HtmlReport.h"
#include "tools/reports/JunitReport.h"
#include "tools/results/RunResults.h"

namespace fs = std::filesystem;

namespace {

#ifndef RAVELCREST_SOURCE_DIR
#define RAVELCREST_SOURCE_DIR "."
#endif
#ifndef RAVELCREST_TOOL
#define RAVELCREST_TOOL "ravelcrest"
#endif

constexpr int kCopies = 50;

// Processor time of this process and its finished children, in seconds: the
// machine is shared, so shares of processor time are steadier than wall time.
double cpuSeconds() {
  auto total = [](int who) {
    rusage u{};
    getrusage(who, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
  };
  return total(RUSAGE_SELF) + total(RUSAGE_CHILDREN);
}

// 50 copies of examples/models in $TMPDIR (or /tmp), checked once so that
// every timed run compares with baselines.
const std::string& suite() {
  static std::string dir = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string tmpl = std::string(tmp && *tmp ? tmp : "/tmp") + "/ravelcrest-bench-parallel-XXXXXX";
    std::string made = mkdtemp(tmpl.data());
    setenv("RAVELCREST_DRIVE_ROOT", (made + "/drive").c_str(), 1);
    setenv("LC_ALL", "C", 1);
    fs::create_directories(fs::path(made) / "suite");
    for (int i = 0; i < kCopies; ++i)
      fs::copy(fs::path(RAVELCREST_SOURCE_DIR) / "examples/models", fs::path(made) / "suite" / std::to_string(i),
               fs::copy_options::recursive);
    return made;
  }();
  static bool checked = [] {
    std::string first = std::string(RAVELCREST_TOOL) + " check " + dir + "/suite --results " + dir +
                        "/results-0 -j 1 >/dev/null 2>&1";
    return std::system(first.c_str()) >= 0;
  }();
  (void)checked;
  return dir;
}

// Runs the tool over the suite; answers the wall time in seconds.
double check(unsigned jobs, const std::string& results, const std::string& extra = "") {
  std::string command = std::string(RAVELCREST_TOOL) + " check " + suite() + "/suite --results " + results + " -j " +
                        std::to_string(jobs) + " " + extra + " >/dev/null 2>&1";
  auto t0 = std::chrono::steady_clock::now();
  int status = std::system(command.c_str());
  if (status != 0) std::fprintf(stderr, "bench: the check run exited with %d\n", status);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

void BM_CheckSuite(benchmark::State& state) {
  unsigned jobs = static_cast<unsigned>(state.range(0));
  int run = 0;
  for (auto _ : state) check(jobs, suite() + "/results-" + std::to_string(jobs) + "-" + std::to_string(++run));
  state.counters["docs_per_s"] = benchmark::Counter(10.0 * kCopies, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_Reports(benchmark::State& state) {
  std::string folder = suite() + "/results-reports";
  double cpu0 = cpuSeconds();
  double wall = check(2, folder, "--json " + folder + ".json");
  double runCpu = cpuSeconds() - cpu0;
  rc::tools::RunResults results = rc::tools::resultsFromJson(rc::platform::readFile(folder + ".json"), "results");
  double seconds[3] = {};
  std::size_t bytes = 0;
  auto timed = [](double& s, auto make) {
    double t0 = cpuSeconds();
    std::size_t size = make().size();
    s = cpuSeconds() - t0;
    return size;
  };
  for (auto _ : state)
    bytes = timed(seconds[0], [&] { return rc::tools::resultsToJson(results); }) +
            timed(seconds[1], [&] { return rc::tools::junitXml(results); }) +
            timed(seconds[2], [&] { return rc::tools::htmlReport(results, folder); });
  state.counters["report_MB"] = static_cast<double>(bytes) / 1e6;
  state.counters["json_ms"] = seconds[0] * 1e3;
  state.counters["junit_ms"] = seconds[1] * 1e3;
  state.counters["html_ms"] = seconds[2] * 1e3;
  state.counters["run_ms"] = wall * 1e3;
  state.counters["run_cpu_ms"] = runCpu * 1e3;
  state.counters["report_share"] = (seconds[0] + seconds[1] + seconds[2]) / runCpu;
}

}  // namespace

BENCHMARK(BM_CheckSuite)->ArgName("jobs")->Arg(1)->Arg(2)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Reports)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();
