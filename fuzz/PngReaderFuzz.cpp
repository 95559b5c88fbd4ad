// Feeds arbitrary bytes to the PNG reader: a refused file answers nullopt
// with a reason, an accepted one a picture within the size limits, whose
// every pixel is 0x00RRGGBB.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>

#include "sim/converters/PngCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string reason;
  std::optional<rc::display::Surface> image = rc::sim::converters::decodePng(std::span(data, size), &reason);
  if (!image) {
    if (reason.empty()) std::abort();
    return 0;
  }
  std::uint32_t high = 0;
  for (std::uint32_t p : image->pixels()) high |= p;
  if (image->empty() || image->width() > rc::display::kMaxSurfaceSide ||
      static_cast<std::uint64_t>(image->width()) * image->height() > rc::display::kMaxDecodedPixels ||
      (high & 0xFF000000u) != 0)
    std::abort();
  return 0;
}
