// The virtual display's handle table: the one process-wide store of windows,
// device contexts and bitmaps (stands for the window manager's and GDI's
// object tables). Every object gets a distinct 32-bit handle, never 0, never
// reused while the process runs. The public functions in Windows.h, Gdi.h and
// Input.h are built on it; code outside platform/display uses those.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

#include "platform/display/SharedSurface.h"
#include "platform/display/Surface.h"

namespace rc::display {

using Handle = std::uint32_t;

struct Rect {
  std::int32_t left = 0, top = 0, right = 0, bottom = 0;
  std::int32_t width() const { return right - left; }
  std::int32_t height() const { return bottom - top; }
  friend bool operator==(const Rect&, const Rect&) = default;
};

// Paints a window's surface: it has the window's size and its pixels are
// unset, so the painter writes every one of them.
using PaintHandler = std::function<void(Surface& surface)>;
// Receives a keystroke string sent to a window (SendKeys notation).
using KeyHandler = std::function<void(std::string_view keys)>;

namespace detail {

struct WindowObject {
  Handle parent = 0;
  std::vector<Handle> children;  // Z order, topmost first
  Rect rect;                     // relative to the parent's top-left corner (screen for top level)
  SharedSurface surface;
  PaintHandler paint;
  KeyHandler keys;
  bool dirty = true;
};

struct DcObject {
  Handle window = 0;  // the window of a window DC; 0 for a memory DC
  Handle bitmap = 0;  // the selected bitmap of a memory DC; 0 is the stock 1x1 bitmap
};

// A bitmap. One made of one colour (black from CreateCompatibleBitmap)
// keeps no pixels until it is drawn on or read, so a bitmap about to be
// covered by a copy is never filled first.
class BitmapObject {
 public:
  explicit BitmapObject(Surface pixels) : surface_(std::move(pixels)) {}
  explicit BitmapObject(SharedSurface pixels) : surface_(std::move(pixels)) {}
  // A bitmap of width x height (each clamped as Surface::resize does) all
  // of `colour`, black unless given.
  static BitmapObject filled(int width, int height, std::uint32_t colour = 0);

  int width() const { return pending() ? pendingWidth_ : surface_.width(); }
  int height() const { return pending() ? pendingHeight_ : surface_.height(); }
  // Whether the bitmap is still of one colour and keeps no pixels.
  bool pending() const { return pendingWidth_ > 0; }
  // The colour of a pending bitmap.
  std::uint32_t pendingColour() const { return pendingColour_; }
  // The pixels to draw on, filled first while pending.
  Surface& pixels();
  // The pixels to read (none while pending).
  const Surface& view() const { return surface_.read(); }
  // The pixels to keep, filled first while pending.
  SharedSurface share();
  // Takes `pixels`, of the bitmap's own size, as its whole picture.
  void cover(SharedSurface pixels);

  int bitsPixel = 32;

 private:
  SharedSurface surface_;
  int pendingWidth_ = 0, pendingHeight_ = 0;
  std::uint32_t pendingColour_ = 0;
};

using Object = std::variant<WindowObject, DcObject, BitmapObject>;

struct HandleTable {
  std::recursive_mutex mu;
  std::unordered_map<Handle, Object> objects;
  Handle next = 0x00010004;
  Handle active = 0;
  std::int32_t cursorX = 0, cursorY = 0;

  Handle add(Object obj);
  template <typename T>
  T* find(Handle h) {
    auto it = objects.find(h);
    return it == objects.end() ? nullptr : std::get_if<T>(&it->second);
  }
};

// The surface a DC draws on (a memory DC's selected bitmap, at first the
// stock 1x1 bitmap; a window DC's painted window), or nullptr when the
// window is gone. Requires the lock.
Surface* drawTarget(HandleTable& t, const DcObject& dc);

// The process's table. Lock `mu` for every access.
HandleTable& table();

// The window's picture, repainted first when it is marked dirty (an empty
// one when the window is gone). Requires the lock.
const SharedSurface& shownSurface(HandleTable& t, Handle window);
// The same, to draw on. Requires the lock.
Surface& paintedSurface(HandleTable& t, Handle window);
// The window with its children drawn over it in Z order, as the screen shows
// it. Requires the lock.
Surface composedSurface(HandleTable& t, Handle window);

}  // namespace detail
}  // namespace rc::display
