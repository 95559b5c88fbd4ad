// Keyboard and mouse of the virtual display: the active window, keystrokes
// sent to it (SendKeys) and the cursor position (SetCursorPos).
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/display/HandleTable.h"

namespace rc::display {

// Makes `window` the active window (0 for none). Answers the previous one.
Handle setActiveWindow(Handle window);
Handle activeWindow();

// Sends a keystroke string to the active window: the key handler of that
// window, or of its nearest ancestor that has one, receives it before this
// returns (so "wait until processed" always holds). Answers whether a
// handler received it.
bool sendKeys(std::string_view keys);

// SetCursorPos / GetCursorPos, in screen coordinates.
bool setCursorPos(std::int32_t x, std::int32_t y);
void cursorPos(std::int32_t& x, std::int32_t& y);

}  // namespace rc::display
