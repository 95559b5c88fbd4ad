#include "sim/converters/PictureBox.h"

#include <cmath>

#include "platform/automation/Error.h"
#include "platform/display/Gdi.h"
#include "sim/converters/StdPicture.h"

namespace rc::sim::converters {

namespace au = rc::automation;
namespace dp = rc::display;
using au::VarType;

namespace {

constexpr std::uint32_t kWhite = dp::rgb(255, 255, 255);

// Twips in one unit of a scale mode.
double twipsPerUnit(std::int16_t scale) {
  switch (scale) {
    case 1: return 1;
    case 2: return 20;
    case 3: return kTwipsPerPixel;
    case 5: return 1440;
    case 6: return 1440 / 25.4;
    case 7: return 1440 / 2.54;
    default: au::raise(au::err::InvalidCall);
  }
}

std::int32_t pixelsOf(std::int32_t twips) {
  if (twips < 0) au::raise(au::err::InvalidCall);
  return static_cast<std::int32_t>(std::lround(static_cast<double>(twips) / kTwipsPerPixel));
}

}  // namespace

const au::ClassInfo& PictureBox::info() {
  static const au::ClassInfo ci = [] {
    au::ClassBuilder<PictureBox> b("StdPictures", "PictureBox");
    b.ids("{5B0C1E52-7F3A-4D8E-A1C2-3E4F5A6B7C41}", "IPictureBox", "{5B0C1E52-7F3A-4D8E-A1C2-3E4F5A6B7C42}");
    b.get("hdc", VarType::Long, {}, [](PictureBox& self, au::CallArgs&) { return au::Variant(self.hdc()); });
    b.get("Width", VarType::Long, {}, [](PictureBox& self, au::CallArgs&) { return au::Variant(self.Width()); });
    b.let("Width", {au::byVal("value", VarType::Long)}, [](PictureBox& self, au::CallArgs& a) {
      self.setWidth(a[0].asLong());
      return au::Variant();
    });
    b.get("Height", VarType::Long, {}, [](PictureBox& self, au::CallArgs&) { return au::Variant(self.Height()); });
    b.let("Height", {au::byVal("value", VarType::Long)}, [](PictureBox& self, au::CallArgs& a) {
      self.setHeight(a[0].asLong());
      return au::Variant();
    });
    b.method("ScaleX", VarType::Double,
             {au::byVal("Width", VarType::Double), au::byVal("FromScale", VarType::Integer),
              au::byVal("ToScale", VarType::Integer)},
             [](PictureBox&, au::CallArgs& a) {
               return au::Variant(ScaleX(a[0].asDouble(), a[1].asInteger(), a[2].asInteger()));
             });
    b.method("Refresh", VarType::Void, {}, [](PictureBox&, au::CallArgs&) { return au::Variant(); });
    b.get("Picture", VarType::Object, {}, [](PictureBox& self, au::CallArgs&) { return au::Variant(self.Picture()); });
    b.set("Picture", {au::byVal("value", VarType::Object)}, [](PictureBox& self, au::CallArgs& a) {
      self.setPicture(a[0].toObject());
      return au::Variant();
    });
    b.get("Image", VarType::Object, {}, [](PictureBox& self, au::CallArgs&) { return au::Variant(self.Image()); });
    return b.build();
  }();
  return ci;
}

PictureBox::PictureBox() { dc_ = dp::createCompatibleDC(0); }

PictureBox::~PictureBox() {
  if (dc_ != 0) dp::deleteDC(dc_);
  if (bitmap_ != 0) dp::deleteObject(bitmap_);
}

void PictureBox::resize(std::int32_t widthPx, std::int32_t heightPx) {
  if (widthPx > dp::kMaxSurfaceSide || heightPx > dp::kMaxSurfaceSide) au::raise(au::err::InvalidCall);
  if (bitmap_ == 0 || widthPx_ <= 0 || heightPx_ <= 0) {
    // Nothing to keep: a white bitmap, filled only when something reads or
    // draws on it (a picture drawn over all of it never is).
    adopt(widthPx > 0 && heightPx > 0 ? dp::createFilledBitmap(widthPx, heightPx, kWhite) : 0, widthPx, heightPx);
    return;
  }
  dp::Surface surface(widthPx, heightPx, kWhite);
  dp::readBitmap(bitmap_, [&](const dp::Surface& old) { surface.draw(old, 0, 0); });
  adopt(std::move(surface), widthPx, heightPx);
}

void PictureBox::adopt(dp::Surface surface, std::int32_t widthPx, std::int32_t heightPx) {
  adopt(surface.empty() ? 0 : dp::createBitmap(std::move(surface)), widthPx, heightPx);
}

void PictureBox::adopt(dp::Handle bitmap, std::int32_t widthPx, std::int32_t heightPx) {
  const dp::Handle old = bitmap_;
  bitmap_ = bitmap;
  dp::selectObject(dc_, bitmap_);
  if (old != 0) dp::deleteObject(old);
  widthPx_ = widthPx;
  heightPx_ = heightPx;
}

void PictureBox::setWidth(std::int32_t twips) { resize(pixelsOf(twips), heightPx_); }
void PictureBox::setHeight(std::int32_t twips) { resize(widthPx_, pixelsOf(twips)); }

double PictureBox::ScaleX(double value, std::int16_t fromScale, std::int16_t toScale) {
  return value * twipsPerUnit(fromScale) / twipsPerUnit(toScale);
}

void PictureBox::setPicture(au::ObjectRef picture) {
  const auto* p = dynamic_cast<const StdPicture*>(picture.get());
  if (picture && !p) au::raise(au::err::TypeMismatch);
  dp::Surface pixels = p ? p->pixels() : dp::Surface();
  if (!pixels.empty()) {
    // The box takes the picture's size, so the picture covers all of it.
    const std::int32_t w = pixels.width(), h = pixels.height();
    adopt(std::move(pixels), w, h);
  } else if (bitmap_ != 0) {
    dp::bitBlt(dc_, 0, 0, widthPx_, heightPx_, 0, 0, 0, dp::kWhiteness);
  }
  picture_ = std::move(picture);
}

au::ObjectRef PictureBox::Image() const { return StdPicture::copyOf(bitmap_); }

}  // namespace rc::sim::converters
