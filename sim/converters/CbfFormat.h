// The packed bitmap format CBF: the magic bytes "CBF1", the length of the
// BMP file as a 32-bit little-endian number, then the BMP file compressed
// with zlib. Lossless: unpacking gives back the BMP file byte for byte.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/display/Bmp.h"

namespace rc::sim::converters {

// The CBF file holding `bmp`. Files longer than kMaxCbfPayload are refused
// with std::length_error.
std::string packCbf(std::string_view bmp);

// The BMP file packed in `cbf`, or nullopt with the reason in `error`: a
// wrong magic, a declared length of 0 or beyond kMaxCbfPayload, packed data
// that is damaged, ends early, or unpacks to another length than declared,
// or bytes after the packed data. Allocates no more than the declared
// length (itself bounded) before the data has proved it.
std::optional<std::string> unpackCbf(std::span<const std::uint8_t> cbf, std::string* error = nullptr);

// The first `count` bytes of the BMP file packed in `cbf` (fewer when it
// is shorter or damaged; unpackCbf tells why), so its header can be read
// before the whole file is unpacked. Allocates no more than `count`.
std::string unpackCbfStart(std::span<const std::uint8_t> cbf, std::size_t count);

// The longest BMP file a CBF file may hold (the largest BMP file the
// display loads).
inline constexpr std::uint32_t kMaxCbfPayload = static_cast<std::uint32_t>(display::kMaxBmpFileBytes);

}  // namespace rc::sim::converters
