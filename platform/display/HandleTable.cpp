#include "platform/display/HandleTable.h"

namespace rc::display::detail {

Handle HandleTable::add(Object obj) {
  Handle h = next;
  next += 4;
  if (next < 0x00010004) next = 0x00010004;  // wrapped after four billion objects: start over
  objects.emplace(h, std::move(obj));
  return h;
}

HandleTable& table() {
  // Never destroyed: objects that own windows may be released during static
  // destruction (a session still running at exit) and must find the table.
  static HandleTable* t = new HandleTable;
  return *t;
}

Surface& paintedSurface(HandleTable& t, Handle window) {
  WindowObject* w = t.find<WindowObject>(window);
  static Surface none;
  if (!w) return none;
  if (w->surface.width() != w->rect.width() || w->surface.height() != w->rect.height()) {
    w->surface.resize(w->rect.width(), w->rect.height());
    w->dirty = true;
  }
  if (w->dirty) {
    w->dirty = false;
    if (w->paint) {
      // The painter may call back into the display; copy it so a change of
      // handler during the paint cannot destroy the running function.
      PaintHandler paint = w->paint;
      Surface fresh(w->rect.width(), w->rect.height());
      paint(fresh);
      w = t.find<WindowObject>(window);
      if (!w) return none;
      if (fresh.width() == w->rect.width() && fresh.height() == w->rect.height()) w->surface = std::move(fresh);
    }
  }
  return w->surface;
}

Surface composedSurface(HandleTable& t, Handle window) {
  Surface out = paintedSurface(t, window);
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
