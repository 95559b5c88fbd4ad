#include "platform/display/Surface.h"

#include <algorithm>

#include "platform/display/PixelRuns.h"

namespace rc::display {

void Surface::resize(int width, int height, std::uint32_t fill) {
  width_ = std::clamp(width, 0, kMaxSurfaceSide);
  height_ = std::clamp(height, 0, kMaxSurfaceSide);
  // One pass: every pixel is given the colour (the allocator leaves a
  // pixel made without a value unset).
  const std::size_t n = static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_);
  pixels_.assign(n, fill);
}

Surface Surface::unfilled(int width, int height) {
  Surface s;
  s.width_ = std::clamp(width, 0, kMaxSurfaceSide);
  s.height_ = std::clamp(height, 0, kMaxSurfaceSide);
  s.pixels_.resize(static_cast<std::size_t>(s.width_) * static_cast<std::size_t>(s.height_));
  return s;
}

void Surface::fill(std::uint32_t color) { fillPixels(pixels_.data(), pixels_.size(), color); }

std::uint32_t Surface::pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  return pixels_[static_cast<std::size_t>(y) * width_ + x];
}

void Surface::setPixel(int x, int y, std::uint32_t color) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  pixels_[static_cast<std::size_t>(y) * width_ + x] = color;
}

void Surface::fillRect(int x, int y, int w, int h, std::uint32_t color) {
  if (w <= 0 || h <= 0) return;
  long long x0 = std::max<long long>(x, 0), y0 = std::max<long long>(y, 0);
  long long x1 = std::min<long long>(static_cast<long long>(x) + w, width_);
  long long y1 = std::min<long long>(static_cast<long long>(y) + h, height_);
  for (long long row = y0; row < y1; ++row) {
    if (x1 > x0) fillPixels(pixels_.data() + row * width_ + x0, static_cast<std::size_t>(x1 - x0), color);
  }
}

void Surface::frameRect(int x0, int y0, int x1, int y1, std::uint32_t color) {
  if (x0 > x1) std::swap(x0, x1);
  if (y0 > y1) std::swap(y0, y1);
  long long w = static_cast<long long>(x1) - x0 + 1, h = static_cast<long long>(y1) - y0 + 1;
  int wi = static_cast<int>(std::min<long long>(w, 1LL << 30));
  int hi = static_cast<int>(std::min<long long>(h, 1LL << 30));
  fillRect(x0, y0, wi, 1, color);
  fillRect(x0, y1, wi, 1, color);
  fillRect(x0, y0, 1, hi, color);
  fillRect(x1, y0, 1, hi, color);
}

void Surface::draw(const Surface& src, int x, int y) { copyFrom(src, 0, 0, x, y, src.width(), src.height()); }

void Surface::copyFrom(const Surface& src, int sx, int sy, int dx, int dy, int w, int h) {
  if (w <= 0 || h <= 0) return;
  if (&src == this) {
    Surface copy = src;
    copyFrom(copy, sx, sy, dx, dy, w, h);
    return;
  }
  // Clip against the source, then the destination, in 64-bit arithmetic.
  long long x0 = 0, y0 = 0, x1 = w, y1 = h;
  x0 = std::max({x0, -static_cast<long long>(sx), -static_cast<long long>(dx)});
  y0 = std::max({y0, -static_cast<long long>(sy), -static_cast<long long>(dy)});
  x1 = std::min({x1, static_cast<long long>(src.width_) - sx, static_cast<long long>(width_) - dx});
  y1 = std::min({y1, static_cast<long long>(src.height_) - sy, static_cast<long long>(height_) - dy});
  if (x0 >= x1 || y0 >= y1) return;
  for (long long row = y0; row < y1; ++row) {
    const std::uint32_t* from = src.pixels_.data() + (sy + row) * src.width_ + sx + x0;
    std::uint32_t* to = pixels_.data() + (dy + row) * width_ + dx + x0;
    std::copy(from, from + (x1 - x0), to);
  }
}

}  // namespace rc::display
