#include "platform/display/Gdi.h"

#include <algorithm>

namespace rc::display {

using detail::BitmapObject;
using detail::DcObject;
using detail::table;
using detail::WindowObject;

namespace {

// The 1x1 black bitmap a memory DC starts with.
Surface& stockBitmap() {
  static Surface s(1, 1);
  s.fill(0);
  return s;
}

// The surface a DC draws on, or nullptr.
Surface* targetOf(detail::HandleTable& t, const DcObject& dc) {
  if (dc.window != 0) {
    if (!t.find<WindowObject>(dc.window)) return nullptr;
    return &detail::paintedSurface(t, dc.window);
  }
  if (dc.bitmap == 0) return &stockBitmap();
  BitmapObject* b = t.find<BitmapObject>(dc.bitmap);
  return b ? &b->surface : &stockBitmap();
}

// What reading from a DC shows.
bool sourceOf(detail::HandleTable& t, const DcObject& dc, Surface& out) {
  if (dc.window != 0) {
    if (!t.find<WindowObject>(dc.window)) return false;
    out = detail::composedSurface(t, dc.window);
    return true;
  }
  Surface* s = targetOf(t, dc);
  if (!s) return false;
  out = *s;
  return true;
}

}  // namespace

Handle getWindowDC(Handle window) {
  auto& t = table();
  std::lock_guard lock(t.mu);
  if (!t.find<WindowObject>(window)) return 0;
  return t.add(DcObject{window, 0});
}

bool releaseDC(Handle, Handle dc) {
  auto& t = table();
  std::lock_guard lock(t.mu);
  DcObject* d = t.find<DcObject>(dc);
  if (!d || d->bitmap != 0) return false;
  t.objects.erase(dc);
  return true;
}

Handle createCompatibleDC(Handle dc) {
  auto& t = table();
  std::lock_guard lock(t.mu);
  if (dc != 0 && !t.find<DcObject>(dc)) return 0;
  return t.add(DcObject{0, 0});
}

Handle createCompatibleBitmap(Handle dc, std::int32_t width, std::int32_t height) {
  auto& t = table();
  std::lock_guard lock(t.mu);
  if (dc != 0 && !t.find<DcObject>(dc)) return 0;
  if (width <= 0 || height <= 0) return 0;
  BitmapObject b;
  b.surface.resize(width, height, 0);
  return t.add(std::move(b));
}

Handle createBitmap(const Surface& pixels) {
  auto& t = table();
  std::lock_guard lock(t.mu);
  BitmapObject b;
  b.surface = pixels;
  return t.add(std::move(b));
}

Handle selectObject(Handle dc, Handle object) {
  auto& t = table();
  std::lock_guard lock(t.mu);
  DcObject* d = t.find<DcObject>(dc);
  if (!d || d->window != 0) return 0;
  if (object != 0 && !t.find<BitmapObject>(object)) return 0;
  Handle previous = d->bitmap;
  d->bitmap = object;
  return previous;
}

bool bitBlt(Handle dst, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height, Handle src,
            std::int32_t srcX, std::int32_t srcY, std::uint32_t rop) {
  auto& t = table();
  std::lock_guard lock(t.mu);
  DcObject* d = t.find<DcObject>(dst);
  if (!d) return false;
  DcObject dcopy = *d;
  if (rop == kBlackness || rop == kWhiteness) {
    Surface* target = targetOf(t, dcopy);
    if (!target) return false;
    target->fillRect(x, y, width, height, rop == kBlackness ? 0 : 0x00FFFFFF);
    return true;
  }
  if (rop != kSrcCopy) return false;
  DcObject* s = t.find<DcObject>(src);
  if (!s) return false;
  Surface from;
  if (!sourceOf(t, *s, from)) return false;
  Surface* target = targetOf(t, dcopy);
  if (!target) return false;
  target->copyFrom(from, srcX, srcY, x, y, width, height);
  return true;
}

std::int32_t getDIBits(Handle dc, Handle bitmap, std::uint32_t startScan, std::uint32_t scanLines,
                       std::span<std::uint8_t> bits, BitmapInfoHeader& info, std::uint32_t) {
  auto& t = table();
  std::lock_guard lock(t.mu);
  if (!t.find<DcObject>(dc)) return 0;
  BitmapObject* b = t.find<BitmapObject>(bitmap);
  if (!b) return 0;
  const Surface& s = b->surface;
  if (bits.empty()) {
    info = BitmapInfoHeader{};
    info.biWidth = s.width();
    info.biHeight = s.height();
    info.biSizeImage = s.width() * s.height() * 4;
    return s.height();
  }
  if (info.biBitCount != 32 && info.biBitCount != 24) return 0;
  if (info.biCompression != 0 || info.biWidth <= 0 || info.biHeight == 0) return 0;
  if (info.biWidth > kMaxSurfaceSide || info.biHeight > kMaxSurfaceSide || info.biHeight < -kMaxSurfaceSide) return 0;
  const std::int64_t width = info.biWidth;
  const std::int64_t height = info.biHeight < 0 ? -std::int64_t{info.biHeight} : info.biHeight;
  const bool bottomUp = info.biHeight > 0;
  const int bytesPixel = info.biBitCount / 8;
  const std::int64_t stride = (width * info.biBitCount + 31) / 32 * 4;
  if (startScan >= height) return 0;
  const std::int64_t lines = std::min<std::int64_t>(scanLines, height - startScan);
  if (static_cast<std::int64_t>(bits.size()) < lines * stride) return 0;
  for (std::int64_t line = 0; line < lines; ++line) {
    std::int64_t scan = startScan + line;
    // Scan line 0 of a bottom-up DIB is the bottom row of the image.
    int y = static_cast<int>(bottomUp ? height - 1 - scan : scan);
    std::uint8_t* row = bits.data() + line * stride;
    std::fill(row, row + stride, 0);
    for (std::int64_t x = 0; x < width; ++x) {
      std::uint32_t c = s.pixel(static_cast<int>(x), y);
      std::uint8_t* p = row + x * bytesPixel;
      p[0] = blueOf(c);
      p[1] = greenOf(c);
      p[2] = redOf(c);
      if (bytesPixel == 4) p[3] = 0;
    }
  }
  return static_cast<std::int32_t>(lines);
}

bool deleteDC(Handle dc) {
  auto& t = table();
  std::lock_guard lock(t.mu);
  if (!t.find<DcObject>(dc)) return false;
  t.objects.erase(dc);
  return true;
}

bool deleteObject(Handle object) {
  auto& t = table();
  std::lock_guard lock(t.mu);
  if (!t.find<BitmapObject>(object)) return false;
  for (auto& [h, obj] : t.objects)
    if (auto* d = std::get_if<DcObject>(&obj); d && d->bitmap == object) d->bitmap = 0;
  t.objects.erase(object);
  return true;
}

bool isDC(Handle h) {
  auto& t = table();
  std::lock_guard lock(t.mu);
  return t.find<DcObject>(h) != nullptr;
}

bool isBitmap(Handle h) {
  auto& t = table();
  std::lock_guard lock(t.mu);
  return t.find<BitmapObject>(h) != nullptr;
}

Surface bitmapPixels(Handle bitmap) {
  auto& t = table();
  std::lock_guard lock(t.mu);
  BitmapObject* b = t.find<BitmapObject>(bitmap);
  return b ? b->surface : Surface();
}

}  // namespace rc::display
