// Vault throughput: checking in and fetching documents of 100 KB, on the
// SQLite backend and (when KEYSTEAD_BENCH_POSTGRES names an empty database)
// on PostgreSQL. KEYSTEAD_BENCH_DOCS sets the document count (10000),
// KEYSTEAD_BENCH_DIR the folder the vaults are made in (the temporary folder).
// Reported as documents per second (items_per_second).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

#include "sim/vault/Vault.h"

namespace {

using rc::sim::vault::Vault;

constexpr std::size_t kDocBytes = 100 * 1024;

int documentCount() {
  const char* n = std::getenv("KEYSTEAD_BENCH_DOCS");
  return n && std::atoi(n) > 0 ? std::atoi(n) : 10000;
}

std::string docName(int i) { return "doc" + std::to_string(i) + ".prt"; }

// One vault per backend, made by the check-in run and read by the fetch run.
struct BenchVault {
  std::string root;
  std::unique_ptr<Vault> vault;
  int stored = 0;

  explicit BenchVault(const std::optional<std::string>& conninfo) {
    const char* dir = std::getenv("KEYSTEAD_BENCH_DIR");
    std::filesystem::path base = dir && *dir ? std::filesystem::path(dir) : std::filesystem::temp_directory_path();
    std::string tmpl = (base / "kstd-bench-XXXXXX").string();
    root = ::mkdtemp(tmpl.data());
    std::filesystem::create_directories(root + "/out");
    Vault::create(root + "/vault", conninfo);
    vault = Vault::open(root + "/vault");
  }
  ~BenchVault() {
    vault.reset();
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
  }
};

BenchVault& benchVault(bool postgres) {
  static std::unique_ptr<BenchVault> sqlite, pg;
  std::unique_ptr<BenchVault>& v = postgres ? pg : sqlite;
  if (!v) v = std::make_unique<BenchVault>(postgres ? std::optional<std::string>(std::getenv("KEYSTEAD_BENCH_POSTGRES"))
                                                    : std::nullopt);
  return *v;
}

bool skipped(benchmark::State& state, bool postgres) {
  if (!postgres || std::getenv("KEYSTEAD_BENCH_POSTGRES")) return false;
  state.SkipWithError("set KEYSTEAD_BENCH_POSTGRES to the connection string of an empty database");
  return true;
}

void checkIns(benchmark::State& state, bool postgres) {
  if (skipped(state, postgres)) return;
  BenchVault& b = benchVault(postgres);
  std::string content(kDocBytes, 'v');
  std::string source = b.root + "/source.prt";
  for (auto _ : state) {
    state.PauseTiming();
    std::string tag = std::to_string(b.stored);
    content.replace(0, tag.size(), tag);  // a distinct content per document
    std::ofstream(source, std::ios::binary | std::ios::trunc) << content;
    state.ResumeTiming();
    b.vault->checkIn(Vault::CheckIn{source, docName(b.stored), "", {}, ""}, "bench");
    ++b.stored;
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kDocBytes));
}

void fetches(benchmark::State& state, bool postgres) {
  if (skipped(state, postgres)) return;
  BenchVault& b = benchVault(postgres);
  if (b.stored == 0) {
    state.SkipWithError("the check-in run stored nothing");
    return;
  }
  int i = 0;
  for (auto _ : state) {
    auto rev = b.vault->revision(docName(i));
    b.vault->save(*rev, b.root + "/out");
    i = (i + 1) % b.stored;
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kDocBytes));
}

// The baseline of a fetch: copying a file of the same size into a folder
// with the standard library, no vault involved.
void plainCopies(benchmark::State& state) {
  BenchVault& b = benchVault(false);
  std::string source = b.root + "/plain-source.prt";
  std::ofstream(source, std::ios::binary | std::ios::trunc) << std::string(kDocBytes, 'p');
  std::filesystem::create_directories(b.root + "/plain");
  int i = 0;
  for (auto _ : state) {
    std::filesystem::copy_file(source, b.root + "/plain/" + docName(i++), std::filesystem::copy_options::overwrite_existing);
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kDocBytes));
}

const bool registered = [] {
  int docs = documentCount();
  benchmark::RegisterBenchmark("PlainCopy100KB/baseline", plainCopies)
      ->Iterations(docs)->Unit(benchmark::kMillisecond)->UseRealTime();
  for (bool pg : {false, true}) {
    std::string backend = pg ? "PostgreSQL" : "SQLite";
    benchmark::RegisterBenchmark(("CheckIn100KB/" + backend).c_str(), checkIns, pg)
        ->Iterations(docs)->Unit(benchmark::kMillisecond)->UseRealTime();
    benchmark::RegisterBenchmark(("Fetch100KB/" + backend).c_str(), fetches, pg)
        ->Iterations(docs)->Unit(benchmark::kMillisecond)->UseRealTime();
  }
  return true;
}();

}  // namespace
