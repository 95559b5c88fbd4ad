#include "platform/display/Bmp.h"

#include <cstdint>

namespace rc::display {

namespace {

void put16(std::string& out, std::uint16_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>(v >> 8);
}

void put32(std::string& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::uint32_t get32(std::span<const std::uint8_t> d, std::size_t at) {
  return std::uint32_t{d[at]} | std::uint32_t{d[at + 1]} << 8 | std::uint32_t{d[at + 2]} << 16 |
         std::uint32_t{d[at + 3]} << 24;
}

std::uint16_t get16(std::span<const std::uint8_t> d, std::size_t at) {
  return static_cast<std::uint16_t>(d[at] | d[at + 1] << 8);
}

std::optional<Surface> fail(std::string* error, const char* why) {
  if (error) *error = why;
  return std::nullopt;
}

}  // namespace

std::string encodeBmp24(const Surface& image) {
  const std::uint32_t w = static_cast<std::uint32_t>(image.width());
  const std::uint32_t h = static_cast<std::uint32_t>(image.height());
  const std::uint32_t stride = (w * 3 + 3) / 4 * 4;
  const std::uint32_t dataSize = stride * h;
  std::string out;
  out.reserve(54 + dataSize);
  out += "BM";
  put32(out, 54 + dataSize);
  put32(out, 0);
  put32(out, 54);
  put32(out, 40);
  put32(out, w);
  put32(out, h);
  put16(out, 1);
  put16(out, 24);
  put32(out, 0);
  put32(out, dataSize);
  put32(out, 2835);  // 72 dots per inch
  put32(out, 2835);
  put32(out, 0);
  put32(out, 0);
  for (std::uint32_t row = 0; row < h; ++row) {
    int y = static_cast<int>(h - 1 - row);
    for (std::uint32_t x = 0; x < w; ++x) {
      std::uint32_t c = image.pixel(static_cast<int>(x), y);
      out += static_cast<char>(blueOf(c));
      out += static_cast<char>(greenOf(c));
      out += static_cast<char>(redOf(c));
    }
    out.append(stride - w * 3, '\0');
  }
  return out;
}

std::optional<Surface> decodeBmp(std::span<const std::uint8_t> d, std::string* error) {
  if (d.size() < 54 || d[0] != 'B' || d[1] != 'M') return fail(error, "not a BMP file");
  const std::uint32_t offset = get32(d, 10);
  const std::uint32_t headerSize = get32(d, 14);
  if (headerSize < 40 || headerSize > d.size() - 14) return fail(error, "unsupported BMP header");
  const std::int32_t width = static_cast<std::int32_t>(get32(d, 18));
  const std::int32_t rawHeight = static_cast<std::int32_t>(get32(d, 22));
  const std::uint16_t bpp = get16(d, 28);
  const std::uint32_t compression = get32(d, 30);
  if (bpp != 24 && bpp != 32) return fail(error, "only 24- and 32-bit BMP files are supported");
  if (compression != 0 && !(compression == 3 && bpp == 32)) return fail(error, "compressed BMP files are not supported");
  if (width <= 0 || rawHeight == 0 || rawHeight == INT32_MIN) return fail(error, "BMP file with no pixels");
  const std::int64_t height = rawHeight < 0 ? -std::int64_t{rawHeight} : rawHeight;
  if (width > kMaxSurfaceSide || height > kMaxSurfaceSide) return fail(error, "BMP file too large");
  const std::uint64_t stride = (static_cast<std::uint64_t>(width) * bpp + 31) / 32 * 4;
  if (offset > d.size() || stride * static_cast<std::uint64_t>(height) > d.size() - offset)
    return fail(error, "BMP file is truncated");
  Surface s(width, static_cast<int>(height));
  const int bytes = bpp / 8;
  for (std::int64_t row = 0; row < height; ++row) {
    const std::uint8_t* p = d.data() + offset + row * stride;
    int y = static_cast<int>(rawHeight > 0 ? height - 1 - row : row);
    for (std::int32_t x = 0; x < width; ++x, p += bytes) s.setPixel(x, y, rgb(p[2], p[1], p[0]));
  }
  return s;
}

}  // namespace rc::display
