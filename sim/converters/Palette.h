// Turning a 32-bit picture into a palette of at most 256 colours and one
// index a pixel, as an indexed image format needs.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/display/Surface.h"

namespace rc::sim::converters {

struct IndexedImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> colours;  // 0x00RRGGBB, at most 256
  std::vector<std::uint8_t> indices;   // width x height, top row first
};

// The picture's own colours, in order of first appearance, when it has at
// most 256 of them (then every pixel keeps its colour exactly); otherwise a
// median-cut palette of 256 colours with every pixel mapped to the nearest,
// without dithering. The same picture always gives the same result.
IndexedImage indexColours(const display::Surface& image);

}  // namespace rc::sim::converters
