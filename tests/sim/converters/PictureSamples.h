// Pictures the converter tests draw with.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/display/Surface.h"

namespace rc::testing {

// A w x h picture with a white background, a red bar and a blue square.
inline display::Surface fewColours(int w = 64, int h = 48) {
  display::Surface s(w, h, display::rgb(255, 255, 255));
  s.fillRect(2, 3, w / 2, 5, display::rgb(255, 0, 0));
  s.fillRect(w / 2, h / 2, 7, 7, display::rgb(0, 0, 255));
  return s;
}

// A picture of `colours` distinct colours (a gradient), one pixel each, in rows of 64.
inline display::Surface manyColours(int colours) {
  display::Surface s(64, (colours + 63) / 64, display::rgb(0, 0, 0));
  for (int i = 0; i < colours; ++i)
    s.setPixel(i % 64, i / 64, display::rgb(static_cast<std::uint8_t>(i * 7), static_cast<std::uint8_t>(i / 3),
                                            static_cast<std::uint8_t>(255 - i % 256)));
  return s;
}

inline std::span<const std::uint8_t> bytesOf(const std::string& s) {
  return std::span(reinterpret_cast<const std::uint8_t*>(s.data()), s.size());
}

inline bool samePixels(const display::Surface& a, const display::Surface& b) {
  return a.width() == b.width() && a.height() == b.height() && a.pixels() == b.pixels();
}

}  // namespace rc::testing
