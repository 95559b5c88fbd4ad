// The image check end to end and the converters behind it, at 1920x1080:
// a whole TestBitmapCompare against a CBF baseline (capture, unpack,
// compare, write the difference file), and the GIF encoding of a capture
// (the whole XGIF1 conversion from a BMP file, and the encoder alone, for a
// drawing of few colours and for a shaded picture that must be quantised);
// a whole TestBitmapCompare against a GIF baseline, creating it ("first")
// and comparing an unchanged view with it ("unchanged"); and a new GIF
// baseline written through the full-size work file (CreateGIF, as a first
// run did) or from memory (CreateGIFInMemory, as it does now).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <random>

#include "BenchScratch.h"
#include "Core/frame/Register.h"
#include "Core/imaging/clsBitmap.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/Registry.h"
#include "platform/display/Bmp.h"
#include "platform/display/Gdi.h"
#include "platform/display/Windows.h"
#include "platform/os/Files.h"
#include "sim/Register.h"
#include "sim/converters/GifCodec.h"

namespace {

namespace au = rc::automation;
namespace dp = rc::display;

constexpr int kWidth = 1920, kHeight = 1080;

// A CAD-like view: white, a grid of dark strokes, some coloured parts;
// `edited` moves one part.
dp::Surface drawing(bool edited) {
  dp::Surface s(kWidth, kHeight, dp::rgb(255, 255, 255));
  for (int y = 0; y < kHeight; y += 40) s.fillRect(0, y, kWidth, 1, dp::rgb(200, 200, 200));
  for (int x = 0; x < kWidth; x += 40) s.fillRect(x, 0, 1, kHeight, dp::rgb(200, 200, 200));
  for (int i = 0; i < 30; ++i)
    s.fillRect(60 * i + 7, 30 * i + 11, 90, 50, dp::rgb(static_cast<std::uint8_t>(i * 8), 90, 200));
  if (edited) s.fillRect(900, 500, 120, 80, dp::rgb(230, 40, 40));
  return s;
}

// A shaded picture with thousands of colours.
dp::Surface shaded() {
  dp::Surface s(kWidth, kHeight);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      s.setPixel(x, y, dp::rgb(static_cast<std::uint8_t>(x * 255 / kWidth), static_cast<std::uint8_t>(y * 255 / kHeight),
                               static_cast<std::uint8_t>((x + y) % 256)));
  return s;
}

struct CheckFixture {
  rc::bench::ScratchDir dir;
  au::ObjectRef host, app;
  dp::Handle frame = 0;

