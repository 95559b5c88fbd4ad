// Surface: a 32-bit pixel buffer, top row first, one std::uint32_t per pixel
// holding 0x00RRGGBB (in memory on a little-endian machine: B, G, R, 0, the
// byte order of a 32-bit DIB).
#pragma once

#include <cstdint>
#include <vector>

#include "platform/os/PictureMemory.h"

namespace rc::display {

// 0x00RRGGBB from its three channels.
constexpr std::uint32_t rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return (std::uint32_t{r} << 16) | (std::uint32_t{g} << 8) | b;
}
constexpr std::uint8_t redOf(std::uint32_t c) { return static_cast<std::uint8_t>(c >> 16); }
constexpr std::uint8_t greenOf(std::uint32_t c) { return static_cast<std::uint8_t>(c >> 8); }
constexpr std::uint8_t blueOf(std::uint32_t c) { return static_cast<std::uint8_t>(c); }

// The largest width or height a surface may have; larger requests are clamped.
inline constexpr int kMaxSurfaceSide = 16384;

// The most pixels a picture read from a file may have (2^27, 512 MiB as a
// surface; more than any screen the host draws). Every image decoder
// refuses a larger picture before allocating anything for it.
inline constexpr std::uint64_t kMaxDecodedPixels = std::uint64_t{1} << 27;

class Surface {
 public:
  // The pixels, row by row; a large picture's come from PictureAllocator.
  using Pixels = std::vector<std::uint32_t, platform::PictureAllocator<std::uint32_t>>;

  Surface() = default;
  Surface(int width, int height, std::uint32_t fill = 0) { resize(width, height, fill); }

  int width() const { return width_; }
  int height() const { return height_; }
  bool empty() const { return width_ == 0 || height_ == 0; }

  // Resizes to width x height (each clamped to 0..kMaxSurfaceSide) and fills it.
  void resize(int width, int height, std::uint32_t fill = 0);
  // A width x height surface (clamped as resize's) whose pixels are left
  // unset: for a decoder or painter that writes every one of them before
  // any is read.
  static Surface unfilled(int width, int height);
  void fill(std::uint32_t color);

  // The pixel at (x, y); 0 outside the surface.
  std::uint32_t pixel(int x, int y) const;
  // Sets the pixel at (x, y); ignored outside the surface.
  void setPixel(int x, int y, std::uint32_t color);
  // Fills the rectangle clipped to the surface; negative sizes draw nothing.
  void fillRect(int x, int y, int w, int h, std::uint32_t color);
  // Draws the 1-pixel outline of the rectangle (x0, y0)-(x1, y1), corners included.
  void frameRect(int x0, int y0, int x1, int y1, std::uint32_t color);
  // Copies `src` with its top-left corner at (x, y), clipped.
  void draw(const Surface& src, int x, int y);
  // Copies the w x h block at (sx, sy) of `src` to (dx, dy), clipped on both sides.
  void copyFrom(const Surface& src, int sx, int sy, int dx, int dy, int w, int h);

  const Pixels& pixels() const { return pixels_; }
  // Row y (0 at the top), width() pixels; y must lie within the surface.
  std::uint32_t* row(int y) { return pixels_.data() + static_cast<std::size_t>(y) * width_; }
  const std::uint32_t* row(int y) const { return pixels_.data() + static_cast<std::size_t>(y) * width_; }

 private:
  int width_ = 0;
  int height_ = 0;
  Pixels pixels_;
};

}  // namespace rc::display
