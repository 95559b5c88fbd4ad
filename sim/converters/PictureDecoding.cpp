#include "sim/converters/PictureDecoding.h"

#include <cstring>
#include <string_view>

#include "platform/display/Bmp.h"
#include "platform/os/FileBytes.h"
#include "sim/converters/CbfFormat.h"
#include "sim/converters/GifCodec.h"
#include "sim/converters/JpegCodec.h"
#include "sim/converters/PngCodec.h"

namespace rc::sim::converters {

namespace {

bool startsWith(std::span<const std::uint8_t> data, std::string_view magic) {
  return data.size() >= magic.size() && std::memcmp(data.data(), magic.data(), magic.size()) == 0;
}

// The refusal of a file the tools read (told by content) that starts as
// none of their formats do: it names them, not only BMP, the last tried.
bool refuseUnknownFormat(std::span<const std::uint8_t> head, std::string* error) {
  if (head.empty() || startsWith(head, "BM")) return false;
  if (error) *error = "not a PNG, BMP, GIF, CBF or JPEG file";
  return true;
}

}  // namespace

bool packedPictureAllowed(std::span<const std::uint8_t> cbf, std::string* error) {
  const std::string head = unpackCbfStart(cbf, 26);
  return display::bmpSizeAllowed(std::span(reinterpret_cast<const std::uint8_t*>(head.data()), head.size()), error);
}

std::optional<display::Surface> decodePicture(std::span<const std::uint8_t> data, std::string* error) {
  if (data.empty()) {
    if (error) *error = "the file is empty";
    return std::nullopt;
  }
  if (startsWith(data, "GIF")) return decodeGif(data, error);
  if (startsWith(data, "CBF")) {
    if (!packedPictureAllowed(data, error)) return std::nullopt;
    std::optional<std::string> bmp = unpackCbf(data, error);
    if (!bmp) return std::nullopt;
    return display::decodeBmp(std::span(reinterpret_cast<const std::uint8_t*>(bmp->data()), bmp->size()), error);
  }
  return display::decodeBmp(data, error);
}

std::optional<display::Surface> decodeImageFile(std::span<const std::uint8_t> data, std::string* error) {
  if (looksLikePng(data)) return decodePng(data, error);
  if (looksLikeJpeg(data)) return decodeJpeg(data, error);
  if (!startsWith(data, "GIF") && !startsWith(data, "CBF") && refuseUnknownFormat(data, error)) return std::nullopt;
  return decodePicture(data, error);
}

std::optional<display::Surface> readPictureFile(std::string_view path, bool toolFormats, std::string* error,
                                                bool* tooLarge) {
  const platform::FileReader file(path);
  if (file.size() > display::kMaxBmpFileBytes) {
    if (error) *error = "the file is too large";
    if (tooLarge) *tooLarge = true;
    return std::nullopt;
  }
  std::uint8_t first[display::kBmpHead];
  const std::span<const std::uint8_t> head(first, file.readAt(0, first));
  const bool bmp = !head.empty() && !startsWith(head, "GIF") && !startsWith(head, "CBF") &&
                   !(toolFormats && (looksLikePng(head) || looksLikeJpeg(head)));
  if (bmp) {
    if (toolFormats && refuseUnknownFormat(head, error)) return std::nullopt;
    return display::decodeBmp(head, static_cast<std::uint64_t>(file.size()),
                              [&file](std::uint64_t at, std::span<std::uint8_t> out) { return file.readAt(at, out); },
                              error);
  }
  const platform::FileBytes data = file.readAll();
  return toolFormats ? decodeImageFile(data.bytes(), error) : decodePicture(data.bytes(), error);
}

}  // namespace rc::sim::converters
