// The file side of the converters: reading an input picture and putting an
// output file in place, with run-time errors whose descriptions name the file.
#pragma once

#include <string>
#include <string_view>

#include "platform/display/Surface.h"
#include "platform/os/OutputFiles.h"

namespace rc::sim::converters {

// The error a converter raises for input it cannot use.
inline constexpr int kInvalidFileFormat = 321;  // "Invalid file format"
inline constexpr int kInvalidPicture = 481;     // "Invalid picture"

// The whole content of the input file `path`, at most `limit` bytes. A
// missing or unreadable file raises the file statement's error, a longer
// one kInvalidFileFormat; both descriptions name the file. `source` is the
// component raising.
std::string readInput(std::string_view path, std::int64_t limit, std::string_view source);

// The picture in a BMP, GIF or CBF file (told by its first bytes). Damaged or
// unsupported files raise `number` with a description naming the file and
// the reason.
display::Surface readPicture(std::string_view path, std::string_view source, int number = kInvalidFileFormat);

// Puts `data` at `path` whole: written to a temporary beside it and renamed
// over it, so a failure leaves no half-written file there. Errors name the file.
void writeOutput(std::string_view path, std::string_view data, std::string_view source);
// writeOutput of the bytes `produce` hands its writer, a block at a time.
void writeOutputFrom(std::string_view path, const platform::output::BlockProducer& produce, std::string_view source);

// Raises `number` with "<what>: <path> (<reason>)" as its description.
[[noreturn]] void raiseBadFile(int number, std::string_view what, std::string_view path, std::string_view reason,
                               std::string_view source);

}  // namespace rc::sim::converters
