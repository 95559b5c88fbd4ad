// The windows of one host session in the virtual display: the frame
// (1280x1024 at screen (0, 0)) with a toolbar, the feature tree and, last in
// Z order, the graphics view (1024x768 at (240, 80) inside the frame).
// Destroying the object destroys the windows.
#pragma once

#include <functional>
#include <string_view>

#include "platform/display/HandleTable.h"

namespace rc::sim::host {

class HostWindows {
 public:
  // `paintView` paints the graphics view; `keys` receives keystrokes sent
  // to the frame. Both must stay callable for the windows' lifetime.
  HostWindows(display::PaintHandler paintView, display::KeyHandler keys);
  ~HostWindows();
  HostWindows(const HostWindows&) = delete;
  HostWindows& operator=(const HostWindows&) = delete;

  display::Handle frame() const { return frame_; }
  display::Handle view() const { return view_; }
  // Marks the graphics view for repainting.
  void repaintView() const;
  // Makes the frame the active window (keystrokes go to it).
  void activate() const;
  // Destroys the windows now (idempotent).
  void close();

 private:
  display::Handle frame_ = 0;
  display::Handle toolbar_ = 0;
  display::Handle tree_ = 0;
  display::Handle view_ = 0;
};

}  // namespace rc::sim::host
