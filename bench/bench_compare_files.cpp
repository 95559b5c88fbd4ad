// CompareFiles and GetProperty on large files, each against the plain cost
// of reading the same bytes, measured in this process:
//   BM_MemcmpBaseline      read both files in 256 KiB blocks and memcmp them
//   BM_CmpProgram          the system's `cmp -s` on the same two files
//   BM_CompareIdentical    CompareFiles of two identical files
//   BM_CompareWithin       every line differs in one number, within the tolerance
//   BM_CompareWithinFractions  the same with that number a fraction below 1
//   BM_GetProperty/<pos>   a key at the start, middle and end of a 64 MiB file
// Sizes come from RAVELCREST_BENCH_MB (default 256). Bytes per second count
// one file's size, as `cmp` throughput is usually quoted.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "BenchScratch.h"
#include "Core/properties/Comparison.h"
#include "Core/properties/PropertyFile.h"
#include "platform/os/Files.h"

namespace {

std::size_t benchBytes() {
  const char* mb = std::getenv("RAVELCREST_BENCH_MB");
  long n = mb ? std::atol(mb) : 256;
  return static_cast<std::size_t>(n > 0 ? n : 256) << 20;
}

// A data file of `lines` lines that carry a name and numbers; `shift`
// changes one number of every line by that fraction. `fractions` makes
// that number a fraction below 1 ("0.123456"), whose leading digit says
// nothing of its size.
std::string dataText(long lines, double shift, bool fractions = false) {
  std::string text;
  text.reserve(static_cast<std::size_t>(lines) * 48);
  for (long i = 0; i < lines; ++i) {
    text += "Default ";
    text += std::to_string(i % 1000);
    text += " 0.25 1.5e-3 ";
    const double x = fractions ? static_cast<double>(i % 999983 + 1) * 1e-6 : static_cast<double>(i);
    text += std::to_string(x * (1 + shift));
    text += "\r\n";
  }
  return text;
}

std::string propertiesText(std::size_t bytes) {
  std::string text;
  text.reserve(bytes + 128);
  for (long i = 0; text.size() < bytes; ++i)
    text += "Key" + std::to_string(i) + " = " + std::to_string(i % 997) + "      Build: 15.2.0, Date: 12/07/2026\r\n";
  return text;
}

struct Files {
  rc::bench::ScratchDir dir;
  std::string base = dir / "base.dat", same = dir / "same.dat", within = dir / "within.dat";
  std::string fractionBase = dir / "fraction-base.dat", fractionWithin = dir / "fraction-within.dat";
  std::string props = dir / "big.properties";
  std::int64_t dataBytes = 0, fractionBytes = 0, propBytes = 0;
  long lastKey = 0;

  Files() {
    const long lines = static_cast<long>(benchBytes() / 40);  // lines are about 40 bytes
    std::string data = dataText(lines, 0);
    rc::platform::writeFile(base, data);
    rc::platform::writeFile(same, data);
    rc::platform::writeFile(within, dataText(lines, 0.001));
    std::string fractionData = dataText(lines, 0, true);
    rc::platform::writeFile(fractionBase, fractionData);
    fractionBytes = static_cast<std::int64_t>(fractionData.size());
    rc::platform::writeFile(fractionWithin, dataText(lines, 0.001, true));
    dataBytes = static_cast<std::int64_t>(data.size());
    std::string p = propertiesText(64u << 20);
    rc::platform::writeFile(props, p);
    propBytes = static_cast<std::int64_t>(p.size());
    lastKey = std::atol(p.c_str() + p.rfind("\r\nKey", p.size() - 3) + 5);
  }
};

Files& files() { return rc::bench::fixture<Files>(); }

void BM_MemcmpBaseline(benchmark::State& state) {
  Files& f = files();
  constexpr std::size_t kChunk = 256 << 10;
  auto a = std::make_unique<char[]>(kChunk), b = std::make_unique<char[]>(kChunk);
  for (auto _ : state) {
    int fa = ::open(f.base.c_str(), O_RDONLY), fb = ::open(f.same.c_str(), O_RDONLY);
    bool equal = true;
    for (;;) {
      ssize_t na = ::read(fa, a.get(), kChunk), nb = ::read(fb, b.get(), kChunk);
      if (na <= 0 || na != nb) break;
      equal = equal && std::memcmp(a.get(), b.get(), static_cast<std::size_t>(na)) == 0;
    }
    ::close(fa);
    ::close(fb);
    benchmark::DoNotOptimize(equal);
  }
  state.SetBytesProcessed(state.iterations() * f.dataBytes);
}

void BM_CmpProgram(benchmark::State& state) {
  Files& f = files();
  std::string command = "cmp -s '" + f.base + "' '" + f.same + "'";
  for (auto _ : state) {
    if (std::system(command.c_str()) != 0) state.SkipWithError("cmp failed");
  }
  state.SetBytesProcessed(state.iterations() * f.dataBytes);
}

void compare(benchmark::State& state, const std::string& base, const std::string& other, std::int64_t bytes) {
  for (auto _ : state) {
    std::string msg;
    if (!rc::core::CompareFiles(base, other, rc::automation::Variant("5"), msg)) state.SkipWithError(msg.c_str());
  }
  state.SetBytesProcessed(state.iterations() * bytes);
}

void BM_CompareIdentical(benchmark::State& state) { compare(state, files().base, files().same, files().dataBytes); }
void BM_CompareWithin(benchmark::State& state) { compare(state, files().base, files().within, files().dataBytes); }
void BM_CompareWithinFractions(benchmark::State& state) {
  compare(state, files().fractionBase, files().fractionWithin, files().fractionBytes);
}

// Key at the start (0), the middle (1) or the end (2) of the file.
void BM_GetProperty(benchmark::State& state) {
  Files& f = files();
  long index = state.range(0) == 0 ? 0 : state.range(0) == 1 ? f.lastKey / 2 : f.lastKey;
  std::string key = "Key" + std::to_string(index) + " ";
  for (auto _ : state) {
    std::string v = rc::core::GetProperty(key, f.props, false);
    if (v == "-1") state.SkipWithError("key not found");
    benchmark::DoNotOptimize(v);
  }
  state.counters["file_MB"] = static_cast<double>(f.propBytes) / (1 << 20);
}

BENCHMARK(BM_MemcmpBaseline)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CmpProgram)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CompareIdentical)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CompareWithin)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CompareWithinFractions)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_GetProperty)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace
