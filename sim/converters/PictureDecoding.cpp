#include "sim/converters/PictureDecoding.h"

#include <cstring>

#include "platform/display/Bmp.h"
#include "sim/converters/CbfFormat.h"
#include "sim/converters/GifCodec.h"

namespace rc::sim::converters {

std::optional<display::Surface> decodePicture(std::span<const std::uint8_t> data, std::string* error) {
  if (looksLikeGif(data)) return decodeGif(data, error);
  if (data.size() >= 4 && std::memcmp(data.data(), "CBF", 3) == 0) {
    std::optional<std::string> bmp = unpackCbf(data, error);
    if (!bmp) return std::nullopt;
    return display::decodeBmp(std::span(reinterpret_cast<const std::uint8_t*>(bmp->data()), bmp->size()), error);
  }
  return display::decodeBmp(data, error);
}

}  // namespace rc::sim::converters
