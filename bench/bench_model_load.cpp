// Time and peak heap of loading a large model file (31 MiB, under the 32 MiB
// cap) of several shapes: an unknown field holding millions of tiny lists,
// known lists of empty records (features, drawing views, sheets), and a
// realistic document of many features with unknown fields. Reports the peak heap growth during the
// load and its ratio to the file size ("peak/file"); the target is at most 10.
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <sys/resource.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <string>

#include "platform/os/Files.h"
#include "sim/host/ModelFile.h"

namespace {

std::atomic<std::size_t> gLive{0};
std::atomic<std::size_t> gPeak{0};

void* track(void* p) {
  if (!p) throw std::bad_alloc();
  std::size_t now = gLive += malloc_usable_size(p);
  std::size_t peak = gPeak.load();
  while (now > peak && !gPeak.compare_exchange_weak(peak, now)) {
  }
  return p;
}

}  // namespace

// Counts every heap block the process takes and gives back.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t n) { return track(std::malloc(n)); }
void* operator new[](std::size_t n) { return track(std::malloc(n)); }
void operator delete(void* p) noexcept {
  if (p) gLive -= malloc_usable_size(p);
  std::free(p);
}
void operator delete[](void* p) noexcept { operator delete(p); }
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }
void operator delete[](void* p, std::size_t) noexcept { operator delete(p); }

namespace {

constexpr std::size_t kTarget = 31u << 20;

std::string tinyLists() {
  std::string s = R"({"title": "t.vxlprt", "vendorData": [)";
  while (s.size() < kTarget) s += "[],";
  s += "[]]}";
  return s;
}

// Lists `inner` of empty records, 50,000 a list, in records of list `outer`.
std::string denseRecords(const std::string& outer, const std::string& inner) {
  std::string s = "{\"" + outer + "\": [";
  while (s.size() < kTarget) {
    s += "{\"" + inner + "\": [";
    for (int i = 0; i < 50000 && s.size() < kTarget; ++i) s += "{},";
    s += "{}]},";
  }
  s += "{}]}";
  return s;
}

std::string denseFeatures() { return denseRecords("configurations", "features"); }
std::string denseViews() { return denseRecords("sheets", "views"); }

std::string denseSheets() {
  std::string s = R"({"sheets": [)";
  for (int i = 0; i < 99999 && s.size() < kTarget; ++i) s += "{},";
  s += "{}]}";
  return s;
}

std::string realistic() {
  std::string s = R"({"configurations": [{"name": "Default", "features": [)";
  for (int i = 0; s.size() < kTarget; ++i) {
    if (i % 90000 == 89999) s += R"({"name": "last"}]}, {"name": "C)" + std::to_string(i) + R"(", "features": [)";
    s += R"({"name": "Extrude)" + std::to_string(i) + R"(", "type": "Extrusion", "vendor": {"id": )" +
         std::to_string(i) + R"(, "tags": ["a", "b"]}},)" + "\n";
  }
  s += R"({"name": "last"}]}]})";
  return s;
}

void loadFile(benchmark::State& state, std::string (*make)()) {
  std::string path = "/tmp/ravelcrest-bench-model-" + std::to_string(::getpid()) + ".vxlprt";
  std::string text = make();
  rc::platform::writeFile(path, text);
  std::size_t size = text.size();
  text = std::string();
  std::size_t peakGrowth = 0;
  std::string outcome = "loaded";
  for (auto _ : state) {
    std::size_t base = gLive.load();
    gPeak.store(base);
    try {
      auto model = rc::sim::host::modelfile::load(path, rc::sim::host::DocType::Part);
      benchmark::DoNotOptimize(model);
    } catch (const rc::sim::host::ModelFileError& e) {
      outcome = e.what();
    }
    peakGrowth = std::max(peakGrowth, gPeak.load() - base);
  }
  rc::platform::deleteFile(path);
  rusage ru{};
  ::getrusage(RUSAGE_SELF, &ru);
  state.counters["file_MB"] = static_cast<double>(size) / 1e6;
  state.counters["peak_heap_MB"] = static_cast<double>(peakGrowth) / 1e6;
  state.counters["peak/file"] = static_cast<double>(peakGrowth) / static_cast<double>(size);
  state.counters["maxrss_MB"] = static_cast<double>(ru.ru_maxrss) / 1e3;
  state.SetLabel(outcome.substr(0, 80));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

void BM_LoadTinyLists(benchmark::State& state) { loadFile(state, tinyLists); }
void BM_LoadDenseFeatures(benchmark::State& state) { loadFile(state, denseFeatures); }
void BM_LoadDenseViews(benchmark::State& state) { loadFile(state, denseViews); }
void BM_LoadDenseSheets(benchmark::State& state) { loadFile(state, denseSheets); }
void BM_LoadRealistic(benchmark::State& state) { loadFile(state, realistic); }

}  // namespace

BENCHMARK(BM_LoadTinyLists)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_LoadDenseFeatures)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_LoadDenseViews)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_LoadDenseSheets)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_LoadRealistic)->Unit(benchmark::kMillisecond)->Iterations(1);