  CheckFixture() {
    ::setenv("RAVELCREST_DRIVE_ROOT", (dir / "root").c_str(), 1);
    rc::core::registerClasses();
    rc::sim::registerApplications();
    host = au::createObject("Vexlar.Application");
    app = au::createObject("RavelcrestCore.clsApplication");
    // A frame of its own whose last child shows the drawing at full size.
    frame = dp::createWindow(0, dp::Rect{0, 0, kWidth, kHeight});
    dp::createWindow(frame, dp::Rect{0, 0, kWidth, kHeight}, [](dp::Surface& s) { s = drawing(true); });
    const dp::Handle baseline = dp::createBitmap(drawing(false));
    au::ObjectRef bitmap = au::createObject("VxlClasses.clsBitmap");
    au::call(bitmap, "SetBitmap", {au::Variant(static_cast<std::int32_t>(baseline))});
    au::call(bitmap, "CreateCBF", {au::Variant(dir / "base.bmp"), au::Variant(dir / "base.cbf")});
  }
};

void BM_TestBitmapCompareCbf(benchmark::State& state) {
  CheckFixture& f = rc::bench::fixture<CheckFixture>();
  std::int16_t result = -1;
  for (auto _ : state) {
    dp::invalidate(dp::getWindow(f.frame, dp::Relation::Child));  // a fresh paint for every capture
    std::vector<au::Variant> args{au::Variant(static_cast<std::int32_t>(f.frame)), au::Variant(f.dir / "base.cbf"),
                                  au::Variant(f.dir / "diff.cbf"), au::Variant(std::int16_t{0}),
                                  au::Variant(std::int16_t{1})};
    result = au::call(f.app, "TestBitmapCompare", args).asInteger();
    au::call(f.host, "SimClearJournal");
  }
  if (result != 0 || !rc::platform::fileExists(f.dir / "diff.cbf")) state.SkipWithError("the check did not run");
}
BENCHMARK(BM_TestBitmapCompareCbf)->Unit(benchmark::kMillisecond);

void BM_TestBitmapCompareGif(benchmark::State& state) {
  CheckFixture& f = rc::bench::fixture<CheckFixture>();
  const bool first = state.range(0) == 0;
  auto check = [&] {
    dp::invalidate(dp::getWindow(f.frame, dp::Relation::Child));  // a fresh paint for every capture
    std::vector<au::Variant> args{au::Variant(static_cast<std::int32_t>(f.frame)), au::Variant(f.dir / "view.gif"),
                                  au::Variant(f.dir / "view-diff.gif"), au::Variant(std::int16_t{0}),
                                  au::Variant(std::int16_t{1})};
    const std::int16_t result = au::call(f.app, "TestBitmapCompare", args).asInteger();
    au::call(f.host, "SimClearJournal");
    return result;
  };
  std::int16_t result = -1;
  std::remove((f.dir / "view.gif").c_str());
  if (!first) check();  // the baseline the unchanged view is compared with
  for (auto _ : state) {
    if (first) {
      state.PauseTiming();
      std::remove((f.dir / "view.gif").c_str());
      state.ResumeTiming();
    }
    result = check();
  }
  if (result != 0 || rc::platform::fileExists(f.dir / "view-diff.gif")) state.SkipWithError("the check did not agree");
  state.SetLabel(first ? "first: the baseline created" : "unchanged: compared with it");
}
BENCHMARK(BM_TestBitmapCompareGif)->ArgName("unchanged")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_CreateGifBaseline(benchmark::State& state) {
  CheckFixture& f = rc::bench::fixture<CheckFixture>();
  au::ObjectRef bitmap = au::createObject("VxlClasses.clsBitmap");
  au::call(bitmap, "SetBitmap", {au::Variant(static_cast<std::int32_t>(dp::createBitmap(drawing(false))))});
  const auto& direct = dynamic_cast<const rc::core::clsBitmap&>(*bitmap);
  const bool inMemory = state.range(0) != 0;
  for (auto _ : state) {
    if (inMemory) {
      if (!direct.CreateGIFInMemory(f.dir / "work.bmp", f.dir / "new.gif")) state.SkipWithError("not in memory");
    } else {
      au::call(bitmap, "CreateGIF", {au::Variant(f.dir / "work.bmp"), au::Variant(f.dir / "new.gif")});
    }
    std::remove((f.dir / "work.bmp").c_str());
  }
  state.SetLabel(inMemory ? "from memory" : "through the work file");
}
BENCHMARK(BM_CreateGifBaseline)->ArgName("memory")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_GifConvertCapture(benchmark::State& state) {
  CheckFixture& f = rc::bench::fixture<CheckFixture>();
  rc::platform::writeFile(f.dir / "capture.bmp", dp::encodeBmp24(state.range(0) ? shaded() : drawing(true)));
  au::ObjectRef gif = au::createObject("XGIF1");
  au::letProperty(gif, "InputFile", au::Variant(f.dir / "capture.bmp"));
  au::letProperty(gif, "OutputFile", au::Variant(f.dir / "capture.gif"));
  for (auto _ : state) au::call(gif, "Convert");
  state.SetLabel(state.range(0) ? "shaded, quantised" : "drawing, exact palette");
}
BENCHMARK(BM_GifConvertCapture)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_GifEncode(benchmark::State& state) {
  const dp::Surface picture = state.range(0) ? shaded() : drawing(true);
  std::size_t bytes = 0;
  for (auto _ : state) {
    bytes = rc::sim::converters::encodeGif(picture).size();
    benchmark::DoNotOptimize(bytes);
  }
  state.counters["file bytes"] = static_cast<double>(bytes);
  state.SetLabel(state.range(0) ? "shaded, quantised" : "drawing, exact palette");
}
BENCHMARK(BM_GifEncode)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
