// The file work of a check run.
//
// BM_Appends: lines appended round-robin to the four files a check run
// appends to (journal, trace log, two data files), each append opening its
// file ("per_line_open") or through a table of kept files ("kept"), and
// BM_AppendRatio timing both in alternation in this process:
// "kept_over_open" is the kept appends' time as a share of the per-line
// opens' (lower is better), in wall and in processor time.
//
// BM_CheckRun: the built `ravelcrest check -j 2` over a sample set (copies of
// the example models, 500 unless $RAVELCREST_BENCH_DOCS says otherwise) on
// a memory-backed folder (/dev/shm) and on the disk ($TMPDIR or /var/tmp):
// the first run creating every baseline, the second comparing with them.
// "ms_per_doc" is wall time, "cpu_ms_per_doc" the processor time of the
// tool and its workers, "sys_share" the system time's share of it. With
// $RAVELCREST_BENCH_BASELINE naming another build's ravelcrest (main's, say),
// both run in alternation and "*_over_baseline" gives this build's share.
//
// BM_CheckRunNoSync: this build's first and second runs on the disk with
// `--no-sync` and without, and on /dev/shm, in alternation:
// "*_nosync_over_synced" and "*_nosync_over_memory" are wall-time shares.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <ctime>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "bench/BenchScratch.h"
#include "platform/os/KeptAppends.h"
#include "platform/os/OutputFiles.h"

namespace fs = std::filesystem;

namespace {

#ifndef RAVELCREST_SOURCE_DIR
#define RAVELCREST_SOURCE_DIR "."
#endif
#ifndef RAVELCREST_TOOL
#define RAVELCREST_TOOL "ravelcrest"
#endif

constexpr int kLines = 1000;

// Appends `lines` lines round-robin to the four files under `dir`.
void appendLines(const rc::bench::ScratchDir& dir, int lines) {
  static const std::string names[] = {".journal-1.txt", "TraceLog.log", "RavelcrestPartAssembly.dat",
                                      "MassPropertyInCinfigs.dat"};
  static const std::string text[] = {"'*** BaseLine = 0.0123 kg", "\"TestEdgeCount - Enter\"", "Default", "0.000125"};
  for (int i = 0; i < lines; ++i) rc::platform::output::appendLine(dir / names[i % 4], text[i % 4]);
}

void BM_Appends(benchmark::State& state) {
  rc::bench::ScratchDir dir;
  const bool kept = state.range(0) != 0;
  for (auto _ : state) {
    std::optional<rc::platform::KeptAppends> table;
    if (kept) table.emplace();
    appendLines(dir, kLines);
  }
  state.SetItemsProcessed(state.iterations() * kLines);
}

// This process's processor time in seconds.
double cpuNow() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec + t.tv_nsec / 1e9;
}

void BM_AppendRatio(benchmark::State& state) {
  rc::bench::ScratchDir dir;
  double open[2] = {}, kept[2] = {};  // wall, processor
  auto timed = [&](double* total, bool keep) {
    const auto t0 = std::chrono::steady_clock::now();
    const double c0 = cpuNow();
    {
      std::optional<rc::platform::KeptAppends> table;
      if (keep) table.emplace();
      appendLines(dir, kLines);
    }
    total[0] += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    total[1] += cpuNow() - c0;
  };
  for (auto _ : state) {
    timed(open, false);
    timed(kept, true);
  }
  const double lines = static_cast<double>(state.iterations()) * kLines;
  state.counters["open_cpu_us_per_line"] = open[1] * 1e6 / lines;
  state.counters["kept_cpu_us_per_line"] = kept[1] * 1e6 / lines;
  state.counters["kept_over_open"] = kept[0] / open[0];
  state.counters["kept_over_open_cpu"] = kept[1] / open[1];
}

// Processor time of this process's finished children: user and system.
void childTimes(double& user, double& sys) {
  rusage u{};
  getrusage(RUSAGE_CHILDREN, &u);
  user = u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6;
  sys = u.ru_stime.tv_sec + u.ru_stime.tv_usec / 1e6;
}

int documentCount() {
  const char* n = std::getenv("RAVELCREST_BENCH_DOCS");
  const int count = n != nullptr ? std::atoi(n) : 500;
  return count >= 5 ? count : 500;
}

// A folder of `count` sample documents under `base`: groups of five copies
// of example models (parts, an assembly and its parts, a drawing).
std::string makeSamples(const std::string& base, int count) {
  std::string tmpl = base + "/ravelcrest-bench-files-XXXXXX";
  const std::string dir = ::mkdtemp(tmpl.data());
  const fs::path models = fs::path(RAVELCREST_SOURCE_DIR) / "examples/models";
  for (int g = 0; g * 5 < count; ++g) {
    const fs::path group = fs::path(dir) / "set" / ("g" + std::to_string(g));
    fs::create_directories(group);
    for (const char* name : {"bolt.vxlprt", "nut.prt", "fastener.vxlasm", "bracket.vxlprt", "bracket.vxldrw"})
      fs::copy_file(models / name, group / name);
  }
  return dir;
}

struct RunTimes {
  double wall = 0, cpu = 0, sys = 0;  // seconds
  bool ok = true;                     // the run exited 0
};

