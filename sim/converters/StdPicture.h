// A picture object: a bitmap of the virtual display that the object owns
// (deleted when it ends), or no picture at all. Handle is the bitmap (0 for
// none); Width and Height are its size in pixels.
#pragma once

#include <memory>

#include "platform/automation/Dispatch.h"
#include "platform/display/Gdi.h"
#include "platform/display/HandleTable.h"

namespace rc::sim::converters {

class StdPicture : public automation::Dispatch {
 public:
  static const automation::ClassInfo& info();
  const automation::ClassInfo& typeInfo() const override { return info(); }

  // A picture of `pixels` (no picture when it is empty).
  explicit StdPicture(display::Surface pixels);
  StdPicture() = default;
  // A picture of what `bitmap` holds now, sharing its pixels until either is
  // drawn on (no picture when `bitmap` is 0 or no bitmap).
  static std::shared_ptr<StdPicture> copyOf(display::Handle bitmap);
  ~StdPicture() override;
  StdPicture(const StdPicture&) = delete;
  StdPicture& operator=(const StdPicture&) = delete;

  display::Handle handle() const { return bitmap_; }
  // The bitmap's record: its width and height (0 for no picture).
  display::BitmapRecord size() const;
  // A copy of the pixels (empty for no picture).
  display::Surface pixels() const;

 private:
  display::Handle bitmap_ = 0;
};

}  // namespace rc::sim::converters
