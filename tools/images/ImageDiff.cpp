#include "tools/images/ImageDiff.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numeric>

#include "tools/common/Command.h"

namespace rc::tools {

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF;

double yOf(std::uint32_t c) {
  return display::redOf(c) * 0.29889531 + display::greenOf(c) * 0.58662247 + display::blueOf(c) * 0.11448223;
}
double iOf(std::uint32_t c) {
  return display::redOf(c) * 0.59597799 - display::greenOf(c) * 0.27417610 - display::blueOf(c) * 0.32180189;
}
double qOf(std::uint32_t c) {
  return display::redOf(c) * 0.21147017 - display::greenOf(c) * 0.52261711 + display::blueOf(c) * 0.31114694;
}

// Whether the pixel at (x, y) has three or more neighbours of its colour
// (a pixel at the edge counts one for the pixels beyond it).
bool hasManySiblings(const display::Surface& image, int x1, int y1) {
  const int x0 = std::max(x1 - 1, 0), y0 = std::max(y1 - 1, 0);
  const int x2 = std::min(x1 + 1, image.width() - 1), y2 = std::min(y1 + 1, image.height() - 1);
  const std::uint32_t centre = image.row(y1)[x1];
  int zeroes = x1 == x0 || x1 == x2 || y1 == y0 || y1 == y2 ? 1 : 0;
  for (int x = x0; x <= x2; ++x)
    for (int y = y0; y <= y2; ++y) {
      if (x == x1 && y == y1) continue;
      if (image.row(y)[x] == centre) ++zeroes;
      if (zeroes > 2) return true;
    }
  return false;
}

// `image` grown to width x height with white, or itself when it has that size.
const display::Surface& padded(const display::Surface& image, int width, int height, display::Surface& store) {
  if (image.width() == width && image.height() == height) return image;
  store.resize(width, height, kWhite);
  store.draw(image, 0, 0);
  return store;
}

std::string number(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", v);
  return buf;
}

// Union-find over the runs of differing pixels.
std::size_t rootOf(std::vector<std::size_t>& parent, std::size_t i) {
  while (parent[i] != i) i = parent[i] = parent[parent[i]];
  return i;
}

}  // namespace

bool ImageDiffOptions::tolerant() const {
  return threshold > 0 || ignoreAntialiasing || !masks.empty() || maskImage.has_value() || maxDiffRatio.has_value();
}

std::string ImageDiffOptions::describe() const {
  if (!tolerant()) return "";
  std::string text;
  auto add = [&text](const std::string& part) { text += (text.empty() ? "" : ", ") + part; };
  if (threshold > 0) add("threshold " + number(threshold));
  if (ignoreAntialiasing) add("anti-aliasing ignored");
  if (!masks.empty()) add(std::to_string(masks.size()) + (masks.size() == 1 ? " mask" : " masks"));
  if (maskImage) add("mask image " + maskImageName);
  if (maxDiffPixels) add("max diff pixels " + std::to_string(*maxDiffPixels));
  if (maxDiffRatio) add("max diff ratio " + number(*maxDiffRatio));
  return text;
}

PixelBox parseMaskOption(std::string_view text) {
  int values[4] = {};
  const char* p = text.data();
  const char* end = text.data() + text.size();
  for (int i = 0; i < 4; ++i) {
    auto [next, ec] = std::from_chars(p, end, values[i]);
    const bool last = i == 3;
    if (ec != std::errc() || (last ? next != end : (next == end || *next != ',')))
      throw UsageError("--mask: \"" + std::string(text) + "\" is not x,y,w,h (four whole numbers)");
    p = last ? next : next + 1;
  }
  if (values[0] < 0 || values[1] < 0 || values[2] <= 0 || values[3] <= 0)
    throw UsageError("--mask: \"" + std::string(text) + "\": x and y must not be negative, w and h above zero");
  return {values[0], values[1], values[2], values[3]};
}

namespace {
double parseUnit(std::string_view option, std::string_view text) {
  double v = 0;
  auto [next, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || next != text.data() + text.size() || !(v >= 0 && v <= 1))
    throw UsageError(std::string(option) + ": \"" + std::string(text) + "\" is not a number from 0 to 1");
  return v;
}
}  // namespace

double parseThresholdOption(std::string_view text) { return parseUnit("--threshold", text); }
double parseRatioOption(std::string_view text) { return parseUnit("--max-diff-ratio", text); }

