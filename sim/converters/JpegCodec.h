// JPEG files through libjpeg-turbo.
#pragma once

#include <string>

#include "platform/display/Surface.h"

namespace rc::sim::converters {

// A baseline JPEG file of `image` at `quality` (clamped to 1..100; 100 is
// the least loss). std::runtime_error with libjpeg's message when it fails.
std::string encodeJpeg(const display::Surface& image, int quality);

}  // namespace rc::sim::converters
