#include "sim/converters/GifCodec.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

#include "platform/display/Bmp.h"
#include "platform/display/PixelRuns.h"
#include "sim/converters/LzwDecoder.h"
#include "sim/converters/LzwEncoder.h"
#include "sim/converters/Palette.h"

namespace rc::sim::converters {

namespace {

using display::Surface;

// ---- writing

int appendOutput(GifFileType* gif, const GifByteType* bytes, int length) {
  static_cast<std::string*>(gif->UserData)->append(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
  return length;
}

struct EncoderClose {
  void operator()(GifFileType* gif) const { EGifCloseFile(gif, nullptr); }
};
struct MapFree {
  void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};

[[noreturn]] void encoderFailed(int error) {
  throw std::runtime_error(std::string("GIF encoder: ") + (GifErrorString(error) ? GifErrorString(error) : "failed"));
}

// ---- reading

struct Input {
  std::span<const std::uint8_t> data;
  std::size_t at = 0;
};

int readInput(GifFileType* gif, GifByteType* to, int length) {
  auto* in = static_cast<Input*>(gif->UserData);
  const std::size_t n = std::min(static_cast<std::size_t>(std::max(length, 0)), in->data.size() - in->at);
  std::memcpy(to, in->data.data() + in->at, n);
  in->at += n;
  return static_cast<int>(n);
}

struct DecoderClose {
  void operator()(GifFileType* gif) const { DGifCloseFile(gif, nullptr); }
};
using Decoder = std::unique_ptr<GifFileType, DecoderClose>;

// The reason a screen or image of w x h is refused, "" when it is not.
std::string sizeRefusal(const char* what, std::int64_t w, std::int64_t h) {
  if (w <= 0 || h <= 0) return std::string(what) + " is empty";
  if (!display::decodedSizeAllowed(w, h)) return display::tooLargeText(what, w, h);
  return "";
}

// The rows of an image in the order they are stored (interlaced images
// store every 8th row from 0, every 8th from 4, every 4th from 2, every
// 2nd from 1).
std::vector<int> storedRowOrder(int height, bool interlaced) {
  std::vector<int> rows;
  rows.reserve(static_cast<std::size_t>(height));
  if (!interlaced) {
    for (int y = 0; y < height; ++y) rows.push_back(y);
    return rows;
  }
  constexpr int kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass)
    for (int y = kStart[pass]; y < height; y += kStep[pass]) rows.push_back(y);
  return rows;
}

// The `pixels` colour indices of the current image, in the order it stores
// its rows; false when its data is damaged or ends early.
bool readIndices(GifFileType* gif, std::size_t pixels, std::vector<std::uint8_t>& indices) {
  int codeSize = 0;
  std::vector<std::uint8_t> data;
  GifByteType* block = nullptr;
  if (DGifGetCode(gif, &codeSize, &block) != GIF_OK) return false;
  while (block) {
    data.insert(data.end(), block + 1, block + 1 + block[0]);
    if (DGifGetCodeNext(gif, &block) != GIF_OK) return false;
  }
  // No buffer larger than the data could fill: a code has at least two
  // bits and stands for at most 4096 pixels.
  if (pixels / 4096 > data.size() * 4) return false;
  indices.resize(pixels);
  return decodeLzw(data, codeSize, indices);
}

// Sets row[left + x] to the colour of index line[x] for x in [from, end).
// Runs of eight or more equal indices, the flat areas of a drawing, are filled.
void mapRow(std::uint32_t* row, long long left, const std::uint8_t* line, int from, int end,
            const std::uint32_t (&colours)[256]) {
  auto eight = [line](int x) {
    std::uint64_t v;
    std::memcpy(&v, line + x, 8);
    return v;
  };
  for (int x = from; x < end;) {
    const std::uint8_t c = line[x];
    if (x + 8 <= end && eight(x) == c * 0x0101010101010101ull) {
      int run = 8;
      while (x + run + 8 <= end && eight(x + run) == c * 0x0101010101010101ull) run += 8;
      while (x + run < end && line[x + run] == c) ++run;
      display::fillPixels(row + (left + x), static_cast<std::size_t>(run), colours[c]);
      x += run;
      continue;
    }
    for (const int stop = std::min(x + 8, end); x < stop; ++x) row[left + x] = colours[line[x]];
  }
}

// The current image drawn at its place on the screen (filled with
// `background`). The screen is made only once the image's data is read,
// so data too short for its image is refused before anything that large.
std::optional<Surface> drawImage(GifFileType* gif, std::uint32_t background, std::string& why) {
  const GifImageDesc& d = gif->Image;
  if (why = sizeRefusal("the GIF image", d.Width, d.Height); !why.empty()) return std::nullopt;
  const ColorMapObject* map = d.ColorMap ? d.ColorMap : gif->SColorMap;
  if (!map || map->ColorCount <= 0) {
    why = "the GIF file has no colour table";
    return std::nullopt;
  }
  std::uint32_t colours[256] = {};
  for (int i = 0; i < std::min(map->ColorCount, 256); ++i)
    colours[i] = display::rgb(map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue);
  const std::size_t width = static_cast<std::size_t>(d.Width);
  std::vector<std::uint8_t> indices;
  if (!readIndices(gif, width * static_cast<std::size_t>(d.Height), indices)) {
    why = "the GIF image data is damaged or ends early";
    return std::nullopt;
  }
  // An image that covers the whole screen leaves no background to fill.
  const bool covers = d.Left == 0 && d.Top == 0 && d.Width >= gif->SWidth && d.Height >= gif->SHeight;
  Surface canvas = covers ? Surface::unfilled(gif->SWidth, gif->SHeight) : Surface(gif->SWidth, gif->SHeight, background);
  // The columns of the image that fall on the canvas, once for all rows.
  const long long left = d.Left;
  const int firstX = static_cast<int>(std::clamp(-left, 0LL, static_cast<long long>(d.Width)));
  const int endX = static_cast<int>(std::clamp(canvas.width() - left, static_cast<long long>(firstX), static_cast<long long>(d.Width)));
  const std::vector<int> rows = storedRowOrder(d.Height, d.Interlace);
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const long long ty = static_cast<long long>(d.Top) + rows[i];
    if (ty < 0 || ty >= canvas.height()) continue;
    mapRow(canvas.row(static_cast<int>(ty)), left, indices.data() + i * width, firstX, endX, colours);
  }
  return canvas;
}

bool skipExtension(GifFileType* gif) {
  int code = 0;
  GifByteType* block = nullptr;
  if (DGifGetExtension(gif, &code, &block) != GIF_OK) return false;
  while (block) {
    if (DGifGetExtensionNext(gif, &block) != GIF_OK) return false;
  }
  return true;
}

}  // namespace

