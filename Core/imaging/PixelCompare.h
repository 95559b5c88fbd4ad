// The pixel comparison behind clsBitmap.Compare and `ravelcrest imgdiff`:
// two images laid over each other at their top-left corners, compared over
// the difference image's area, painted into it, counted.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace rc::core {

// A 32-bit DIB: width x height pixels of 4 bytes (B, G, R, unused), the
// bottom row first, or the top row first when `topDown` (the layout of a
// display surface). An image without pixels is width = height = 0.
struct DibPixels {
  std::span<const std::uint8_t> bytes;
  std::int32_t width = 0;
  std::int32_t height = 0;
  bool topDown = false;
};

// Where a difference image is painted: a DIB of the comparison's size in
// `bytes` (bottom row first unless `topDown`), and, when `mirror` is given,
// a top-down copy of its colours with the fourth byte 0 (what a bitmap of
// that size holds once the DIB is set into it), written in the same pass.
struct DiffTarget {
  std::span<std::uint8_t> bytes;
  bool topDown = false;
  std::uint32_t* mirror = nullptr;
};

struct PixelCounts {
  std::int32_t unmatched = 0;     // white in one image only
  std::int32_t colourChange = 0;  // not white in either, and different
};

// Colours of the difference image (0x00RRGGBB).
inline constexpr std::uint32_t kSameColour = 0xFFFFFF;     // white
inline constexpr std::uint32_t kNewOnlyColour = 0x00FF00;  // green: the baseline is white there
inline constexpr std::uint32_t kBaseOnlyColour = 0x0000FF; // blue: the new image is white there
inline constexpr std::uint32_t kChangedColour = 0xFF00FF;  // magenta

// Compares `newImage` with `baseline` pixel by pixel over the `width` x
// `height` difference image in `diff` (a DIB of the same layout, at least
// width x height x 4 bytes) and writes each pixel's difference colour into
// it, leaving the fourth byte of every pixel as it was. Pixels outside an
// image read as white; the fourth byte takes no part. `diff` may be the
// bytes of one of the two images.
PixelCounts paintDifference(const DibPixels& newImage, const DibPixels& baseline, std::span<std::uint8_t> diff,
                            std::int32_t width, std::int32_t height);
// The same into `target`: its DIB may be one of the two images when their
// row orders agree (comparing in place), and its mirror is filled too.
PixelCounts paintDifference(const DibPixels& newImage, const DibPixels& baseline, const DiffTarget& target,
                            std::int32_t width, std::int32_t height);

// Whether the two images have the same size and row order and every pixel
// the same colour (the fourth byte takes no part): a comparison of them
// counts nothing and paints every pixel white.
bool sameColours(const DibPixels& a, const DibPixels& b);

// The verdict on two images of the given sizes with these counts.
struct CompareVerdict {
  std::string unmatchedText;     // "<U>Unmatched Pix:</U> 12" when the counts exceed tol
  std::string colourChangeText;  // "<U>ColorChange Pix:</U> 3" likewise
  std::string sizeText;          // "<U>Size Change, X:</U>-10 ,<U>Y:</U>0" when the sizes differ
  bool warning = false;          // beyond tol: the counts, or the size in either direction
};

CompareVerdict judgeComparison(const PixelCounts& counts, std::int32_t newWidth, std::int32_t newHeight,
                               std::int32_t baseWidth, std::int32_t baseHeight, std::int32_t tol);

}  // namespace rc::core
