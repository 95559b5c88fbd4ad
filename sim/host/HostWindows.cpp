#include "sim/host/HostWindows.h"

#include "platform/display/Input.h"
#include "platform/display/Windows.h"

namespace rc::sim::host {

using display::Rect;
using display::rgb;

HostWindows::HostWindows(display::PaintHandler paintView, display::KeyHandler keys) {
  frame_ = display::createWindow(0, Rect{0, 0, 1280, 1024}, [](display::Surface& s) { s.fill(rgb(240, 240, 240)); });
  toolbar_ = display::createWindow(frame_, Rect{0, 0, 1280, 80}, [](display::Surface& s) {
    s.fill(rgb(225, 225, 225));
    s.fillRect(0, s.height() - 1, s.width(), 1, rgb(160, 160, 160));
  });
  tree_ = display::createWindow(frame_, Rect{0, 80, 240, 1024}, [](display::Surface& s) {
    s.fill(rgb(255, 255, 255));
    s.fillRect(s.width() - 1, 0, 1, s.height(), rgb(160, 160, 160));
  });
  view_ = display::createWindow(frame_, Rect{240, 80, 240 + 1024, 80 + 768}, std::move(paintView));
  display::setKeyHandler(frame_, std::move(keys));
  activate();
}

HostWindows::~HostWindows() { close(); }

void HostWindows::repaintView() const { display::invalidate(view_); }

void HostWindows::activate() const { display::setActiveWindow(frame_); }

void HostWindows::close() {
  if (frame_ == 0) return;
  display::destroyWindow(frame_);
  frame_ = toolbar_ = tree_ = view_ = 0;
}

}  // namespace rc::sim::host