std::string encodeGif(const Surface& image) {
  if (image.empty()) throw std::runtime_error("GIF encoder: the picture is empty");
  const IndexedImage indexed = indexColours(image);
  int bits = 1;
  while ((1u << bits) < indexed.colours.size()) ++bits;
  std::unique_ptr<ColorMapObject, MapFree> map(GifMakeMapObject(1 << bits, nullptr));
  if (!map) throw std::runtime_error("GIF encoder: no colour table");
  for (std::size_t i = 0; i < indexed.colours.size(); ++i) {
    map->Colors[i].Red = display::redOf(indexed.colours[i]);
    map->Colors[i].Green = display::greenOf(indexed.colours[i]);
    map->Colors[i].Blue = display::blueOf(indexed.colours[i]);
  }
  std::string out;
  out.reserve(image.pixels().size() / 8);
  int error = 0;
  std::unique_ptr<GifFileType, EncoderClose> gif(EGifOpen(&out, appendOutput, &error));
  if (!gif) encoderFailed(error);
  if (EGifPutScreenDesc(gif.get(), image.width(), image.height(), bits, 0, map.get()) != GIF_OK ||
      EGifPutImageDesc(gif.get(), 0, 0, image.width(), image.height(), false, nullptr) != GIF_OK)
    encoderFailed(gif->Error);
  // The image data in sub-blocks of at most 255 bytes, after the code size
  // giflib has written with the image header (the table's bits, at least 2).
  const int minCodeSize = std::max(bits, 2);
  const std::vector<std::uint8_t> data = encodeLzw(indexed.indices, minCodeSize);
  GifByteType block[256];
  for (std::size_t at = 0; at < data.size(); at += 255) {
    block[0] = static_cast<GifByteType>(std::min<std::size_t>(255, data.size() - at));
    std::memcpy(block + 1, data.data() + at, block[0]);
    const int put = at == 0 ? EGifPutCode(gif.get(), minCodeSize, block) : EGifPutCodeNext(gif.get(), block);
    if (put != GIF_OK) encoderFailed(gif->Error);
  }
  if (EGifPutCodeNext(gif.get(), nullptr) != GIF_OK) encoderFailed(gif->Error);
  GifFileType* raw = gif.release();
  if (EGifCloseFile(raw, &error) != GIF_OK) encoderFailed(error);
  return out;
}

bool looksLikeGif(std::span<const std::uint8_t> data) {
  return data.size() >= 6 && std::memcmp(data.data(), "GIF8", 4) == 0;
}

std::optional<Surface> decodeGif(std::span<const std::uint8_t> data, std::string* error) {
  std::string why;
  auto refuse = [&](std::string reason) -> std::optional<Surface> {
    if (error) *error = std::move(reason);
    return std::nullopt;
  };
  if (data.size() < 6 && data.size() >= 3 && std::memcmp(data.data(), "GIF", 3) == 0)
    return refuse("the GIF header is too short");
  if (!looksLikeGif(data)) return refuse("not a GIF file");
  Input in{data, 0};
  int openError = 0;
  Decoder gif(DGifOpen(&in, readInput, &openError));
  if (!gif) return refuse("the GIF header is damaged or ends early");
  // The whole screen is one picture, however small the images on it.
  if (why = sizeRefusal("the GIF screen", gif->SWidth, gif->SHeight); !why.empty()) return refuse(why);
  std::uint32_t background = display::rgb(255, 255, 255);
  if (const ColorMapObject* m = gif->SColorMap; m && gif->SBackGroundColor >= 0 && gif->SBackGroundColor < m->ColorCount) {
    const GifColorType& c = m->Colors[gif->SBackGroundColor];
    background = display::rgb(c.Red, c.Green, c.Blue);
  }
  for (;;) {
    GifRecordType record = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif.get(), &record) != GIF_OK) return refuse("the GIF file is damaged or ends early");
    if (record == TERMINATE_RECORD_TYPE) return refuse("the GIF file holds no image");
    if (record == EXTENSION_RECORD_TYPE) {
      if (!skipExtension(gif.get())) return refuse("a GIF extension is damaged or ends early");
      continue;
    }
    if (record != IMAGE_DESC_RECORD_TYPE) return refuse("the GIF file is damaged");
    if (DGifGetImageDesc(gif.get()) != GIF_OK) return refuse("a GIF image header is damaged or ends early");
    std::optional<Surface> picture = drawImage(gif.get(), background, why);
    if (!picture) return refuse(why);
    return picture;
  }
}

}  // namespace rc::sim::converters
