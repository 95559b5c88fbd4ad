#include "Core/imaging/PixelCompare.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace rc::core {

namespace {

constexpr std::uint32_t kColourMask = 0x00FFFFFF;
constexpr std::uint32_t kWhite = 0x00FFFFFF;

// Row `fromTop` of an image (0 is its top row) and how many of its pixels
// lie within the first `width` columns; nullptr when the row lies outside.
const std::uint8_t* rowFromTop(const DibPixels& image, std::int32_t fromTop, std::int32_t width, std::int32_t& count) {
  count = 0;
  if (fromTop >= image.height || image.width <= 0) return nullptr;
  count = std::min(width, image.width);
  const std::size_t scan = static_cast<std::size_t>(image.height - 1 - fromTop);
  return image.bytes.data() + scan * static_cast<std::size_t>(image.width) * 4;
}

std::uint32_t load(const std::uint8_t* row, std::int32_t x) {
  std::uint32_t v;
  std::memcpy(&v, row + static_cast<std::size_t>(x) * 4, 4);
  return v;
}

void store(std::uint8_t* row, std::int32_t x, std::uint32_t v) { std::memcpy(row + static_cast<std::size_t>(x) * 4, &v, 4); }

// Paints pixels [from, to) of one row; `n` and `b` give each image's colour.
template <typename NewAt, typename BaseAt>
void paintSpan(std::uint8_t* out, std::int32_t from, std::int32_t to, NewAt n, BaseAt b, PixelCounts& counts) {
  std::int32_t unmatched = 0, changed = 0;
  for (std::int32_t x = from; x < to; ++x) {
    const std::uint32_t nc = n(x) & kColourMask;
    const std::uint32_t bc = b(x) & kColourMask;
    const int same = nc == bc, baseWhite = bc == kWhite, newWhite = nc == kWhite;
    const std::uint32_t colour = same ? kSameColour : baseWhite ? kNewOnlyColour : newWhite ? kBaseOnlyColour : kChangedColour;
    unmatched += (1 - same) & (baseWhite | newWhite);
    changed += (1 - same) & (1 - baseWhite) & (1 - newWhite);
    store(out, x, (load(out, x) & ~kColourMask) | colour);
  }
  counts.unmatched += unmatched;
  counts.colourChange += changed;
}

// Paints pixels [from, to) of one row where both images have pixels. Pairs
// of pixels of the same colours, the common case, are painted together.
void paintBoth(std::uint8_t* out, const std::uint8_t* nRow, const std::uint8_t* bRow, std::int32_t from,
               std::int32_t to, PixelCounts& counts) {
  constexpr std::uint64_t kPairMask = (std::uint64_t{kColourMask} << 32) | kColourMask;
  constexpr std::uint64_t kPairSame = (std::uint64_t{kSameColour} << 32) | kSameColour;
  auto newAt = [nRow](std::int32_t x) { return load(nRow, x); };
  auto baseAt = [bRow](std::int32_t x) { return load(bRow, x); };
  std::int32_t x = from;
  for (; x + 2 <= to; x += 2) {
    const std::size_t at = static_cast<std::size_t>(x) * 4;
    std::uint64_t n, b, o;
    std::memcpy(&n, nRow + at, 8);
    std::memcpy(&b, bRow + at, 8);
    if (((n ^ b) & kPairMask) != 0) {
      paintSpan(out, x, x + 2, newAt, baseAt, counts);
      continue;
    }
    std::memcpy(&o, out + at, 8);
    o = (o & ~kPairMask) | kPairSame;
    std::memcpy(out + at, &o, 8);
  }
  paintSpan(out, x, to, newAt, baseAt, counts);
}

}  // namespace

PixelCounts paintDifference(const DibPixels& newImage, const DibPixels& baseline, std::span<std::uint8_t> diff,
                            std::int32_t width, std::int32_t height) {
  PixelCounts counts;
  if (width <= 0 || height <= 0 || diff.size() / 4 / static_cast<std::size_t>(width) < static_cast<std::size_t>(height))
    return counts;
  auto white = [](std::int32_t) { return kWhite; };
  for (std::int32_t y = 0; y < height; ++y) {
    std::uint8_t* out = diff.data() + static_cast<std::size_t>(height - 1 - y) * static_cast<std::size_t>(width) * 4;
    std::int32_t nCount = 0, bCount = 0;
    const std::uint8_t* nRow = rowFromTop(newImage, y, width, nCount);
    const std::uint8_t* bRow = rowFromTop(baseline, y, width, bCount);
    auto newAt = [nRow](std::int32_t x) { return load(nRow, x); };
    auto baseAt = [bRow](std::int32_t x) { return load(bRow, x); };
    // Where both images have pixels, then where only one has, then neither.
    const std::int32_t both = std::min(nCount, bCount);
    paintBoth(out, nRow, bRow, 0, both, counts);
    if (nCount > both) paintSpan(out, both, nCount, newAt, white, counts);
    if (bCount > both) paintSpan(out, both, bCount, white, baseAt, counts);
    paintSpan(out, std::max(nCount, bCount), width, white, white, counts);
  }
  return counts;
}

CompareVerdict judgeComparison(const PixelCounts& counts, std::int32_t newWidth, std::int32_t newHeight,
                               std::int32_t baseWidth, std::int32_t baseHeight, std::int32_t tol) {
  CompareVerdict v;
  const std::int64_t dx = std::int64_t{newWidth} - baseWidth;
  const std::int64_t dy = std::int64_t{newHeight} - baseHeight;
  if (dx != 0 || dy != 0) {
    v.sizeText = "<U>Size Change, X:</U>" + std::to_string(dx) + " ,<U>Y:</U>" + std::to_string(dy);
    if (std::llabs(dx) > tol || std::llabs(dy) > tol) v.warning = true;
  }
  if (std::int64_t{counts.unmatched} + counts.colourChange > tol) {
    v.unmatchedText = "<U>Unmatched Pix:</U> " + std::to_string(counts.unmatched);
    v.colourChangeText = "<U>ColorChange Pix:</U> " + std::to_string(counts.colourChange);
    v.warning = true;
  }
  return v;
}

}  // namespace rc::core
