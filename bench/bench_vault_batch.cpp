// Checking in 1,000 small documents with keystead-admin, whole process: one
// `add --from-list` (a batch), against the floor of copying the files and
// recording them in one database transaction in this process (the work of
// `cp` and one `sqlite3`/`psql` transaction), and against one `add` per
// file (how a script checked files in before batches). Each run starts from
// a fresh vault. The PostgreSQL runs use a throwaway server (as the vault
// tests do) and are skipped when none can be started.
// KEYSTEAD_BENCH_BATCH sets the document count (1000).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <libpq-fe.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "bench/BenchScratch.h"
#include "sim/vault/Vault.h"
#include "tests/support/PostgresServer.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using rc::sim::vault::Vault;

int documentCount() {
  const char* n = std::getenv("KEYSTEAD_BENCH_BATCH");
  return n && std::atoi(n) > 0 ? std::atoi(n) : 1000;
}

// The documents (a small host model each) and a list naming them, made once.
struct Documents {
  rc::bench::ScratchDir dir;
  std::vector<std::string> files;
  std::string list;
  int runs = 0;

  Documents() {
    fs::create_directories(dir / "src");
    list = dir / "list";
    std::ofstream names(list);
    for (int i = 0; i < documentCount(); ++i) {
      std::string file = dir / ("src/doc" + std::to_string(i) + ".prt");
      std::ofstream(file) << "{\"title\": \"document " << i << "\", \"fileVersion\": 2100, \"faces\": "
                          << std::string(1500, '0' + i % 10) << "}\n";
      files.push_back(file);
      names << file << "\n";
    }
  }
  // A new folder for one run.
  std::string fresh(const std::string& what) { return dir / (what + "-" + std::to_string(++runs)); }
};

Documents& documents() {
  static Documents d;
  return d;
}

std::optional<std::string> postgresDatabase() {
  std::string why;
  auto* server = rc::sim::vault::testing::PostgresServer::shared(why);
  if (!server) return std::nullopt;
  return server->newDatabase();
}

// Runs `args` and waits; false unless it exits 0.
bool run(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return false;
  int status = 0;
  ::waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string newVault(Documents& d, bool postgres, benchmark::State& state) {
  std::string vault = d.fresh("vault");
  std::optional<std::string> conninfo;
  if (postgres && !(conninfo = postgresDatabase())) {
    state.SkipWithError("no PostgreSQL server could be started (initdb, pg_ctl)");
    return "";
  }
  Vault::create(vault, conninfo);
  return vault;
}

void batchAdd(benchmark::State& state, bool postgres) {
  Documents& d = documents();
  for (auto _ : state) {
    state.PauseTiming();
    std::string vault = newVault(d, postgres, state);
    if (vault.empty()) return;
    state.ResumeTiming();
    if (!run({KEYSTEAD_ADMIN_PATH, "add", vault, "--from-list", d.list})) {
      state.SkipWithError("keystead-admin add failed");
      return;  // no timing call may follow a failure
    }
  }
  state.SetItemsProcessed(state.iterations() * documentCount());
}

void addEach(benchmark::State& state, bool postgres) {
  Documents& d = documents();
  for (auto _ : state) {
    state.PauseTiming();
    std::string vault = newVault(d, postgres, state);
    if (vault.empty()) return;
    state.ResumeTiming();
    for (const std::string& file : d.files)
      if (!run({KEYSTEAD_ADMIN_PATH, "add", vault, file})) {
        state.SkipWithError("keystead-admin add failed");
        return;  // no timing call may follow a failure
      }
  }
  state.SetItemsProcessed(state.iterations() * documentCount());
}

// The floor: the files copied into a folder, then one transaction of one
// row per file (SQLite in WAL mode with full syncs, as the vault runs it).
void copyAndOneSqliteTransaction(benchmark::State& state) {
  Documents& d = documents();
  for (auto _ : state) {
    std::string target = d.fresh("copy");
    fs::create_directories(target);
    for (std::size_t i = 0; i < d.files.size(); ++i) fs::copy_file(d.files[i], target + "/" + std::to_string(i));
    sqlite3* db = nullptr;
    sqlite3_open((target + ".sqlite").c_str(), &db);
    sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL; CREATE TABLE t (name TEXT, n BIGINT)", nullptr,
                 nullptr, nullptr);
    sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO t VALUES (?, ?)", -1, &st, nullptr);
    for (std::size_t i = 0; i < d.files.size(); ++i) {
      sqlite3_bind_text(st, 1, d.files[i].c_str(), -1, SQLITE_STATIC);
      sqlite3_bind_int64(st, 2, static_cast<sqlite3_int64>(i));
      sqlite3_step(st);
      sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
  }
  state.SetItemsProcessed(state.iterations() * documentCount());
}

// The same floor on PostgreSQL: the copy, then one transaction of inserts.
void copyAndOnePostgresTransaction(benchmark::State& state) {
  Documents& d = documents();
  std::optional<std::string> conninfo = postgresDatabase();
  if (!conninfo) {
    state.SkipWithError("no PostgreSQL server could be started (initdb, pg_ctl)");
    return;
  }
  PGconn* c = PQconnectdb(conninfo->c_str());
  PQclear(PQexec(c, "CREATE TABLE t (name TEXT, n BIGINT)"));
  for (auto _ : state) {
    std::string target = d.fresh("copy");
    fs::create_directories(target);
    for (std::size_t i = 0; i < d.files.size(); ++i) fs::copy_file(d.files[i], target + "/" + std::to_string(i));
    PQclear(PQexec(c, "BEGIN"));
    for (std::size_t i = 0; i < d.files.size(); ++i) {
      std::string n = std::to_string(i);
      const char* values[] = {d.files[i].c_str(), n.c_str()};
      PQclear(PQexecParams(c, "INSERT INTO t VALUES ($1, $2)", 2, nullptr, values, nullptr, nullptr, 0));
    }
    PQclear(PQexec(c, "COMMIT"));
  }
  PQfinish(c);
  state.SetItemsProcessed(state.iterations() * documentCount());
}

const bool registered = [] {
  benchmark::RegisterBenchmark("CheckIn1000/copy+one-transaction/SQLite/baseline", copyAndOneSqliteTransaction)
      ->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();
  benchmark::RegisterBenchmark("CheckIn1000/add-batch/SQLite", batchAdd, false)
      ->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();
  benchmark::RegisterBenchmark("CheckIn1000/copy+one-transaction/PostgreSQL/baseline", copyAndOnePostgresTransaction)
      ->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();
  benchmark::RegisterBenchmark("CheckIn1000/add-batch/PostgreSQL", batchAdd, true)
      ->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();
  // One process per file: slow, so run once (filter it out with
  // --benchmark_filter=-.*add-each.* when only the batch matters).
  for (bool pg : {false, true})
    benchmark::RegisterBenchmark(pg ? "CheckIn1000/add-each/PostgreSQL" : "CheckIn1000/add-each/SQLite", addEach, pg)
        ->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
  return true;
}();

}  // namespace
