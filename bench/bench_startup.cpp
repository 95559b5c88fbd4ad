// Start-up of the programs and the Python module, whole process: `ravelcrest
// --version`, `keystead-admin list` of a small SQLite vault and `python3 -c
// "import ravelcrest"`, each against a baseline started the same way in the
// same run (`/bin/true`; `python3 -c pass` and `import sqlite3`). Compare the
// medians (--benchmark_repetitions=5 --benchmark_report_aggregates_only);
// cpu_ms is the child's processor time (user and system) per start, the
// figure to trust on a busy machine.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "bench/BenchScratch.h"
#include "sim/vault/Vault.h"

extern char** environ;

namespace {

// Runs `args` with `env` added to the environment, output to /dev/null.
void run(benchmark::State& state, const std::vector<std::string>& args, const std::vector<std::string>& env = {}) {
  std::vector<std::string> envText(env);
  for (char** e = environ; *e; ++e) envText.emplace_back(*e);
  std::vector<char*> argv, envp;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  for (const std::string& e : envText) envp.push_back(const_cast<char*>(e.c_str()));
  argv.push_back(nullptr);
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  double cpuMs = 0;
  for (auto _ : state) {
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) {
      state.SkipWithError("cannot start the program");
      break;
    }
    int status = 0;
    struct rusage usage {};
    ::wait4(pid, &status, 0, &usage);
    cpuMs += (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
             (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      state.SkipWithError("the program failed");
      break;
    }
  }
  state.counters["cpu_ms"] = benchmark::Counter(cpuMs, benchmark::Counter::kAvgIterations);
  posix_spawn_file_actions_destroy(&actions);
}

// A vault with three small documents, made once.
struct SmallVault {
  rc::bench::ScratchDir dir;
  std::string path = dir / "vault";
  SmallVault() {
    rc::sim::vault::Vault::create(path);
    auto v = rc::sim::vault::Vault::open(path);
    for (int i = 0; i < 3; ++i) {
      std::string file = dir / ("doc" + std::to_string(i) + ".prt");
      std::FILE* f = std::fopen(file.c_str(), "w");
      std::fprintf(f, "{\"fileVersion\": %d}\n", 2000 + i);
      std::fclose(f);
      v->checkIn({file, "", "", {}, ""}, "bench");
    }
  }
};

const std::string kPythonPath = std::string("PYTHONPATH=") + RAVELCREST_PYTHON_DIR;

const bool registered = [] {
  auto add = [](const char* name, auto fn) {
    benchmark::RegisterBenchmark(name, fn)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5);
  };
  add("Start/true/baseline", [](benchmark::State& s) { run(s, {"/bin/true"}); });
  add("Start/ravelcrest--version", [](benchmark::State& s) { run(s, {RAVELCREST_TOOL, "--version"}); });
  add("Start/ravelcrest--help", [](benchmark::State& s) { run(s, {RAVELCREST_TOOL, "--help"}); });
  add("Start/keystead-admin-list", [](benchmark::State& s) {
    static SmallVault vault;
    run(s, {KEYSTEAD_ADMIN_PATH, "list", vault.path});
  });
  add("Start/python3-pass/baseline", [](benchmark::State& s) { run(s, {"/usr/bin/python3", "-c", "pass"}); });
  add("Start/python3-S-pass/baseline", [](benchmark::State& s) { run(s, {"/usr/bin/python3", "-S", "-c", "pass"}); });
  add("Start/import-sqlite3/baseline", [](benchmark::State& s) { run(s, {"/usr/bin/python3", "-c", "import sqlite3"}); });
  add("Start/import-ravelcrest", [](benchmark::State& s) {
    run(s, {"/usr/bin/python3", "-c", "import ravelcrest"}, {kPythonPath});
  });
  // Without site: the interpreter's own share at its smallest.
  add("Start/import-ravelcrest-S", [](benchmark::State& s) {
    run(s, {"/usr/bin/python3", "-S", "-c", "import ravelcrest"}, {kPythonPath});
  });
  return true;
}();

}  // namespace
