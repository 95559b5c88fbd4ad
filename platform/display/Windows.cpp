#include "platform/display/Windows.h"

#include <algorithm>

namespace rc::display {

using detail::table;
using detail::WindowObject;

namespace {

Rect clampedRect(std::int32_t x, std::int32_t y, std::int32_t w, std::int32_t h) {
  w = std::clamp(w, 0, kMaxSurfaceSide);
  h = std::clamp(h, 0, kMaxSurfaceSide);
  x = std::clamp(x, -(1 << 28), 1 << 28);
  y = std::clamp(y, -(1 << 28), 1 << 28);
  return Rect{x, y, x + w, y + h};
}

void destroyLocked(detail::HandleTable& t, Handle window) {
  WindowObject* w = t.find<WindowObject>(window);
  if (!w) return;
  std::vector<Handle> children = w->children;
  for (Handle c : children) destroyLocked(t, c);
  w = t.find<WindowObject>(window);
  if (WindowObject* p = t.find<WindowObject>(w->parent)) std::erase(p->children, window);
  // Device contexts of the window become unusable but keep their handles
  // until DeleteDC / ReleaseDC.
  for (auto& [h, obj] : t.objects)
    if (auto* dc = std::get_if<detail::DcObject>(&obj); dc && dc->window == window) dc->window = 0;
  if (t.active == window) t.active = 0;
  t.objects.erase(window);
}

}  // namespace

Handle createWindow(Handle parent, Rect rect, PaintHandler paint) {
  auto& t = table();
  std::lock_guard lock(t.mu);
  if (parent != 0 && !t.find<WindowObject>(parent)) return 0;
  WindowObject w;
  w.parent = parent;
  w.rect = clampedRect(rect.left, rect.top, rect.width(), rect.height());
  w.paint = std::move(paint);
  Handle h = t.add(std::move(w));
  if (WindowObject* p = t.find<WindowObject>(parent)) {
    p->children.push_back(h);
    p->dirty = true;
  }
  return h;
}

void destroyWindow(Handle window) {
  auto& t = table();
  std::lock_guard lock(t.mu);
  destroyLocked(t, window);
}

bool isWindow(Handle window) {
  auto& t = table();
  std::lock_guard lock(t.mu);
  return t.find<WindowObject>(window) != nullptr;
}

void setPaintHandler(Handle window, PaintHandler paint) {
  auto& t = table();
  std::lock_guard lock(t.mu);
  if (WindowObject* w = t.find<WindowObject>(window)) {
    w->paint = std::move(paint);
    w->dirty = true;
  }
}

void setKeyHandler(Handle window, KeyHandler keys) {
  auto& t = table();
  std::lock_guard lock(t.mu);
  if (WindowObject* w = t.find<WindowObject>(window)) w->keys = std::move(keys);
}

void invalidate(Handle window) {
  auto& t = table();
  std::lock_guard lock(t.mu);
  if (WindowObject* w = t.find<WindowObject>(window)) w->dirty = true;
}

void updateWindow(Handle window) {
  auto& t = table();
  std::lock_guard lock(t.mu);
  detail::shownSurface(t, window);
}

Surface capture(Handle window) {
  auto& t = table();
  std::lock_guard lock(t.mu);
  if (!t.find<WindowObject>(window)) return Surface();
  return detail::composedSurface(t, window);
}

bool readCapture(Handle window, const std::function<void(const Surface&)>& read) {
  auto& t = table();
  std::lock_guard lock(t.mu);
  WindowObject* w = t.find<WindowObject>(window);
  if (!w) return false;
  if (!w->children.empty()) {
    read(detail::composedSurface(t, window));
    return true;
  }
  // Held here, the picture stays whole should `read` draw on the window.
  const SharedSurface shown = detail::shownSurface(t, window);
  read(shown.read());
  return true;
}

bool getWindowRect(Handle window, Rect& out) {
  auto& t = table();
  std::lock_guard lock(t.mu);
  WindowObject* w = t.find<WindowObject>(window);
  if (!w) return false;
  Rect r = w->rect;
  for (WindowObject* p = t.find<WindowObject>(w->parent); p; p = t.find<WindowObject>(p->parent)) {
    r.left += p->rect.left;
    r.right += p->rect.left;
    r.top += p->rect.top;
    r.bottom += p->rect.top;
  }
  out = r;
  return true;
}

Handle getParent(Handle window) {
  auto& t = table();
  std::lock_guard lock(t.mu);
  WindowObject* w = t.find<WindowObject>(window);
  return w ? w->parent : 0;
}

Handle getWindow(Handle window, Relation relation) {
  auto& t = table();
  std::lock_guard lock(t.mu);
  WindowObject* w = t.find<WindowObject>(window);
  if (!w) return 0;
  if (relation == Relation::Child) return w->children.empty() ? 0 : w->children.front();
  if (relation == Relation::Owner) return 0;
  std::vector<Handle> siblings;
  if (WindowObject* p = t.find<WindowObject>(w->parent)) {
    siblings = p->children;
  } else {
    for (auto& [h, obj] : t.objects)
      if (auto* o = std::get_if<WindowObject>(&obj); o && o->parent == 0) siblings.push_back(h);
    std::sort(siblings.begin(), siblings.end(), std::greater<>());  // newest top-level window on top
  }
  auto it = std::find(siblings.begin(), siblings.end(), window);
  if (it == siblings.end()) return 0;
  switch (relation) {
    case Relation::First: return siblings.front();
    case Relation::Last: return siblings.back();
    case Relation::Next: return std::next(it) == siblings.end() ? 0 : *std::next(it);
    case Relation::Previous: return it == siblings.begin() ? 0 : *std::prev(it);
    default: return 0;
  }
}

bool moveWindow(Handle window, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                bool repaint) {
  auto& t = table();
  std::lock_guard lock(t.mu);
  WindowObject* w = t.find<WindowObject>(window);
  if (!w) return false;
  w->rect = clampedRect(x, y, width, height);
  w->dirty = true;
  if (WindowObject* p = t.find<WindowObject>(w->parent)) p->dirty = true;
  if (repaint) detail::shownSurface(t, window);
  return true;
}

}  // namespace rc::display
