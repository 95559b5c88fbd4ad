// The DIB calls of the virtual display: GetDIBits, SetDIBits, StretchDIBits.
#include <algorithm>
#include <cstring>
#include <optional>

#include "platform/display/Gdi.h"
#include "platform/display/PixelRuns.h"

namespace rc::display {

using detail::BitmapObject;
using detail::DcObject;
using detail::table;

namespace {

constexpr std::uint32_t kColourMask = 0x00FFFFFF;

// The shape of a DIB as its header describes it.
struct DibLayout {
  std::int64_t width = 0;
  std::int64_t height = 0;
  bool bottomUp = true;
  int bytesPixel = 4;
  std::int64_t stride = 0;  // bytes a scan line, padded to 4

  // Row `scan` of the DIB (scan line 0 is the bottom row of a bottom-up DIB)
  // as a row of the image counted from the top.
  std::int64_t imageRow(std::int64_t scan) const { return bottomUp ? height - 1 - scan : scan; }
};

// The layout of an uncompressed 24- or 32-bit DIB no larger than a surface.
std::optional<DibLayout> dibLayout(const BitmapInfoHeader& info) {
  if (info.biBitCount != 32 && info.biBitCount != 24) return std::nullopt;
  if (info.biCompression != 0 || info.biWidth <= 0 || info.biHeight == 0) return std::nullopt;
  if (info.biWidth > kMaxSurfaceSide || info.biHeight > kMaxSurfaceSide || info.biHeight < -kMaxSurfaceSide)
    return std::nullopt;
  DibLayout l;
  l.width = info.biWidth;
  l.height = info.biHeight < 0 ? -std::int64_t{info.biHeight} : info.biHeight;
  l.bottomUp = info.biHeight > 0;
  l.bytesPixel = info.biBitCount / 8;
  l.stride = (l.width * info.biBitCount + 31) / 32 * 4;
  return l;
}

// One pixel of a DIB row as 0x00RRGGBB.
std::uint32_t readDibPixel(const std::uint8_t* row, std::int64_t x, int bytesPixel) {
  const std::uint8_t* p = row + x * bytesPixel;
  if (bytesPixel == 4) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v & kColourMask;
  }
  return rgb(p[2], p[1], p[0]);
}

// Copies `count` pixels of a DIB row into a surface row.
void readDibRow(std::uint32_t* to, const std::uint8_t* row, std::int64_t count, int bytesPixel) {
  if (bytesPixel == 4) return copyColours(to, row, static_cast<std::size_t>(count));
  for (std::int64_t x = 0; x < count; ++x) to[x] = readDibPixel(row, x, 3);
}

// Copies `count` surface pixels into a DIB row (the fourth byte of a 32-bit pixel is 0).
void writeDibRow(std::uint8_t* out, const std::uint32_t* from, std::int64_t count, int bytesPixel) {
  if (bytesPixel == 4) return copyColours(out, from, static_cast<std::size_t>(count));
  for (std::int64_t x = 0; x < count; ++x) {
    out[x * 3] = blueOf(from[x]);
    out[x * 3 + 1] = greenOf(from[x]);
    out[x * 3 + 2] = redOf(from[x]);
  }
}

}  // namespace

std::int32_t getDIBits(Handle dc, Handle bitmap, std::uint32_t startScan, std::uint32_t scanLines,
                       std::span<std::uint8_t> bits, BitmapInfoHeader& info, std::uint32_t) {
  auto& t = table();
  std::lock_guard lock(t.mu);
  if (!t.find<DcObject>(dc)) return 0;
  BitmapObject* b = t.find<BitmapObject>(bitmap);
  if (!b) return 0;
  if (bits.empty()) {
    info = BitmapInfoHeader{};
    info.biWidth = b->width();
    info.biHeight = b->height();
    info.biSizeImage = b->width() * b->height() * 4;
    return b->height();
  }
  // A bitmap still black is read as rows of zeros, without making its pixels.
  if (b->pending() && b->pendingColour() != 0) return surfaceToDib(b->share().read(), startScan, scanLines, bits, info);
  return surfaceToDib(b->view(), startScan, scanLines, bits, info);
}

std::int32_t surfaceToDib(const Surface& s, std::uint32_t startScan, std::uint32_t scanLines,
                          std::span<std::uint8_t> bits, const BitmapInfoHeader& info) {
  std::optional<DibLayout> l = dibLayout(info);
  if (!l || startScan >= l->height) return 0;
  const std::int64_t lines = std::min<std::int64_t>(scanLines, l->height - startScan);
  if (static_cast<std::int64_t>(bits.size()) < lines * l->stride) return 0;
  const std::int64_t shared = std::min<std::int64_t>(l->width, s.width());
  for (std::int64_t line = 0; line < lines; ++line) {
    std::uint8_t* row = bits.data() + line * l->stride;
    const std::int64_t y = l->imageRow(startScan + line);
    const std::int64_t written = y < s.height() ? shared * l->bytesPixel : 0;
    if (written > 0) writeDibRow(row, s.row(static_cast<int>(y)), shared, l->bytesPixel);
    std::fill(row + written, row + l->stride, 0);
  }
  return static_cast<std::int32_t>(lines);
}

