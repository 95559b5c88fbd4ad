// Windows of the virtual display (stands for user32's window functions).
//
// A window has a parent (0 for a top-level window), children in Z order
// (topmost first), a rectangle and a 32-bit surface that its owner paints
// through a PaintHandler. Windows have no borders or caption of their own:
// the whole window is its client area, so a child's position is relative to
// its parent's top-left corner. Functions given a handle that is not a
// window answer 0 / false and change nothing.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/display/HandleTable.h"

namespace rc::display {

// GetWindow relations.
enum class Relation : std::uint8_t {
  First = 0,     // the topmost sibling
  Last = 1,      // the bottom sibling
  Next = 2,      // the sibling below (GW_HWNDNEXT)
  Previous = 3,  // the sibling above (GW_HWNDPREV)
  Owner = 4,     // no owned windows here: always 0
  Child = 5,     // the topmost child (GW_CHILD)
};

// Creates a window. `rect` is relative to the parent (screen coordinates
// for a top-level window); a new child goes to the bottom of its parent's Z
// order. Answers 0 when `parent` is given and is not a window.
Handle createWindow(Handle parent, Rect rect, PaintHandler paint = {});
// Destroys the window and its children; their surfaces go with them.
void destroyWindow(Handle window);
bool isWindow(Handle window);

// Installs the window's painter and marks it for repainting.
void setPaintHandler(Handle window, PaintHandler paint);
void setKeyHandler(Handle window, KeyHandler keys);
// Marks the window for repainting; it is painted before its pixels are next read.
void invalidate(Handle window);
// Paints the window now when it is marked.
void updateWindow(Handle window);
// A copy of what the window shows: its surface with its children over it.
Surface capture(Handle window);
// Runs `read` on what capture would give, in place when the window has no
// children (no copy is made); false, without calling it, for no window.
// `read` must not call the display.
bool readCapture(Handle window, const std::function<void(const Surface&)>& read);

// GetWindowRect: the window's rectangle in screen coordinates.
bool getWindowRect(Handle window, Rect& out);
// GetParent: the parent window, or 0.
Handle getParent(Handle window);
// GetWindow: the window in that relation, or 0.
Handle getWindow(Handle window, Relation relation);
// MoveWindow: new position (relative to the parent) and size; the window is
// marked for repainting at its new size, and with `repaint` painted at once.
bool moveWindow(Handle window, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                bool repaint = true);

}  // namespace rc::display
