#include "sim/converters/Palette.h"

#include <gif_lib.h>

#include <cstring>
#include <stdexcept>
#include <unordered_map>

#include "platform/display/PixelRuns.h"

namespace rc::sim::converters {

namespace {

using display::Surface;

// The exact palette, or false when the picture has more than 256 colours.
// A run of one colour is measured and its indices set together.
bool exactPalette(const Surface& image, IndexedImage& out) {
  std::unordered_map<std::uint32_t, std::uint8_t> index;
  index.reserve(512);
  const auto& pixels = image.pixels();
  const std::size_t n = pixels.size();
  out.indices.resize(n);
  for (std::size_t i = 0; i < n;) {
    const std::uint32_t c = pixels[i] & 0x00FFFFFF;
    auto [it, added] = index.try_emplace(c, static_cast<std::uint8_t>(out.colours.size()));
    if (added) {
      if (out.colours.size() == 256) return false;
      out.colours.push_back(c);
    }
    const std::size_t run = display::sameColourRun(pixels.data() + i, n - i, c);
    std::memset(out.indices.data() + i, it->second, run);
    i += run;
  }
  return true;
}

// The median-cut palette of giflib's quantiser (deterministic, no dithering).
void quantised(const Surface& image, IndexedImage& out) {
  const std::size_t n = image.pixels().size();
  std::vector<GifByteType> r(n), g(n), b(n);
  for (std::size_t i = 0; i < n; ++i) {
    const std::uint32_t c = image.pixels()[i];
    r[i] = display::redOf(c);
    g[i] = display::greenOf(c);
    b[i] = display::blueOf(c);
  }
  int size = 256;
  GifColorType map[256] = {};
  out.indices.assign(n, 0);
  if (GifQuantizeBuffer(static_cast<unsigned>(image.width()), static_cast<unsigned>(image.height()), &size, r.data(),
                        g.data(), b.data(), out.indices.data(), map) != GIF_OK)
    throw std::runtime_error("the picture's colours could not be reduced");
  out.colours.clear();
  for (int i = 0; i < size; ++i) out.colours.push_back(display::rgb(map[i].Red, map[i].Green, map[i].Blue));
}

}  // namespace

IndexedImage indexColours(const Surface& image) {
  IndexedImage out;
  out.width = image.width();
  out.height = image.height();
  if (!exactPalette(image, out)) {
    out.colours.clear();
    quantised(image, out);
  }
  return out;
}

}  // namespace rc::sim::converters
