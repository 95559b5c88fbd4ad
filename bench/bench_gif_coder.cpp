// The GIF coder against giflib's own line coder in the same process, on a
// 1024x768 view of large flat areas (what an image check's baseline holds)
// and on a 1024x768 picture of small random strokes: reading a file
// (decodeGif / DGifGetLine into the same picture) and writing the LZW data
// of a picture's colour indices (encodeLzw / EGifPutLine).
#include <benchmark/benchmark.h>

#include <gif_lib.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "platform/display/Surface.h"
#include "sim/converters/GifCodec.h"
#include "sim/converters/LzwEncoder.h"
#include "sim/converters/Palette.h"

namespace {

namespace dp = rc::display;
namespace cv = rc::sim::converters;

constexpr int kWidth = 1024, kHeight = 768;

// 0: a view (a background, a few large parts); 1: strokes of 1 to 6 pixels in 40 colours.
dp::Surface picture(int kind) {
  dp::Surface s(kWidth, kHeight, dp::rgb(240, 240, 245));
  if (kind == 0) {
    s.fillRect(200, 150, 600, 400, dp::rgb(90, 110, 160));
    s.fillRect(260, 210, 480, 120, dp::rgb(200, 200, 210));
    s.frameRect(200, 150, 799, 549, dp::rgb(0, 0, 0));
    return s;
  }
  std::mt19937 random(1);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth;) {
      const auto c = static_cast<std::uint8_t>(random() % 40 * 6);
      const int run = 1 + static_cast<int>(random() % 6);
      s.fillRect(x, y, run, 1, dp::rgb(c, static_cast<std::uint8_t>(255 - c), 128));
      x += run;
    }
  return s;
}

const char* labelOf(int kind) { return kind == 0 ? "view of flat areas" : "small strokes"; }

struct Input {
  const std::string* file;
  std::size_t at = 0;
};

int readInput(GifFileType* gif, GifByteType* to, int length) {
  auto* in = static_cast<Input*>(gif->UserData);
  const std::size_t n = std::min(static_cast<std::size_t>(length), in->file->size() - in->at);
  std::memcpy(to, in->file->data() + in->at, n);
  in->at += n;
  return static_cast<int>(n);
}

// giflib's line reader, mapping each line through the colour table as the
// reader did before it decoded the data itself.
dp::Surface giflibDecode(const std::string& file) {
  Input in{&file};
  int error = 0;
  GifFileType* gif = DGifOpen(&in, readInput, &error);
  GifRecordType type = UNDEFINED_RECORD_TYPE;
  DGifGetRecordType(gif, &type);
  DGifGetImageDesc(gif);
  const ColorMapObject* map = gif->SColorMap;
  std::uint32_t colours[256] = {};
  for (int i = 0; i < map->ColorCount; ++i) colours[i] = dp::rgb(map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue);
  dp::Surface out(gif->SWidth, gif->SHeight, dp::rgb(255, 255, 255));
  std::vector<GifPixelType> line(static_cast<std::size_t>(gif->Image.Width));
  for (int y = 0; y < gif->Image.Height; ++y) {
    DGifGetLine(gif, line.data(), gif->Image.Width);
    std::uint32_t* row = out.row(y);
    for (int x = 0; x < gif->Image.Width; ++x) row[x] = colours[line[static_cast<std::size_t>(x)]];
  }
  DGifCloseFile(gif, &error);
  return out;
}

int appendOutput(GifFileType* gif, const GifByteType* bytes, int length) {
  static_cast<std::string*>(gif->UserData)->append(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
  return length;
}

// giflib's line writer over the same indices (8-bit table).
std::size_t giflibEncode(const cv::IndexedImage& indexed) {
  std::string out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, appendOutput, &error);
  ColorMapObject* map = GifMakeMapObject(256, nullptr);
  EGifPutScreenDesc(gif, indexed.width, indexed.height, 8, 0, map);
  EGifPutImageDesc(gif, 0, 0, indexed.width, indexed.height, false, nullptr);
  std::vector<GifPixelType> line(static_cast<std::size_t>(indexed.width));
  for (int y = 0; y < indexed.height; ++y) {
    std::memcpy(line.data(), indexed.indices.data() + static_cast<std::size_t>(y) * indexed.width, line.size());
    EGifPutLine(gif, line.data(), indexed.width);
  }
  EGifCloseFile(gif, &error);
  GifFreeMapObject(map);
  return out.size();
}

void BM_GifDecode(benchmark::State& state) {
  const int kind = static_cast<int>(state.range(0));
  const std::string file = cv::encodeGif(picture(kind));
  const auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(file.data()), file.size());
  for (auto _ : state) benchmark::DoNotOptimize(cv::decodeGif(bytes)->width());
  state.SetLabel(labelOf(kind));
}
BENCHMARK(BM_GifDecode)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_GifDecodeGiflibLines(benchmark::State& state) {
  const int kind = static_cast<int>(state.range(0));
  const std::string file = cv::encodeGif(picture(kind));
  for (auto _ : state) benchmark::DoNotOptimize(giflibDecode(file).width());
  state.SetLabel(labelOf(kind));
}
BENCHMARK(BM_GifDecodeGiflibLines)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_LzwEncode(benchmark::State& state) {
  const int kind = static_cast<int>(state.range(0));
  const cv::IndexedImage indexed = cv::indexColours(picture(kind));
  std::size_t bytes = 0;
  for (auto _ : state) {
    bytes = cv::encodeLzw(indexed.indices, 8).size();
    benchmark::DoNotOptimize(bytes);
  }
  state.counters["data bytes"] = static_cast<double>(bytes);
  state.SetLabel(labelOf(kind));
}
BENCHMARK(BM_LzwEncode)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_LzwEncodeGiflibLines(benchmark::State& state) {
  const int kind = static_cast<int>(state.range(0));
  const cv::IndexedImage indexed = cv::indexColours(picture(kind));
  std::size_t bytes = 0;
  for (auto _ : state) {
    bytes = giflibEncode(indexed);
    benchmark::DoNotOptimize(bytes);
  }
  state.counters["file bytes"] = static_cast<double>(bytes);
  state.SetLabel(labelOf(kind));
}
BENCHMARK(BM_LzwEncodeGiflibLines)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
