// The packed bitmap format CBF: the magic bytes "CBF1", the length of the
// BMP file as a 32-bit little-endian number, then the BMP file compressed
// with zlib. Lossless: unpacking gives back the BMP file byte for byte.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

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

// The longest BMP file a CBF file may hold (the largest BMP file the
// display loads).
inline constexpr std::uint32_t kMaxCbfPayload = (1u << 30) + (1u << 16);

}  // namespace rc::sim::converters
