// `ravelcrest imgdiff` on a 1920 x 1080 PNG pair that differs in a few
// small regions, run as the built tool, exact and with --threshold 0.1
// --antialiasing ignore; the same comparisons over two pictures already in
// memory (the floor: the library's exact comparison, and the tolerant one,
// whose target is within 2x the exact one); and the HTML report of 500
// documents of which 20 differ (target: under 5 MB, under 1 s).
//
// Other tools on the same pair, when named (installed for the benchmark
// only, never with the project): RAVELCREST_ODIFF the odiff binary,
// RAVELCREST_PIXELMATCH a node script taking BASELINE NEW DIFF THRESHOLD.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "BenchScratch.h"
#include "Core/imaging/PixelCompare.h"
#include "platform/display/Surface.h"
#include "platform/os/Files.h"
#include "sim/converters/CbfFormat.h"
#include "sim/converters/PngCodec.h"
#include "platform/display/Bmp.h"
#include "tools/images/ImageDiff.h"
#include "tools/reports/HtmlReport.h"
#include "tools/results/RunResults.h"

namespace {

#ifndef RAVELCREST_TOOL
#define RAVELCREST_TOOL "ravelcrest"
#endif

using rc::display::Surface;

// A drawing-like picture: white paper, outlines and filled parts, with
// grey pixels along the slanted edges as a renderer's anti-aliasing leaves.
Surface drawing(int width, int height, int shift) {
  Surface s(width, height, 0xFFFFFF);
  for (int i = 0; i < 40; ++i) {
    const int x = 40 + (i * 211) % (width - 300), y = 30 + (i * 137) % (height - 200);
    s.frameRect(x, y, x + 180, y + 120, 0x202020);
    s.fillRect(x + 20, y + 20, 60, 40, rc::display::rgb(40 + i * 5, 90, 160));
  }
  for (int x = 0; x < width - 1; ++x) {  // a slanted line with grey neighbours
    const int y = height / 3 + x / 4;
    if (y + 1 >= height) break;
    s.setPixel(x, y, 0x000000);
    s.setPixel(x, y + 1, (x % 4) < 2 ? 0x808080 : 0xC0C0C0);
  }
  // The changes: a moved line, a recoloured part, a few pixels.
  s.fillRect(900 + shift, 500, 1, 60, 0x000000);
  if (shift) {
    s.fillRect(1500, 900, 24, 16, 0xCC2222);
    s.setPixel(10, 10, 0x000000);
  }
  return s;
}

struct Pair {
  rc::bench::ScratchDir dir;
  Surface base = drawing(1920, 1080, 0);
  Surface fresh = drawing(1920, 1080, 1);
  std::string basePng = dir / "base.png", newPng = dir / "new.png", diffPng = dir / "diff.png";
  Pair() {
    rc::platform::writeFile(basePng, rc::sim::converters::encodePng(base));
    rc::platform::writeFile(newPng, rc::sim::converters::encodePng(fresh));
  }
};

// Processor time of the finished children, in seconds: the machine is
// shared, so the tools' processor time is steadier than wall time.
double childSeconds() {
  rusage u{};
  getrusage(RUSAGE_CHILDREN, &u);
  return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Runs `command` once per iteration; "child_cpu_ms" is its processor time
// per run. Exit codes up to `worst` are answers (1: the images differ;
// odiff answers 22), beyond it failures.
void runTool(benchmark::State& state, const std::string& command, int worst = 1) {
  const double before = childSeconds();
  for (auto _ : state)
    if (int rc = std::system((command + " >/dev/null 2>&1").c_str()); rc == -1 || WEXITSTATUS(rc) > worst)
      state.SkipWithError(("failed: " + command).c_str());
  state.counters["child_cpu_ms"] =
      benchmark::Counter((childSeconds() - before) * 1000 / static_cast<double>(state.iterations()));
}

void BM_ImgdiffPngExact(benchmark::State& state) {
  Pair& p = rc::bench::fixture<Pair>();
  runTool(state, std::string(RAVELCREST_TOOL) + " imgdiff " + p.basePng + " " + p.newPng + " " + p.diffPng);
}
BENCHMARK(BM_ImgdiffPngExact)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ImgdiffPngTolerant(benchmark::State& state) {
  Pair& p = rc::bench::fixture<Pair>();
  runTool(state, std::string(RAVELCREST_TOOL) + " imgdiff " + p.basePng + " " + p.newPng + " " + p.diffPng +
                     " --threshold 0.1 --antialiasing ignore");
}
BENCHMARK(BM_ImgdiffPngTolerant)->Unit(benchmark::kMillisecond)->UseRealTime();

// The pairs of run-peers' image rows as files: BMP and PNG at 1920 x 1080
// and 3840 x 2160.
struct SizedPairs {
  rc::bench::ScratchDir dir;
  std::string file(int size, const char* name, const char* ext) const {
    return dir / (std::string(name) + std::to_string(size) + "." + ext);
  }
  SizedPairs() {
    for (int size : {0, 1}) {
      const int w = size ? 3840 : 1920, h = size ? 2160 : 1080;
      for (int shift : {0, 1}) {
        const Surface s = drawing(w, h, shift);
        const char* name = shift ? "new" : "base";
        rc::platform::writeFile(file(size, name, "bmp"), rc::display::encodeBmp24(s));
        rc::platform::writeFile(file(size, name, "png"), rc::sim::converters::encodePng(s));
      }
    }
  }
};

// Args: 0 for 1920 x 1080, 1 for 3840 x 2160; 0 for BMP inputs, 1 for PNG.
// The difference image is a PNG file, as in run-peers. With
// RAVELCREST_ODIFF set, odiff runs on the same pair in the next benchmark.
void BM_ImgdiffSized(benchmark::State& state) {
  SizedPairs& p = rc::bench::fixture<SizedPairs>();
  const int size = static_cast<int>(state.range(0));
  const char* ext = state.range(1) ? "png" : "bmp";
  runTool(state, std::string(RAVELCREST_TOOL) + " imgdiff " + p.file(size, "base", ext) + " " +
                     p.file(size, "new", ext) + " " + (p.dir / "diff.png"));
}
BENCHMARK(BM_ImgdiffSized)->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OdiffSized(benchmark::State& state) {
  const char* odiff = std::getenv("RAVELCREST_ODIFF");
  if (!odiff) return state.SkipWithError("RAVELCREST_ODIFF does not name odiff");
  SizedPairs& p = rc::bench::fixture<SizedPairs>();
  const int size = static_cast<int>(state.range(0));
  const char* ext = state.range(1) ? "png" : "bmp";
  runTool(state, std::string(odiff) + " " + p.file(size, "base", ext) + " " + p.file(size, "new", ext) + " " +
                     (p.dir / "diff-odiff.png") + " --threshold=0", 22);
}
BENCHMARK(BM_OdiffSized)->ArgsProduct({{0, 1}, {0, 1}})->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OdiffPng(benchmark::State& state) {
  const char* odiff = std::getenv("RAVELCREST_ODIFF");
  if (!odiff) return state.SkipWithError("RAVELCREST_ODIFF does not name odiff");
  Pair& p = rc::bench::fixture<Pair>();
  const std::string args = state.range(0) ? " --threshold=0.1 --antialiasing" : " --threshold=0";
  runTool(state, std::string(odiff) + " " + p.basePng + " " + p.newPng + " " + p.diffPng + args, 22);
}
BENCHMARK(BM_OdiffPng)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PixelmatchPng(benchmark::State& state) {
  const char* script = std::getenv("RAVELCREST_PIXELMATCH");
  if (!script) return state.SkipWithError("RAVELCREST_PIXELMATCH does not name the script");
  Pair& p = rc::bench::fixture<Pair>();
  runTool(state, "node " + std::string(script) + " " + p.basePng + " " + p.newPng + " " + p.diffPng +
                     (state.range(0) ? " 0.1" : " 0"));
}
BENCHMARK(BM_PixelmatchPng)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// The library's exact comparison of two pictures in memory (as 32-bit DIBs).
void BM_InMemoryExactLibrary(benchmark::State& state) {
  Pair& p = rc::bench::fixture<Pair>();
  auto dib = [](const Surface& s) {
    return rc::core::DibPixels{std::span(reinterpret_cast<const std::uint8_t*>(s.pixels().data()), s.pixels().size() * 4),
                               s.width(), s.height()};
  };
  std::vector<std::uint8_t> out(p.base.pixels().size() * 4);
  for (auto _ : state) {
    auto counts = rc::core::paintDifference(dib(p.fresh), dib(p.base), out, p.base.width(), p.base.height());
    benchmark::DoNotOptimize(counts);
  }
}
BENCHMARK(BM_InMemoryExactLibrary)->Unit(benchmark::kMillisecond);

// The tool's comparison in memory: exact (0), and with --threshold 0.1
// --antialiasing ignore (1); the regions found, no difference image.
void BM_InMemoryToolComparison(benchmark::State& state) {
  Pair& p = rc::bench::fixture<Pair>();
  rc::tools::ImageDiffOptions options;
  if (state.range(0)) {
    options.threshold = 0.1;
    options.ignoreAntialiasing = true;
  }
  for (auto _ : state) benchmark::DoNotOptimize(rc::tools::compareImages(p.base, p.fresh, options));
}
BENCHMARK(BM_InMemoryToolComparison)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The report of 500 documents, 20 of which have a differing 1000 x 700
// view (baseline, new and difference as CBF, the difference for people as
// PNG). "bytes" is the page's size.
struct Suite {
  rc::bench::ScratchDir dir;
  rc::tools::RunResults results;
  Suite() {
    rc::platform::createFolder(dir / "images");
    for (int i = 0; i < 500; ++i) {
      rc::tools::DocumentResult d;
      d.index = static_cast<std::size_t>(i);
      d.label = "part" + std::to_string(i) + ".vxlprt";
      d.path = "/models/" + d.label;
      d.journal = "'===== " + d.label + "\r\n";
      for (const char* check : {"TestMassProps", "TestEdgeCount", "TestFeatureCount"})
        d.rows.push_back({d.label, check, rc::tools::Status::Ok, "1", "1", "", {}});
      rc::tools::CheckRow image{d.label, "TestBitmapCompare", rc::tools::Status::Ok, "", "", "", {}};
      if (i % 25 == 0) {
        const std::string stem = dir / ("images/" + std::to_string(i));
        const Surface base = drawing(1000, 700, 0), fresh = drawing(1000, 700, 1 + i % 3);
        Surface human;
        const auto r = rc::tools::compareImages(base, fresh, {}, &human);
        Surface diff(1000, 700, 0xFFFFFF);
        for (const auto& b : r.regions) diff.fillRect(b.x, b.y, b.width, b.height, 0xFF00FF);
        rc::platform::writeFile(stem + "-base.cbf", rc::sim::converters::packCbf(rc::display::encodeBmp24(base)));
        rc::platform::writeFile(stem + "-new.cbf", rc::sim::converters::packCbf(rc::display::encodeBmp24(fresh)));
        rc::platform::writeFile(stem + "-diff.cbf", rc::sim::converters::packCbf(rc::display::encodeBmp24(diff)));
        rc::platform::writeFile(stem + "-human.png", rc::sim::converters::encodePng(human));
        image.status = rc::tools::Status::Warning;
        image.detail = "Unmatched Pix: " + std::to_string(r.exact.unmatched);
        image.images.baseline = stem + "-base.cbf";
        image.images.fresh = stem + "-new.cbf";
        image.images.difference = stem + "-diff.cbf";
        image.images.human = stem + "-human.png";
        image.images.regions = r.regions;
        image.images.width = 1000;
        image.images.height = 700;
      }
      d.rows.push_back(image);
      results.documents.push_back(std::move(d));
    }
    results.documentCount = results.documents.size();
  }
};

void BM_Report500With20Differing(benchmark::State& state) {
  Suite& s = rc::bench::fixture<Suite>();
  std::size_t bytes = 0;
  for (auto _ : state) {
    const std::string html = rc::tools::htmlReport(s.results, s.dir / "images");
    bytes = html.size();
    benchmark::DoNotOptimize(html.data());
  }
  state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_Report500With20Differing)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
