#include "tools/check/ImageFormatChoice.h"

#include <algorithm>
#include <span>
#include <unordered_set>
#include <vector>

#include "Core/imaging/ViewWindow.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/Error.h"
#include "platform/automation/Trap.h"
#include "platform/display/Bmp.h"
#include "platform/display/Windows.h"
#include "platform/os/Files.h"
#include "platform/os/Paths.h"

namespace rc::tools {

namespace au = rc::automation;

std::size_t distinctColours(const display::Surface& image, std::size_t limit) {
  const auto& pixels = image.pixels();
  const std::size_t wanted = std::min(limit, pixels.size() + 1);
  if (wanted > (1u << 16)) {
    std::unordered_set<std::uint32_t> seen;
    for (std::uint32_t p : pixels) {
      seen.insert(p & 0xFFFFFFu);
      if (seen.size() >= limit) return limit;
    }
    return seen.size();
  }
  // An open-addressed table at most a quarter full; a colour is 24 bits, so
  // an all-ones slot is free. A run of one colour (most of a view) is looked
  // up once.
  constexpr std::uint32_t kFree = 0xFFFFFFFFu;
  int bits = 6;
  while ((std::size_t{1} << bits) < wanted * 4) ++bits;
  const std::size_t slots = std::size_t{1} << bits;
  std::vector<std::uint32_t> table(slots, kFree);
  const std::size_t mask = slots - 1;
  std::size_t count = 0;
  std::uint32_t last = kFree;
  const std::size_t n = pixels.size();
  for (std::size_t i = 0; i < n;) {
    // Whole blocks of the last colour are passed over without a branch per pixel.
    constexpr std::size_t kBlock = 16;
    while (count > 0 && i + kBlock <= n) {
      std::uint32_t other = 0;
      for (std::size_t k = 0; k < kBlock; ++k) other |= pixels[i + k] ^ last;
      if ((other & 0xFFFFFFu) != 0) break;
      i += kBlock;
    }
    if (i >= n) break;
    const std::uint32_t c = pixels[i++] & 0xFFFFFFu;
    if (c == last) continue;
    last = c;
    std::size_t h = static_cast<std::uint32_t>(c * 2654435761u) >> (32 - bits);
    while (table[h] != kFree && table[h] != c) h = (h + 1) & mask;
    if (table[h] == c) continue;
    table[h] = c;
    if (++count >= limit) return limit;
  }
  return count;
}

std::size_t viewColours(const CheckEnv& env) {
  std::size_t n = 0;
  au::trapped(
      [&] {
        std::int32_t window = au::call(env.host, "SimFrameWindow").toLong();
        core::GetLastTopChild(window);
        if (!display::isWindow(static_cast<display::Handle>(window))) return;
        display::readCapture(static_cast<display::Handle>(window),
                             [&](const display::Surface& image) { n = distinctColours(image); });
      },
      [](const au::AutomationError&) {});
  return n;
}

std::size_t fileColours(const std::string& path) {
  std::size_t n = 0;
  au::trapped(
      [&] {
        if (!platform::fileExists(path) || platform::fileLength(path) > display::kMaxBmpFileBytes) return;
        const std::string data = platform::readFile(path);
        auto image = display::decodeBmp(std::span(reinterpret_cast<const std::uint8_t*>(data.data()), data.size()));
        if (image) n = distinctColours(*image);
      },
      [](const au::AutomationError&) {});
  return n;
}

std::string imageBaselineName(const CheckEnv& env, const std::string& what, const std::string& format) {
  std::string name = env.nameOnly;
  if (std::size_t dot = name.rfind('.'); dot != std::string::npos && dot > 0) name[dot] = '-';
  return name + (what == "view" ? "" : "-" + what) + "." + format;
}

bool imageBaselineExists(const CheckEnv& env, const std::string& what, const std::string& format) {
  return platform::fileExists(platform::joinPath(env.folder, imageBaselineName(env, what, format)));
}

}  // namespace rc::tools
