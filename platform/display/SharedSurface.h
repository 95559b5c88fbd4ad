// SharedSurface: a surface that several display objects may hold at once (a
// window's picture and the bitmaps copied from it, a bitmap and the
// pictures read from it), copied only when one of its holders draws on it.
#pragma once

#include <atomic>
#include <memory>
#include <utility>

#include "platform/display/Surface.h"

namespace rc::display {

class SharedSurface {
 public:
  SharedSurface() = default;
  explicit SharedSurface(Surface pixels) : p_(std::make_shared<Surface>(std::move(pixels))) {}

  // The pixels to read; an empty surface when none were given.
  const Surface& read() const { return p_ ? *p_ : empty(); }
  int width() const { return read().width(); }
  int height() const { return read().height(); }

  // The pixels to draw on: this holder's own, copied first while another
  // holds them too. A reference got before does not see later drawing.
  Surface& write() {
    if (!p_) p_ = std::make_shared<Surface>();
    else if (p_.use_count() > 1) p_ = std::make_shared<Surface>(*p_);
    else std::atomic_thread_fence(std::memory_order_acquire);  // after the last other holder's reads
    return *p_;
  }

  // The pixels as they are now, for a reader that keeps them: drawing on
  // this holder afterwards copies them first (nullptr when none were given).
  std::shared_ptr<const Surface> snapshot() const { return p_; }

 private:
  static const Surface& empty() {
    static const Surface none;
    return none;
  }
  std::shared_ptr<Surface> p_;
};

}  // namespace rc::display
