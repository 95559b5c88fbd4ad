// JPEG files through libjpeg-turbo.
#pragma once

#include <optional>
#include <span>
#include <string>

#include "platform/display/Surface.h"

namespace rc::sim::converters {

// A baseline JPEG file of `image` at `quality` (clamped to 1..100; 100 is
// the least loss). std::runtime_error with libjpeg's message when it fails.
std::string encodeJpeg(const display::Surface& image, int quality);

// The picture of a JPEG file, in RGB. nullopt with libjpeg's message in
// `error` for a damaged one, or the size refused (beyond kMaxSurfaceSide or
// kMaxDecodedPixels, told from the header before the picture is allocated).
std::optional<display::Surface> decodeJpeg(std::span<const std::uint8_t> data, std::string* error = nullptr);

// Whether `data` starts like a JPEG file (the SOI marker).
bool looksLikeJpeg(std::span<const std::uint8_t> data);

}  // namespace rc::sim::converters
