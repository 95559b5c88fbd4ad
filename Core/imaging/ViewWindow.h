// Preparing the host's graphics view for a capture.
#pragma once

#include <cstdint>

namespace rc::core {

// The last child in Z order of the first child of hwnd's top-level window
// (0 when there is none). Stores it in `hwnd` too.
std::int32_t GetLastTopChild(std::int32_t& hwnd);

// Moves hwnd to where it is within its parent and sizes it to 906 x 831
// pixels, repainting, then waits until three second boundaries have passed
// (less than three seconds), processing pending events meanwhile. Answers
// 0, or 1 when an error cut it short.
std::int16_t SizeViewWindow(std::int32_t hwnd);

}  // namespace rc::core
