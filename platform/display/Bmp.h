// BMP files: writing 24-bit pictures and reading uncompressed 24- and
// 32-bit ones (both row orders) into a Surface.
#pragma once

#include <optional>
#include <span>
#include <string>

#include "platform/display/Surface.h"

namespace rc::display {

// A complete 24-bit bottom-up BMP file of `image`.
std::string encodeBmp24(const Surface& image);

// The picture in `data`, or nullopt with the reason in `error` (a damaged or
// unsupported file, or one larger than kMaxSurfaceSide on a side).
std::optional<Surface> decodeBmp(std::span<const std::uint8_t> data, std::string* error = nullptr);

}  // namespace rc::display
