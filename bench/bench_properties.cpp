// Throughput of the baseline reader in sum mode and of the result-file
// comparison, over 1,000,000-line files. Reports bytes per second; the line
// scan (a memchr pass over the same file) runs as the baseline.
#include <benchmark/benchmark.h>

#include <string>

#include "BenchScratch.h"
#include "Core/properties/Comparison.h"
#include "Core/properties/PropertyFile.h"
#include "platform/os/Files.h"

namespace {

struct Files {
  rc::bench::ScratchDir dir;
  std::string perfLog = dir / "Performance.log", data1 = dir / "base.dat", data2 = dir / "new.dat";
  std::int64_t perfBytes = 0, dataBytes = 0;

  Files() {
    std::string perf, data;
    perf.reserve(80u << 20);
    for (int i = 0; i < 1000000; ++i) {
      perf += (i % 2 ? "Exp_Open = " : "Exp_Rebuild = ") + std::to_string(i % 997) + "." + std::to_string(i % 10) +
              "      Build: 15.2.0, Date: 12/07/2026\r\n";
      data += "Default " + std::to_string(i % 1000) + " 0.25 1.5e-3 " + std::to_string(i) + "\r\n";
    }
    rc::platform::writeFile(perfLog, perf);
    rc::platform::writeFile(data1, data);
    rc::platform::writeFile(data2, data);
    perfBytes = static_cast<std::int64_t>(perf.size());
    dataBytes = static_cast<std::int64_t>(data.size());
  }
};

Files& files() { return rc::bench::fixture<Files>(); }

void BM_LineScanBaseline(benchmark::State& state) {
  Files& f = files();
  for (auto _ : state) {
    rc::platform::LineReader r(f.perfLog);
    std::size_t n = 0;
    while (!r.atEnd()) n += r.next().size();
    benchmark::DoNotOptimize(n);
  }
  state.SetBytesProcessed(state.iterations() * f.perfBytes);
}

void BM_GetPropertySum(benchmark::State& state) {
  Files& f = files();
  for (auto _ : state) benchmark::DoNotOptimize(rc::core::GetProperty("Exp_Open", f.perfLog, true));
  state.SetBytesProcessed(state.iterations() * f.perfBytes);
}

void BM_CompareFilesAgreeing(benchmark::State& state) {
  Files& f = files();
  for (auto _ : state) {
    std::string msg;
    bool same = rc::core::CompareFiles(f.data1, f.data2, rc::automation::Variant("5"), msg);
    if (!same) state.SkipWithError("files differ");
  }
  state.SetBytesProcessed(state.iterations() * f.dataBytes * 2);
}

BENCHMARK(BM_LineScanBaseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetPropertySum)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompareFilesAgreeing)->Unit(benchmark::kMillisecond);

}  // namespace
