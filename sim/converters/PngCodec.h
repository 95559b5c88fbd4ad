// PNG files through libpng: reading any PNG libpng accepts (grey, grey with
// alpha, RGB, RGBA and palette images, 1 to 16 bits a channel, interlaced or
// not), writing 8-bit RGB ones.
#pragma once

#include <optional>
#include <span>
#include <string>

#include "platform/display/Surface.h"

namespace rc::sim::converters {

// A PNG file of `image`: 8-bit RGB, not interlaced, compressed for speed
// (rows against the row above, run-length deflate). std::runtime_error with libpng's message when it fails.
std::string encodePng(const display::Surface& image);

// The picture of `data`, 8 bits a channel, any transparency laid over
// white. nullopt with the reason in `error` ("not a PNG file", libpng's
// message for a damaged or truncated one, or the size refused) for a file
// that cannot be shown. A picture wider or higher than kMaxSurfaceSide or
// larger than kMaxDecodedPixels is refused from its header, before
// anything is allocated for it.
std::optional<display::Surface> decodePng(std::span<const std::uint8_t> data, std::string* error = nullptr);

// Whether `data` starts with the PNG signature.
bool looksLikePng(std::span<const std::uint8_t> data);

}  // namespace rc::sim::converters
