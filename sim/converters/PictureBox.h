// The picture holder: a drawing surface with a memory device context (hdc)
// of the virtual display, sized in twips (15 to a pixel). Drawing on hdc
// stays on the surface; Image is a picture of it. Assigning a picture
// (Picture) sizes the holder to it and shows it at the top left; assigning
// an empty picture clears the surface to white. Its DC and bitmap are
// deleted when the object ends.
#pragma once

#include <cstdint>

#include "platform/automation/Dispatch.h"
#include "platform/display/HandleTable.h"

namespace rc::sim::converters {

inline constexpr std::int32_t kTwipsPerPixel = 15;

class PictureBox : public automation::Dispatch {
 public:
  static const automation::ClassInfo& info();
  const automation::ClassInfo& typeInfo() const override { return info(); }

  PictureBox();
  ~PictureBox() override;
  PictureBox(const PictureBox&) = delete;
  PictureBox& operator=(const PictureBox&) = delete;

  std::int32_t hdc() const { return static_cast<std::int32_t>(dc_); }
  std::int32_t Width() const { return widthPx_ * kTwipsPerPixel; }
  std::int32_t Height() const { return heightPx_ * kTwipsPerPixel; }
  // Resizes the surface to the nearest whole pixels (content kept at the top left).
  void setWidth(std::int32_t twips);
  void setHeight(std::int32_t twips);
  // Converts `value` between scale units: 1 twips, 2 points, 3 pixels,
  // 5 inches, 6 millimetres, 7 centimetres; 5 for any other unit.
  static double ScaleX(double value, std::int16_t fromScale, std::int16_t toScale);

  automation::ObjectRef Picture() const { return picture_; }
  void setPicture(automation::ObjectRef picture);
  // A new picture of the surface as it is now.
  automation::ObjectRef Image() const;

 private:
  void resize(std::int32_t widthPx, std::int32_t heightPx);
  // Makes `surface` the box's bitmap, of widthPx x heightPx pixels.
  void adopt(display::Surface surface, std::int32_t widthPx, std::int32_t heightPx);
  // Makes `bitmap` (0 for none) the box's bitmap, of widthPx x heightPx pixels.
  void adopt(display::Handle bitmap, std::int32_t widthPx, std::int32_t heightPx);

  display::Handle dc_ = 0;
  display::Handle bitmap_ = 0;
  std::int32_t widthPx_ = 0;
  std::int32_t heightPx_ = 0;
  automation::ObjectRef picture_;
};

}  // namespace rc::sim::converters
