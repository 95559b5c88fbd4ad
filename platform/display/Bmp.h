// BMP files: writing 24-bit pictures, and reading uncompressed 1-, 4-, 8-,
// 24- and 32-bit ones (both row orders, with or without a colour table)
// into a Surface or a bitmap of the virtual display (LoadImage).
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/display/HandleTable.h"

#include "platform/display/Surface.h"

namespace rc::display {

// A complete 24-bit bottom-up BMP file of `image`.
std::string encodeBmp24(const Surface& image);

// The largest BMP file LoadImage reads (2^28 pixels at 32 bits, headers included).
inline constexpr std::int64_t kMaxBmpFileBytes = (std::int64_t{1} << 30) + (1 << 16);

// The picture in `data`, or nullopt with the reason in `error`: a short
// header, a file size field that does not match the data, pixel data past
// the end, more than 2^28 pixels or more than kMaxSurfaceSide on a side, a
// compression other than none (or the plain 32-bit bit fields). Nothing is
// allocated for a refused file.
std::optional<Surface> decodeBmp(std::span<const std::uint8_t> data, std::string* error = nullptr);

// Whether decodeBmp accepts `data` (the reason in `error` when not),
// without reading or allocating the pixels.
bool bmpReadable(std::span<const std::uint8_t> data, std::string* error = nullptr);

// LoadImage of a BMP file (LR_LOADFROMFILE): a new 32-bit bitmap, or 0 when
// the file cannot be read or is refused by decodeBmp.
Handle loadImage(std::string_view path);

}  // namespace rc::display
