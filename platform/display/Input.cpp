#include "platform/display/Input.h"

namespace rc::display {

using detail::table;
using detail::WindowObject;

Handle setActiveWindow(Handle window) {
  auto& t = table();
  std::lock_guard lock(t.mu);
  Handle previous = t.active;
  if (window == 0 || t.find<WindowObject>(window)) t.active = window;
  return previous;
}

Handle activeWindow() {
  auto& t = table();
  std::lock_guard lock(t.mu);
  if (!t.find<WindowObject>(t.active)) t.active = 0;
  return t.active;
}

bool sendKeys(std::string_view keys) {
  KeyHandler handler;
  {
    auto& t = table();
    std::lock_guard lock(t.mu);
    for (WindowObject* w = t.find<WindowObject>(t.active); w; w = t.find<WindowObject>(w->parent)) {
      if (w->keys) {
        handler = w->keys;
        break;
      }
    }
  }
  if (!handler) return false;
  handler(keys);
  return true;
}

bool setCursorPos(std::int32_t x, std::int32_t y) {
  auto& t = table();
  std::lock_guard lock(t.mu);
  t.cursorX = x;
  t.cursorY = y;
  return true;
}

void cursorPos(std::int32_t& x, std::int32_t& y) {
  auto& t = table();
  std::lock_guard lock(t.mu);
  x = t.cursorX;
  y = t.cursorY;
}

}  // namespace rc::display