// Runs `tool` over `dir`/set (results in `dir`/results); its times. A run
// that fails marks the benchmark as failed (no timing call may follow).
RunTimes runCheck(benchmark::State& state, const std::string& tool, const std::string& dir,
                  const std::string& options) {
  const std::string command =
      tool + " check " + dir + "/set --results " + dir + "/results -j 2" + options + " >/dev/null 2>&1";
  double u0 = 0, s0 = 0, u1 = 0, s1 = 0;
  childTimes(u0, s0);
  const auto t0 = std::chrono::steady_clock::now();
  RunTimes t;
  if (std::system(command.c_str()) != 0) {
    state.SkipWithError(("the check run failed: " + command).c_str());
    t.ok = false;
    return t;
  }
  t.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  childTimes(u1, s1);
  t.cpu = (u1 - u0) + (s1 - s0);
  t.sys = s1 - s0;
  return t;
}

// A first and a second run of `tool` (with `options` after the usual
// ones) on fresh samples under `base`; the
// samples' folder goes into `made`, to be removed after every run is done.
// On a disk the removal is left to the end: an ext4 without a journal steps
// over every inode freed in the last minutes when it makes a file, so a
// tree removed between the runs would slow down whichever tool runs next.
std::pair<RunTimes, RunTimes> firstAndSecond(benchmark::State& state, const std::string& tool,
                                             const std::string& base, int count, std::vector<std::string>& made,
                                             const std::string& options = "") {
  state.PauseTiming();
  made.push_back(makeSamples(base, count));
  const std::string& dir = made.back();
  state.ResumeTiming();
  RunTimes first = runCheck(state, tool, dir, options);
  RunTimes second = first.ok ? runCheck(state, tool, dir, options) : first;
  return {first, second};
}

// Adds a first and a second run's times to `into[0]` and `into[1]`.
void add(RunTimes* into, const std::pair<RunTimes, RunTimes>& runs) {
  for (int k = 0; k < 2; ++k) {
    const RunTimes& r = k == 0 ? runs.first : runs.second;
    into[k].wall += r.wall, into[k].cpu += r.cpu, into[k].sys += r.sys;
  }
}

void BM_CheckRunNoSync(benchmark::State& state) {
  const char* tmp = std::getenv("TMPDIR");
  const std::string disk = tmp && *tmp ? tmp : "/var/tmp";
  ::setenv("LC_ALL", "C", 1);
  const int count = documentCount();
  const std::string tool = RAVELCREST_TOOL;
  RunTimes synced[2], waived[2], memory[2];
  std::vector<std::string> made;
  for (auto _ : state) {
    add(memory, firstAndSecond(state, tool, "/dev/shm", count, made));
    if (!state.error_occurred()) add(synced, firstAndSecond(state, tool, disk, count, made));
    if (!state.error_occurred()) add(waived, firstAndSecond(state, tool, disk, count, made, " --no-sync"));
  }
  for (const std::string& dir : made) fs::remove_all(dir);
  if (state.error_occurred()) return;
  const double docs = static_cast<double>(state.iterations()) * count;
  for (int k = 0; k < 2; ++k) {
    const std::string run = k == 0 ? "first" : "second";
    state.counters[run + "_nosync_ms_per_doc"] = waived[k].wall * 1e3 / docs;
    state.counters[run + "_synced_ms_per_doc"] = synced[k].wall * 1e3 / docs;
    state.counters[run + "_memory_ms_per_doc"] = memory[k].wall * 1e3 / docs;
    state.counters[run + "_nosync_over_synced"] = waived[k].wall / synced[k].wall;
    state.counters[run + "_nosync_over_memory"] = waived[k].wall / memory[k].wall;
  }
}

// With $RAVELCREST_BENCH_BASELINE naming another build's ravelcrest, that
// tool runs in alternation with this one, and the "*_over_baseline"
// counters are this build's times as a share of it.
void BM_CheckRun(benchmark::State& state) {
  const char* tmp = std::getenv("TMPDIR");
  const std::string base = state.range(0) != 0 ? "/dev/shm" : (tmp && *tmp ? tmp : "/var/tmp");
  if (!fs::is_directory(base)) {
    state.SkipWithError("no such folder");
    return;
  }
  ::setenv("LC_ALL", "C", 1);
  const char* baselineTool = std::getenv("RAVELCREST_BENCH_BASELINE");
  const int count = documentCount();
  RunTimes ours[2], theirs[2];
  std::vector<std::string> made;
  for (auto _ : state) {
    if (baselineTool != nullptr && *baselineTool != '\0')
      add(theirs, firstAndSecond(state, baselineTool, base, count, made));
    if (!state.error_occurred()) add(ours, firstAndSecond(state, RAVELCREST_TOOL, base, count, made));
  }
  for (const std::string& dir : made) fs::remove_all(dir);
  if (state.error_occurred()) return;
  const double docs = static_cast<double>(state.iterations()) * count;
  for (int k = 0; k < 2; ++k) {
    const std::string run = k == 0 ? "first" : "second";
    state.counters[run + "_ms_per_doc"] = ours[k].wall * 1e3 / docs;
    state.counters[run + "_cpu_ms_per_doc"] = ours[k].cpu * 1e3 / docs;
    state.counters[run + "_sys_share"] = ours[k].cpu > 0 ? ours[k].sys / ours[k].cpu : 0;
    if (theirs[k].cpu > 0) {
      state.counters[run + "_cpu_over_baseline"] = ours[k].cpu / theirs[k].cpu;
      state.counters[run + "_wall_over_baseline"] = ours[k].wall / theirs[k].wall;
      state.counters[run + "_sys_over_baseline"] = ours[k].sys / theirs[k].sys;
    }
  }
}

}  // namespace

BENCHMARK(BM_Appends)->ArgName("kept")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AppendRatio)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_CheckRun)->ArgName("memory")->Arg(1)->Arg(0)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CheckRunNoSync)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
