// The LZW decoding of a GIF image's data. Each code's string is copied
// from where it was written before, so a long run costs one copy instead
// of a walk down the string table per pixel.
#pragma once

#include <cstdint>
#include <span>

namespace rc::sim::converters {

// Decodes the joined data sub-blocks `data` of one GIF image, whose minimum
// code size is `minCodeSize`, into the colour indices `out`, in the order
// the image stores its rows. Decoding stops once `out` is full (the rest of
// the data is ignored). False when `minCodeSize` lies outside 1..8, or the
// data ends, holds the end code, or uses a code not yet defined before
// `out` is full.
bool decodeLzw(std::span<const std::uint8_t> data, int minCodeSize, std::span<std::uint8_t> out);

}  // namespace rc::sim::converters
