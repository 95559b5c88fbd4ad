// Feeds arbitrary bytes to the CBF unpacker and the BMP reader behind it: a
// refused file answers nullopt with a reason, an accepted one gives back
// exactly the length it declares.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>

#include "platform/display/Bmp.h"
#include "sim/converters/CbfFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string reason;
  std::optional<std::string> bmp = rc::sim::converters::unpackCbf(std::span(data, size), &reason);
  if (!bmp) {
    if (reason.empty()) std::abort();
    return 0;
  }
  const std::uint32_t declared = std::uint32_t{data[4]} | std::uint32_t{data[5]} << 8 | std::uint32_t{data[6]} << 16 |
                                 std::uint32_t{data[7]} << 24;
  if (bmp->size() != declared) std::abort();
  rc::display::decodeBmp(std::span(reinterpret_cast<const std::uint8_t*>(bmp->data()), bmp->size()));
  return 0;
}
