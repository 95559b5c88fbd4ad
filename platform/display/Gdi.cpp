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

}  // namespace

Surface* detail::drawTarget(HandleTable& t, const DcObject& dc) {
  if (dc.window != 0) {
    if (!t.find<WindowObject>(dc.window)) return nullptr;
    return &detail::paintedSurface(t, dc.window);
  }
  if (dc.bitmap == 0) return &stockBitmap();
  BitmapObject* b = t.find<BitmapObject>(dc.bitmap);
  return b ? &b->pixels() : &stockBitmap();
}

namespace {

using detail::drawTarget;

// What reading from a DC shows: the DC's own picture, or for a window with
// child windows the picture composed of them. Empty when there is none.
SharedSurface sourceOf(detail::HandleTable& t, const DcObject& dc) {
  if (dc.window == 0) {
    if (dc.bitmap == 0) return SharedSurface(Surface(1, 1));  // the stock bitmap
    BitmapObject* b = t.find<BitmapObject>(dc.bitmap);
    return b ? b->share() : SharedSurface(Surface(1, 1));
  }
  const WindowObject* w = t.find<WindowObject>(dc.window);
  if (!w) return SharedSurface();
  if (w->children.empty()) return detail::shownSurface(t, dc.window);
  return SharedSurface(detail::composedSurface(t, dc.window));
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
  return t.add(BitmapObject::filled(width, height));
}

Handle copyBitmap(Handle bitmap) {
  auto& t = table();
  std::lock_guard lock(t.mu);
  BitmapObject* b = t.find<BitmapObject>(bitmap);
  if (!b) return 0;
  if (b->pending()) return t.add(BitmapObject::filled(b->width(), b->height(), b->pendingColour()));
  return t.add(BitmapObject(b->share()));
}

Handle createFilledBitmap(std::int32_t width, std::int32_t height, std::uint32_t colour) {
  auto& t = table();
  std::lock_guard lock(t.mu);
  if (width <= 0 || height <= 0) return 0;
  return t.add(BitmapObject::filled(width, height, colour));
}

Handle createBitmap(const Surface& pixels) {
  auto& t = table();
  std::lock_guard lock(t.mu);
  return t.add(BitmapObject(pixels));
}

Handle createBitmap(Surface&& pixels) {
  auto& t = table();
  std::lock_guard lock(t.mu);
  return t.add(BitmapObject(std::move(pixels)));
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
    Surface* target = drawTarget(t, dcopy);
    if (!target) return false;
    target->fillRect(x, y, width, height, rop == kBlackness ? 0 : 0x00FFFFFF);
    return true;
  }
  if (rop != kSrcCopy) return false;
  DcObject* s = t.find<DcObject>(src);
  if (!s) return false;
  if (s->window != 0 && !t.find<WindowObject>(s->window)) return false;
  // Held here, the source keeps its picture while a painter or the target
  // changes any surface.
  const SharedSurface from = sourceOf(t, *s);
  // A bitmap of one colour covered whole by a picture of its size shares it.
  if (BitmapObject* b = dcopy.window == 0 ? t.find<BitmapObject>(dcopy.bitmap) : nullptr;
      b && b->pending() && x == 0 && y == 0 && srcX == 0 && srcY == 0 && width >= b->width() &&
      height >= b->height() && from.width() == b->width() && from.height() == b->height()) {
    b->cover(from);
    return true;
  }
  Surface* target = drawTarget(t, dcopy);
  if (!target) return false;
  target->copyFrom(from.read(), srcX, srcY, x, y, width, height);
  return true;
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

std::int32_t getObject(Handle object, BitmapRecord& out) {
  auto& t = table();
  std::lock_guard lock(t.mu);
  BitmapObject* b = t.find<BitmapObject>(object);
  if (!b) return 0;
  out = BitmapRecord{};
  out.bmWidth = b->width();
  out.bmHeight = b->height();
  out.bmWidthBytes = b->width() * 4;
  out.bmBitsPixel = static_cast<std::int16_t>(b->bitsPixel);
  return static_cast<std::int32_t>(sizeof(BitmapRecord));
}

std::size_t gdiObjectCount() {
  auto& t = table();
  std::lock_guard lock(t.mu);
  std::size_t n = 0;
  for (const auto& [h, obj] : t.objects) n += std::holds_alternative<WindowObject>(obj) ? 0 : 1;
  return n;
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
  return b ? b->share().read() : Surface();
}

std::shared_ptr<const Surface> bitmapSnapshot(Handle bitmap) {
  auto& t = table();
  std::lock_guard lock(t.mu);
  BitmapObject* b = t.find<BitmapObject>(bitmap);
  if (!b || b->pending()) return nullptr;
  return b->share().snapshot();
}

bool readBitmap(Handle bitmap, const std::function<void(const Surface&)>& read) {
  auto& t = table();
  std::lock_guard lock(t.mu);
  BitmapObject* b = t.find<BitmapObject>(bitmap);
  if (!b) return false;
  // Held here, the pixels stay as they are should `read` draw on the bitmap.
  const SharedSurface pixels = b->share();
  read(pixels.read());
  return true;
}

bool paintBitmap(Handle bitmap, const std::function<void(Surface&)>& paint) {
  auto& t = table();
  std::lock_guard lock(t.mu);
  BitmapObject* b = t.find<BitmapObject>(bitmap);
  if (!b) return false;
  paint(b->pixels());
  return true;
}

}  // namespace rc::display
