// Reading a picture whatever its format: BMP, GIF or CBF, told by the
// file's first bytes.
#pragma once

#include <optional>
#include <span>
#include <string>

#include "platform/display/Surface.h"

namespace rc::sim::converters {

// The picture in `data`, or nullopt with the reason in `error` (the
// reasons of decodeBmp, decodeGif and unpackCbf).
std::optional<display::Surface> decodePicture(std::span<const std::uint8_t> data, std::string* error = nullptr);

}  // namespace rc::sim::converters
