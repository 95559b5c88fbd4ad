// Feeds arbitrary bytes to the BMP reader behind LoadImage: a refused file
// answers nullopt, an accepted one a surface of the size its header gives.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>

#include "platform/display/Bmp.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string reason;
  std::optional<rc::display::Surface> image = rc::display::decodeBmp(std::span(data, size), &reason);
  if (image) {
    // Every pixel was written from inside the file as 0x00RRGGBB: read them all back.
    std::uint32_t high = 0;
    for (std::uint32_t p : image->pixels()) high |= p;
    if (image->empty() || (high & 0xFF000000u) != 0) std::abort();
  } else if (reason.empty()) {
    std::abort();
  }
  return 0;
}
