#include "platform/display/HandleTable.h"

#include <algorithm>

namespace rc::display::detail {

Handle HandleTable::add(Object obj) {
  Handle h = next;
  next += 4;
  if (next < 0x00010004) next = 0x00010004;  // wrapped after four billion objects: start over
  objects.emplace(h, std::move(obj));
  return h;
}

BitmapObject BitmapObject::filled(int width, int height, std::uint32_t colour) {
  BitmapObject b{Surface()};
  b.pendingWidth_ = std::clamp(width, 0, kMaxSurfaceSide);
  b.pendingHeight_ = std::clamp(height, 0, kMaxSurfaceSide);
  b.pendingColour_ = colour;
  if (b.pendingWidth_ == 0 || b.pendingHeight_ == 0) b.pendingWidth_ = b.pendingHeight_ = 0;
  return b;
}

Surface& BitmapObject::pixels() {
  if (pending()) {
    surface_ = SharedSurface(Surface(pendingWidth_, pendingHeight_, pendingColour_));
    pendingWidth_ = pendingHeight_ = 0;
  }
  return surface_.write();
}

SharedSurface BitmapObject::share() {
  if (pending()) pixels();
  return surface_;
}

void BitmapObject::cover(SharedSurface pixels) {
  surface_ = std::move(pixels);
  pendingWidth_ = pendingHeight_ = 0;
}

HandleTable& table() {
  // Never destroyed: objects that own windows may be released during static
  // destruction (a session still running at exit) and must find the table.
  static HandleTable* t = new HandleTable;
  return *t;
}

const SharedSurface& shownSurface(HandleTable& t, Handle window) {
  static const SharedSurface none;
  WindowObject* w = t.find<WindowObject>(window);
  if (!w) return none;
  const int width = w->rect.width(), height = w->rect.height();
  if (w->surface.width() != width || w->surface.height() != height) {
    // Black until painted (and what the painter itself reads of it).
    w->surface = SharedSurface(Surface(width, height));
    w->dirty = true;
  }
  if (w->dirty) {
    w->dirty = false;
    if (w->paint) {
      // The painter may call back into the display; copy it so a change of
      // handler during the paint cannot destroy the running function.
      PaintHandler paint = w->paint;
      Surface fresh = Surface::unfilled(width, height);
      paint(fresh);
      w = t.find<WindowObject>(window);
      if (!w) return none;
      if (fresh.width() == w->rect.width() && fresh.height() == w->rect.height())
        w->surface = SharedSurface(std::move(fresh));
    }
  }
  return w->surface;
}

Surface& paintedSurface(HandleTable& t, Handle window) {
  static Surface none;
  shownSurface(t, window);
  WindowObject* w = t.find<WindowObject>(window);
  if (!w) {
    none = Surface();
    return none;
  }
  return w->surface.write();
}

Surface composedSurface(HandleTable& t, Handle window) {
  Surface out = shownSurface(t, window).read();
  WindowObject* w = t.find<WindowObject>(window);
  if (!w) return out;
  std::vector<Handle> children = w->children;
  for (auto it = children.rbegin(); it != children.rend(); ++it) {
    WindowObject* c = t.find<WindowObject>(*it);
    if (!c) continue;
    Rect r = c->rect;
    Surface child = composedSurface(t, *it);
    out.draw(child, r.left, r.top);
  }
  return out;
}

}  // namespace rc::display::detail
