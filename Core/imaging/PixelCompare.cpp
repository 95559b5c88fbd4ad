#include "Core/imaging/PixelCompare.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace rc::core {

namespace {

constexpr std::uint32_t kColourMask = 0x00FFFFFF;
constexpr std::uint32_t kWhite = 0x00FFFFFF;
constexpr std::uint64_t kPairMask = (std::uint64_t{kColourMask} << 32) | kColourMask;
constexpr std::uint64_t kPairSame = (std::uint64_t{kSameColour} << 32) | kSameColour;

// Row `fromTop` of an image (0 is its top row) and how many of its pixels
// lie within the first `width` columns; nullptr when the row lies outside.
const std::uint8_t* rowFromTop(const DibPixels& image, std::int32_t fromTop, std::int32_t width, std::int32_t& count) {
  count = 0;
  if (fromTop >= image.height || image.width <= 0) return nullptr;
  count = std::min(width, image.width);
  const std::size_t scan = static_cast<std::size_t>(image.topDown ? fromTop : image.height - 1 - fromTop);
  return image.bytes.data() + scan * static_cast<std::size_t>(image.width) * 4;
}

std::uint32_t load(const std::uint8_t* row, std::int32_t x) {
  std::uint32_t v;
  std::memcpy(&v, row + static_cast<std::size_t>(x) * 4, 4);
  return v;
}

void store(std::uint8_t* row, std::int32_t x, std::uint32_t v) { std::memcpy(row + static_cast<std::size_t>(x) * 4, &v, 4); }

// The row being painted: the DIB's, and the mirror's when there is one.
struct OutRow {
  std::uint8_t* dib;
  std::uint32_t* mirror;
};

// Paints pixels [from, to) of one row; `n` and `b` give each image's colour.
template <typename NewAt, typename BaseAt>
void paintSpan(const OutRow& out, std::int32_t from, std::int32_t to, NewAt n, BaseAt b, PixelCounts& counts) {
  std::int32_t unmatched = 0, changed = 0;
  for (std::int32_t x = from; x < to; ++x) {
    const std::uint32_t nc = n(x) & kColourMask;
    const std::uint32_t bc = b(x) & kColourMask;
    const int same = nc == bc, baseWhite = bc == kWhite, newWhite = nc == kWhite;
    const std::uint32_t colour = same ? kSameColour : baseWhite ? kNewOnlyColour : newWhite ? kBaseOnlyColour : kChangedColour;
    unmatched += (1 - same) & (baseWhite | newWhite);
    changed += (1 - same) & (1 - baseWhite) & (1 - newWhite);
    store(out.dib, x, (load(out.dib, x) & ~kColourMask) | colour);
    if (out.mirror) out.mirror[x] = colour;
  }
  counts.unmatched += unmatched;
  counts.colourChange += changed;
}

// Paints pixels [from, to) of one row where both images have pixels, by
// pairs: pairs of the same colours, the common case, are painted together.
void paintPairs(const OutRow& out, const std::uint8_t* nRow, const std::uint8_t* bRow, std::int32_t from,
                std::int32_t to, PixelCounts& counts) {
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
    std::memcpy(&o, out.dib + at, 8);
    o = (o & ~kPairMask) | kPairSame;
    std::memcpy(out.dib + at, &o, 8);
    if (out.mirror) std::memcpy(out.mirror + x, &kPairSame, 8);
  }
  paintSpan(out, x, to, newAt, baseAt, counts);
}

// Whether the eight pixels at `at` of the two rows have the same colours.
bool eightAgree(const std::uint8_t* nRow, const std::uint8_t* bRow, std::size_t at) {
#if defined(__SSE2__)
  const __m128i mask = _mm_set1_epi32(static_cast<int>(kColourMask));
  const __m128i n0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(nRow + at));
  const __m128i n1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(nRow + at + 16));
  const __m128i b0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bRow + at));
  const __m128i b1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bRow + at + 16));
  const __m128i x = _mm_and_si128(_mm_or_si128(_mm_xor_si128(n0, b0), _mm_xor_si128(n1, b1)), mask);
  return _mm_movemask_epi8(_mm_cmpeq_epi8(x, _mm_setzero_si128())) == 0xFFFF;