std::int32_t setDIBits(Handle dc, Handle bitmap, std::uint32_t startScan, std::uint32_t scanLines,
                       std::span<const std::uint8_t> bits, const BitmapInfoHeader& info, std::uint32_t) {
  auto& t = table();
  std::lock_guard lock(t.mu);
  if (dc != 0 && !t.find<DcObject>(dc)) return 0;
  BitmapObject* b = t.find<BitmapObject>(bitmap);
  if (!b) return 0;
  std::optional<DibLayout> l = dibLayout(info);
  if (!l || startScan >= l->height) return 0;
  const std::int64_t lines = std::min<std::int64_t>(scanLines, l->height - startScan);
  if (static_cast<std::int64_t>(bits.size()) < lines * l->stride) return 0;
  Surface& s = b->pixels();
  const std::int64_t shared = std::min<std::int64_t>(l->width, s.width());
  for (std::int64_t line = 0; line < lines; ++line) {
    const std::int64_t y = l->imageRow(startScan + line);
    if (y >= s.height()) continue;
    const std::uint8_t* row = bits.data() + line * l->stride;
    readDibRow(s.row(static_cast<int>(y)), row, shared, l->bytesPixel);
  }
  return static_cast<std::int32_t>(lines);
}

std::int32_t stretchDIBits(Handle dc, std::int32_t xDst, std::int32_t yDst, std::int32_t wDst, std::int32_t hDst,
                           std::int32_t xSrc, std::int32_t ySrc, std::int32_t wSrc, std::int32_t hSrc,
                           std::span<const std::uint8_t> bits, const BitmapInfoHeader& info, std::uint32_t,
                           std::uint32_t rop) {
  if (rop != kSrcCopy || wDst <= 0 || hDst <= 0 || wSrc <= 0 || hSrc <= 0) return 0;
  auto& t = table();
  std::lock_guard lock(t.mu);
  DcObject* d = t.find<DcObject>(dc);
  if (!d) return 0;
  std::optional<DibLayout> l = dibLayout(info);
  if (!l || static_cast<std::int64_t>(bits.size()) < l->height * l->stride) return 0;
  Surface* target = detail::drawTarget(t, *d);
  if (!target) return 0;
  // The top row of the source rectangle, counted from the image's top.
  const std::int64_t top = l->bottomUp ? l->height - std::int64_t{ySrc} - hSrc : ySrc;
  if (wDst == wSrc && hDst == hSrc) {
    // One to one: whole rows, clipped to both sides.
    const std::int64_t x0 = std::max<std::int64_t>({0, -std::int64_t{xDst}, -std::int64_t{xSrc}});
    const std::int64_t x1 = std::min<std::int64_t>({wDst, target->width() - std::int64_t{xDst}, l->width - std::int64_t{xSrc}});
    for (std::int64_t dy = 0; dy < hDst && x0 < x1; ++dy) {
      const std::int64_t ty = std::int64_t{yDst} + dy, sy = top + dy;
      if (ty < 0 || ty >= target->height() || sy < 0 || sy >= l->height) continue;
      const std::uint8_t* row = bits.data() + (l->bottomUp ? l->height - 1 - sy : sy) * l->stride;
      readDibRow(target->row(static_cast<int>(ty)) + xDst + x0, row + (xSrc + x0) * l->bytesPixel, x1 - x0,
                 l->bytesPixel);
    }
    return hDst;
  }
  for (std::int64_t dy = 0; dy < hDst; ++dy) {
    const std::int64_t ty = std::int64_t{yDst} + dy;
    const std::int64_t sy = top + dy * hSrc / hDst;
    if (ty < 0 || ty >= target->height() || sy < 0 || sy >= l->height) continue;
    const std::uint8_t* row = bits.data() + (l->bottomUp ? l->height - 1 - sy : sy) * l->stride;
    std::uint32_t* to = target->row(static_cast<int>(ty));
    for (std::int64_t dx = 0; dx < wDst; ++dx) {
      const std::int64_t tx = std::int64_t{xDst} + dx;
      const std::int64_t sx = std::int64_t{xSrc} + dx * wSrc / wDst;
      if (tx < 0 || tx >= target->width() || sx < 0 || sx >= l->width) continue;
      to[tx] = readDibPixel(row, sx, l->bytesPixel);
    }
  }
  return hDst;
}

}  // namespace rc::display