double yiqDistance(std::uint32_t a, std::uint32_t b) {
  const double y = yOf(a) - yOf(b), i = iOf(a) - iOf(b), q = qOf(a) - qOf(b);
  return 0.5053 * y * y + 0.299 * i * i + 0.1957 * q * q;
}

double maxYiqDistance(double threshold) { return 35215 * threshold * threshold; }

bool antialiased(const display::Surface& image, int x1, int y1, const display::Surface& other) {
  const int x0 = std::max(x1 - 1, 0), y0 = std::max(y1 - 1, 0);
  const int x2 = std::min(x1 + 1, image.width() - 1), y2 = std::min(y1 + 1, image.height() - 1);
  const double centre = yOf(image.row(y1)[x1]);
  int zeroes = x1 == x0 || x1 == x2 || y1 == y0 || y1 == y2 ? 1 : 0;
  double min = 0, max = 0;
  int minX = 0, minY = 0, maxX = 0, maxY = 0;
  for (int x = x0; x <= x2; ++x)
    for (int y = y0; y <= y2; ++y) {
      if (x == x1 && y == y1) continue;
      // The centre's brightness less the neighbour's.
      const double delta = centre - yOf(image.row(y)[x]);
      if (delta == 0) {
        if (++zeroes > 2) return false;
      } else if (delta < min) {
        min = delta, minX = x, minY = y;
      } else if (delta > max) {
        max = delta, maxX = x, maxY = y;
      }
    }
  if (min == 0 || max == 0) return false;
  return (hasManySiblings(image, minX, minY) && hasManySiblings(other, minX, minY)) ||
         (hasManySiblings(image, maxX, maxY) && hasManySiblings(other, maxX, maxY));
}

ImageDiffResult compareImages(const display::Surface& baseline, const display::Surface& fresh,
                              const ImageDiffOptions& options, display::Surface* human) {
  ImageDiffResult result;
  const int width = std::max(baseline.width(), fresh.width());
  const int height = std::max(baseline.height(), fresh.height());
  result.sizeChangeX = fresh.width() - baseline.width();
  result.sizeChangeY = fresh.height() - baseline.height();
  result.compared = std::int64_t{width} * height;
  if (human) human->resize(width, height, kWhite);
  std::vector<std::uint8_t> map(static_cast<std::size_t>(result.compared), 0);
  if (width > 0 && height > 0) {
    display::Surface baseStore, freshStore;
    const display::Surface& a = padded(baseline, width, height, baseStore);
    const display::Surface& b = padded(fresh, width, height, freshStore);
    // Masked pixels: the rectangles and the mask image's non-white pixels.
    std::vector<std::uint8_t> masked;
    if (!options.masks.empty() || options.maskImage) {
      masked.assign(map.size(), 0);
      for (const PixelBox& m : options.masks)
        for (int y = std::max(m.y, 0); y < std::min<std::int64_t>(std::int64_t{m.y} + m.height, height); ++y)
          for (int x = std::max(m.x, 0); x < std::min<std::int64_t>(std::int64_t{m.x} + m.width, width); ++x)
            masked[static_cast<std::size_t>(y) * width + x] = 1;
      if (const auto& image = options.maskImage)
        for (int y = 0; y < std::min(height, image->height()); ++y)
          for (int x = 0; x < std::min(width, image->width()); ++x)
            if ((image->row(y)[x] & kWhite) != kWhite) masked[static_cast<std::size_t>(y) * width + x] = 1;
    }
    const double limit = maxYiqDistance(options.threshold);
    for (int y = 0; y < height; ++y) {
      const std::uint32_t* ra = a.row(y);
      const std::uint32_t* rb = b.row(y);
      std::uint32_t* out = human ? human->row(y) : nullptr;
      const std::size_t rowStart = static_cast<std::size_t>(y) * width;
      // Rows alike (the most of them, in a regression) have nothing to count.
      if (!out && std::memcmp(ra, rb, static_cast<std::size_t>(width) * sizeof *ra) == 0) continue;
      for (int x = 0; x < width; ++x) {
        const std::uint32_t pa = ra[x] & kWhite, pb = rb[x] & kWhite;
        std::uint32_t shown = 0;
        bool differs = false;
        if (pa != pb) {
          if ((pa == kWhite) != (pb == kWhite)) ++result.exact.unmatched;
          else ++result.exact.colourChange;
          if (!masked.empty() && masked[rowStart + x]) {
            ++result.masked;
            if (out) out[x] = kHumanMaskColour;
            continue;
          }
          differs = options.threshold == 0 || yiqDistance(pa, pb) > limit;
          if (differs && options.ignoreAntialiasing && (antialiased(a, x, y, b) || antialiased(b, x, y, a))) {
            ++result.antialiased;
            if (out) out[x] = kHumanAliasColour;
            continue;
          }
        }
        if (differs) {
          ++result.differing;
          map[rowStart + x] = 1;
          shown = kHumanDiffColour;
        } else if (out) {
          if (!masked.empty() && masked[rowStart + x]) {
            shown = kHumanMaskColour;
          } else {
            const auto grey = static_cast<std::uint8_t>(std::lround(255 + (yOf(pa) - 255) * 0.1));
            shown = display::rgb(grey, grey, grey);
          }
        }
        if (out) out[x] = shown;
      }
    }
  }
  result.regions = findRegions(map, width, height);
  std::optional<double> budget;
  if (options.maxDiffPixels) budget = static_cast<double>(*options.maxDiffPixels);
  if (options.maxDiffRatio) {
    const double share = *options.maxDiffRatio * static_cast<double>(result.compared);
    budget = budget ? std::min(*budget, share) : share;
  }
  const std::int64_t sizeSlack = options.maxDiffPixels.value_or(0);
  result.agrees = static_cast<double>(result.differing) <= budget.value_or(0) &&
                  std::abs(result.sizeChangeX) <= sizeSlack && std::abs(result.sizeChangeY) <= sizeSlack;
  return result;
}

