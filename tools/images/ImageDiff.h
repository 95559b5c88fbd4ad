// The tolerant image comparison of `imgdiff` and `check`, beside the
// library's exact one: a perceptual colour threshold, anti-aliased pixels
// left out, masked regions ignored, a budget of differing pixels. Also the
// difference image people read (the baseline faded, changes in red) and
// the regions where pixels differ.
//
// Two images are laid over each other at their top-left corners and
// compared over the larger size in each direction; outside an image its
// pixels read as white, as in the library's comparison.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "Core/imaging/PixelCompare.h"
#include "platform/display/Surface.h"

namespace rc::tools {

struct PixelBox {
  int x = 0, y = 0, width = 0, height = 0;
  bool operator==(const PixelBox&) const = default;
};

struct ImageDiffOptions {
  double threshold = 0;             // 0..1: YIQ distance at or below which pixels agree; 0 exact
  bool ignoreAntialiasing = false;  // anti-aliased pixels do not count
  std::vector<PixelBox> masks;      // rectangles where nothing counts
  std::optional<display::Surface> maskImage;  // its non-white pixels count for nothing
  std::string maskImageName;        // where maskImage came from, for the description
  std::optional<std::int64_t> maxDiffPixels;  // differing pixels (and size change each way) accepted
  std::optional<double> maxDiffRatio;  // differing pixels accepted, as a share of those compared;
                                       // with both, the smaller budget holds; with neither, none differ

  // Whether any option beyond the library's pixel tolerance is in force.
  bool tolerant() const;
  // The options in force, for rows and reports: "threshold 0.1, anti-aliasing
  // ignored, 2 masks, mask image x.mask.png, max diff ratio 0.01"; "" when
  // not tolerant().
  std::string describe() const;
};

// "x,y,w,h": four integers, x and y not negative, w and h above zero.
// UsageError naming the option otherwise.
PixelBox parseMaskOption(std::string_view text);
// 0..1. UsageError otherwise.
double parseThresholdOption(std::string_view text);
// 0..1. UsageError otherwise.
double parseRatioOption(std::string_view text);

struct ImageDiffResult {
  core::PixelCounts exact;         // the library's counters
  std::int64_t compared = 0;       // pixels compared (the larger size each way)
  std::int64_t differing = 0;      // beyond the threshold, not anti-aliased, not masked
  std::int64_t antialiased = 0;    // beyond the threshold but anti-aliased (counted only when ignored)
  std::int64_t masked = 0;         // pixels masked out that differ exactly
  int sizeChangeX = 0;             // new minus baseline
  int sizeChangeY = 0;
  std::vector<PixelBox> regions;   // where the differing pixels lie, largest area first
  bool agrees = false;             // within maxDiffPixels / maxDiffRatio and the size change
};

// YIQ distance of two colours (0x00RRGGBB) as pixelmatch measures it:
// 0.5053 y^2 + 0.299 i^2 + 0.1957 q^2, at most 35215 (black and white).
double yiqDistance(std::uint32_t a, std::uint32_t b);

// The largest distance the threshold accepts: 35215 T^2.
double maxYiqDistance(double threshold);

// Whether the pixel (x, y) of `image` looks anti-aliased against `other`:
// among its eight neighbours (pixels beyond the edge count as equal) at
// most two share its brightness, some are darker and some brighter, and the
// darkest or the brightest has three or more neighbours of its own colour in
// both images.
bool antialiased(const display::Surface& image, int x, int y, const display::Surface& other);

// Compares `fresh` with `baseline` under `options`. When `human` is given it
// receives the difference image for people: the baseline faded to light
// grey, differing pixels red, anti-aliased ones yellow, masked ones pale blue.
ImageDiffResult compareImages(const display::Surface& baseline, const display::Surface& fresh,
                              const ImageDiffOptions& options, display::Surface* human = nullptr);

// The most regions a comparison reports (and a results file may carry).
inline constexpr std::size_t kMaxRegions = 100;

// The differing regions of a map of differing pixels (`width` x `height`,
// non-zero where pixels differ): connected groups, pixels up to `gap`
// pixels apart joined, as boxes largest first, at most `limit` of them.
std::vector<PixelBox> findRegions(const std::vector<std::uint8_t>& map, int width, int height, int gap = 2,
                                  std::size_t limit = kMaxRegions);

// Colours of the human difference image.
inline constexpr std::uint32_t kHumanDiffColour = 0xFF0000;   // red
inline constexpr std::uint32_t kHumanAliasColour = 0xFFFF00;  // yellow
inline constexpr std::uint32_t kHumanMaskColour = 0xDDE6F5;   // pale blue

}  // namespace rc::tools
