// The LZW encoding of a GIF image's colour indices. Runs of one colour
// advance by whole known runs at a time, so a picture of large flat areas
// costs a few steps per code instead of a table lookup per pixel.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace rc::sim::converters {

// The LZW data of `indices` (each below 2^minCodeSize) with minimum code
// size `minCodeSize` (2..8), not yet cut into sub-blocks: a clear code
// first, a clear code whenever the table is full, the end code last, codes
// as wide as a GIF decoder reads them. `indices` must not be empty.
std::vector<std::uint8_t> encodeLzw(std::span<const std::uint8_t> indices, int minCodeSize);

}  // namespace rc::sim::converters