std::vector<PixelBox> findRegions(const std::vector<std::uint8_t>& map, int width, int height, int gap,
                                  std::size_t limit) {
  struct Run {
    int y, x0, x1;  // x1 inclusive
  };
  std::vector<Run> runs;
  std::vector<std::size_t> rowStart(static_cast<std::size_t>(height) + 1, 0);
  for (int y = 0; y < height; ++y) {
    rowStart[y] = runs.size();
    const std::uint8_t* row = map.data() + static_cast<std::size_t>(y) * width;
    for (int x = 0; x < width; ++x) {
      // Straight to the next differing pixel.
      const void* next = std::memchr(row + x, 1, static_cast<std::size_t>(width - x));
      if (!next) break;
      x = static_cast<int>(static_cast<const std::uint8_t*>(next) - row);
      int end = x;
      // Pixels up to `gap` apart on a row join one run.
      for (int next = x + 1; next < width && next <= end + gap + 1; ++next)
        if (row[next]) end = next;
      runs.push_back({y, x, end});
      x = end;
    }
  }
  rowStart[height] = runs.size();
  std::vector<std::size_t> parent(runs.size());
  std::iota(parent.begin(), parent.end(), 0);
  for (std::size_t i = 0; i < runs.size(); ++i) {
    const Run& r = runs[i];
    // Runs of the rows up to gap + 1 above, overlapping once widened by the gap.
    for (int y = std::max(0, r.y - gap - 1); y < r.y; ++y)
      for (std::size_t j = rowStart[y]; j < rowStart[y + 1]; ++j)
        if (runs[j].x0 <= r.x1 + gap + 1 && runs[j].x1 + gap + 1 >= r.x0)
          parent[rootOf(parent, i)] = rootOf(parent, j);
  }
  std::vector<PixelBox> boxes;
  std::vector<std::size_t> boxOf(runs.size(), SIZE_MAX);
  for (std::size_t i = 0; i < runs.size(); ++i) {
    const std::size_t root = rootOf(parent, i);
    const Run& r = runs[i];
    if (boxOf[root] == SIZE_MAX) {
      boxOf[root] = boxes.size();
      boxes.push_back({r.x0, r.y, r.x1 - r.x0 + 1, 1});
      continue;
    }
    PixelBox& b = boxes[boxOf[root]];
    const int x0 = std::min(b.x, r.x0), x1 = std::max(b.x + b.width - 1, r.x1);
    b = {x0, b.y, x1 - x0 + 1, r.y - b.y + 1};
  }
  std::stable_sort(boxes.begin(), boxes.end(), [](const PixelBox& l, const PixelBox& r) {
    return std::int64_t{l.width} * l.height > std::int64_t{r.width} * r.height;
  });
  if (boxes.size() > limit) boxes.resize(limit);
  return boxes;
}

}  // namespace rc::tools
