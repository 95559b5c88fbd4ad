// Picture files read and written at 1920 x 1080 and 3840 x 2160 (a drawing:
// white paper, strokes, a few colours), each beside its floor in the same
// process, a plain copy of as many bytes:
//   BM_CopyFloor/<w>/<h>       memcpy of the decoded picture's bytes
//   BM_ReadFile/<w>/<h>        the BMP file read with one read
//   BM_DecodeBmp, BM_DecodePng, BM_DecodeGif   file bytes to a picture
//   BM_EncodeBmp, BM_EncodePng, BM_EncodeGif   a picture to file bytes
//   BM_GifToBmp/<w>/<h>        LoadPicture of a GIF file and SavePicture as BMP,
//                              the converter path, files included
#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "BenchScratch.h"
#include "platform/display/Bmp.h"
#include "platform/display/Surface.h"
#include "platform/os/FileBytes.h"
#include "platform/os/Files.h"
#include "sim/converters/GifCodec.h"
#include "sim/converters/PictureFunctions.h"
#include "sim/converters/PngCodec.h"

namespace {

namespace dp = rc::display;
namespace cv = rc::sim::converters;

dp::Surface drawing(int width, int height) {
  dp::Surface s(width, height, 0xFFFFFF);
  for (int y = 0; y < height; y += 61) s.fillRect(0, y, width, 1, 0x202020);
  for (int x = 0; x < width; x += 97) s.fillRect(x, 0, 1, height, 0x202020);
  for (int i = 0; i < 40; ++i) s.fillRect(40 + i * 37 % (width - 100), 30 + i * 53 % (height - 100), 60, 40, dp::rgb(40 + i * 5, 90, 160));
  return s;
}

struct Files {
  rc::bench::ScratchDir dir;
  dp::Surface picture;
  std::string bmp, png, gif, bmpPath, gifPath;
  Files(int width, int height) : picture(drawing(width, height)) {
    bmp = dp::encodeBmp24(picture);
    png = cv::encodePng(picture);
    gif = cv::encodeGif(picture);
    bmpPath = dir / "view.bmp";
    gifPath = dir / "view.gif";
    rc::platform::writeFile(bmpPath, bmp);
    rc::platform::writeFile(gifPath, gif);
  }
};

Files& files(const benchmark::State& state) {
  static std::map<std::pair<long, long>, std::unique_ptr<Files>> all;
  auto& f = all[{state.range(0), state.range(1)}];
  if (!f) f = std::make_unique<Files>(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
  return *f;
}

std::span<const std::uint8_t> bytes(const std::string& s) {
  return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

void pixelsProcessed(benchmark::State& state) {
  state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(1));
}

void BM_CopyFloor(benchmark::State& state) {
  Files& f = files(state);
  const std::size_t n = f.picture.pixels().size() * 4;
  std::vector<std::uint8_t> to(n);
  for (auto _ : state) {
    std::memcpy(to.data(), f.picture.pixels().data(), n);
    benchmark::ClobberMemory();
  }
  pixelsProcessed(state);
}

void BM_ReadFile(benchmark::State& state) {
  Files& f = files(state);
  for (auto _ : state) benchmark::DoNotOptimize(rc::platform::readFileBytes(f.bmpPath, dp::kMaxBmpFileBytes));
  pixelsProcessed(state);
}

void BM_DecodeBmp(benchmark::State& state) {
  Files& f = files(state);
  for (auto _ : state) benchmark::DoNotOptimize(dp::decodeBmp(bytes(f.bmp)));
  pixelsProcessed(state);
}

void BM_DecodePng(benchmark::State& state) {
  Files& f = files(state);
  for (auto _ : state) benchmark::DoNotOptimize(cv::decodePng(bytes(f.png)));
  pixelsProcessed(state);
}

void BM_DecodeGif(benchmark::State& state) {
  Files& f = files(state);
  for (auto _ : state) benchmark::DoNotOptimize(cv::decodeGif(bytes(f.gif)));
  pixelsProcessed(state);
}

void BM_EncodeBmp(benchmark::State& state) {
  Files& f = files(state);
  for (auto _ : state) benchmark::DoNotOptimize(dp::encodeBmp24(f.picture));
  pixelsProcessed(state);
}

void BM_EncodePng(benchmark::State& state) {
  Files& f = files(state);
  for (auto _ : state) benchmark::DoNotOptimize(cv::encodePng(f.picture));
  pixelsProcessed(state);
}

void BM_EncodeGif(benchmark::State& state) {
  Files& f = files(state);
  for (auto _ : state) benchmark::DoNotOptimize(cv::encodeGif(f.picture));
  pixelsProcessed(state);
}

void BM_GifToBmp(benchmark::State& state) {
  Files& f = files(state);
  const std::string out = f.dir / "out.bmp";
  for (auto _ : state) cv::PictureFunctions::SavePicture(cv::PictureFunctions::LoadPicture(f.gifPath), out);
  pixelsProcessed(state);
}

#define PICTURE_SIZES ->Args({1920, 1080})->Args({3840, 2160})->Unit(benchmark::kMillisecond)
BENCHMARK(BM_CopyFloor) PICTURE_SIZES;
BENCHMARK(BM_ReadFile) PICTURE_SIZES;
BENCHMARK(BM_DecodeBmp) PICTURE_SIZES;
BENCHMARK(BM_DecodePng) PICTURE_SIZES;
BENCHMARK(BM_DecodeGif) PICTURE_SIZES;
BENCHMARK(BM_EncodeBmp) PICTURE_SIZES;
BENCHMARK(BM_EncodePng) PICTURE_SIZES;
BENCHMARK(BM_EncodeGif) PICTURE_SIZES;
BENCHMARK(BM_GifToBmp) PICTURE_SIZES;

}  // namespace
