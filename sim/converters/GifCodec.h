// GIF files through giflib: writing a picture, reading the first image of a file.
#pragma once

#include <optional>
#include <span>
#include <string>

#include "platform/display/Surface.h"

namespace rc::sim::converters {

// A GIF file of `image` (one image, a global colour table; see
// indexColours for how colours are kept). std::runtime_error when giflib
// fails.
std::string encodeGif(const display::Surface& image);

// The picture of `data`: its logical screen, filled with the background
// colour (white without a global colour table), with the first image drawn
// at its place. nullopt with the reason in `error` for a file that is not a
// GIF, ends early, is damaged, has no image or no colour table, or whose
// screen or image is empty, wider or higher than kMaxSurfaceSide or larger
// than kMaxDecodedPixels (the screen counts whole, however small its
// images). Nothing is allocated for the picture before its size
// has passed these checks.
std::optional<display::Surface> decodeGif(std::span<const std::uint8_t> data, std::string* error = nullptr);

// Whether `data` starts like a GIF file.
bool looksLikeGif(std::span<const std::uint8_t> data);

}  // namespace rc::sim::converters
