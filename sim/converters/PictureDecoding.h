// Reading a picture whatever its format, told by the file's first bytes:
// BMP, GIF or CBF (what the host's components read), and for the tools
// PNG and JPEG besides.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/display/Surface.h"

namespace rc::sim::converters {

// The picture in `data`, or nullopt with the reason in `error`: "the file
// is empty", or the reasons of decodeGif (data starting "GIF"), unpackCbf
// ("CBF") and decodeBmp (anything else). A CBF file whose picture is beyond
// kMaxDecodedPixels is refused from its header, before it is unpacked.
std::optional<display::Surface> decodePicture(std::span<const std::uint8_t> data, std::string* error = nullptr);

// Whether the BMP picture packed in the CBF file `cbf` is within the
// decoders' limits, told from its header alone (the reason in `error`
// when not; a header that cannot be read passes, for unpackCbf to refuse).
bool packedPictureAllowed(std::span<const std::uint8_t> cbf, std::string* error = nullptr);

// decodePicture, and PNG (decodePng) and JPEG (decodeJpeg) files told by
// their signatures: the images a person hands to the tools.
std::optional<display::Surface> decodeImageFile(std::span<const std::uint8_t> data, std::string* error = nullptr);

// The picture in the file at `path`: decodeImageFile's formats when
// `toolFormats`, else decodePicture's. A BMP file is decoded as it is read,
// never held whole; any other is read with one read. Nullopt with the
// reason in `error` as theirs, or "the file is too large" (and `tooLarge`
// set) for a file of more than kMaxBmpFileBytes, of which nothing is read.
// Errors of opening and reading as platform::readFileBytes's.
std::optional<display::Surface> readPictureFile(std::string_view path, bool toolFormats, std::string* error,
                                                bool* tooLarge = nullptr);

}  // namespace rc::sim::converters