#else
  std::uint64_t n[4], b[4];
  std::memcpy(n, nRow + at, 32);
  std::memcpy(b, bRow + at, 32);
  return (((n[0] ^ b[0]) | (n[1] ^ b[1]) | (n[2] ^ b[2]) | (n[3] ^ b[3])) & kPairMask) == 0;
#endif
}

// Paints the eight pixels at pixel x white (the same colour), keeping the
// DIB's fourth bytes: white is every colour bit set.
void paintEightSame(const OutRow& out, std::int32_t x) {
  const std::size_t at = static_cast<std::size_t>(x) * 4;
#if defined(__SSE2__)
  const __m128i white = _mm_set1_epi32(static_cast<int>(kSameColour));
  auto* dib = reinterpret_cast<__m128i*>(out.dib + at);
  _mm_storeu_si128(dib, _mm_or_si128(_mm_loadu_si128(dib), white));
  _mm_storeu_si128(dib + 1, _mm_or_si128(_mm_loadu_si128(dib + 1), white));
  if (out.mirror) {
    auto* mirror = reinterpret_cast<__m128i*>(out.mirror + x);
    _mm_storeu_si128(mirror, white);
    _mm_storeu_si128(mirror + 1, white);
  }
#else
  std::uint64_t o[4];
  std::memcpy(o, out.dib + at, 32);
  for (std::uint64_t& v : o) v |= kPairSame;
  std::memcpy(out.dib + at, o, 32);
  if (out.mirror) {
    const std::uint64_t same[4] = {kPairSame, kPairSame, kPairSame, kPairSame};
    std::memcpy(out.mirror + x, same, 32);
  }
#endif
}

// paintPairs over a whole row, eight pixels at a time where all eight agree.
void paintBoth(const OutRow& out, const std::uint8_t* nRow, const std::uint8_t* bRow, std::int32_t from,
               std::int32_t to, PixelCounts& counts) {
  static_assert(kSameColour == kColourMask, "agreeing pixels are painted by setting every colour bit");
  std::int32_t x = from;
  for (; x + 8 <= to; x += 8) {
    if (eightAgree(nRow, bRow, static_cast<std::size_t>(x) * 4))
      paintEightSame(out, x);
    else
      paintPairs(out, nRow, bRow, x, x + 8, counts);
  }
  paintPairs(out, nRow, bRow, x, to, counts);
}

}  // namespace

PixelCounts paintDifference(const DibPixels& newImage, const DibPixels& baseline, std::span<std::uint8_t> diff,
                            std::int32_t width, std::int32_t height) {
  return paintDifference(newImage, baseline, DiffTarget{diff}, width, height);
}

PixelCounts paintDifference(const DibPixels& newImage, const DibPixels& baseline, const DiffTarget& target,
                            std::int32_t width, std::int32_t height) {
  PixelCounts counts;
  if (width <= 0 || height <= 0 ||
      target.bytes.size() / 4 / static_cast<std::size_t>(width) < static_cast<std::size_t>(height))
    return counts;
  auto white = [](std::int32_t) { return kWhite; };
  for (std::int32_t y = 0; y < height; ++y) {
    const std::size_t scan = static_cast<std::size_t>(target.topDown ? y : height - 1 - y);
    const OutRow out{target.bytes.data() + scan * static_cast<std::size_t>(width) * 4,
                     target.mirror ? target.mirror + static_cast<std::size_t>(y) * static_cast<std::size_t>(width)
                                   : nullptr};
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

bool sameColours(const DibPixels& a, const DibPixels& b) {
  if (a.width != b.width || a.height != b.height || a.topDown != b.topDown || a.width < 0 || a.height < 0) return false;
  const std::size_t bytes = static_cast<std::size_t>(a.width) * static_cast<std::size_t>(a.height) * 4;
  if (a.bytes.size() < bytes || b.bytes.size() < bytes) return false;
  if (bytes == 0) return true;
  if (std::memcmp(a.bytes.data(), b.bytes.data(), bytes) == 0) return true;
  // Only the fourth bytes may differ.
  std::size_t at = 0;
  for (; at + 32 <= bytes; at += 32)
    if (!eightAgree(a.bytes.data(), b.bytes.data(), at)) return false;
  for (; at < bytes; at += 4)
    if (((load(a.bytes.data() + at, 0) ^ load(b.bytes.data() + at, 0)) & kColourMask) != 0)
      return false;
  return true;
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
