#include "sim/converters/StdPicture.h"

#include "platform/display/Gdi.h"

namespace rc::sim::converters {

namespace au = rc::automation;
using au::VarType;

const au::ClassInfo& StdPicture::info() {
  static const au::ClassInfo ci = au::ClassBuilder<StdPicture>("StdPictures", "StdPicture")
      .ids("{5B0C1E52-7F3A-4D8E-A1C2-3E4F5A6B7C31}", "IPicture", "{5B0C1E52-7F3A-4D8E-A1C2-3E4F5A6B7C32}")
      .get("Handle", VarType::Long, {},
           [](StdPicture& self, au::CallArgs&) { return au::Variant(static_cast<std::int32_t>(self.handle())); })
      .get("Width", VarType::Long, {}, [](StdPicture& self, au::CallArgs&) { return au::Variant(self.size().bmWidth); })
      .get("Height", VarType::Long, {},
           [](StdPicture& self, au::CallArgs&) { return au::Variant(self.size().bmHeight); })
      .build();
  return ci;
}

StdPicture::StdPicture(display::Surface pixels) {
  if (!pixels.empty()) bitmap_ = display::createBitmap(std::move(pixels));
}

std::shared_ptr<StdPicture> StdPicture::copyOf(display::Handle bitmap) {
  auto picture = std::make_shared<StdPicture>();
  picture->bitmap_ = bitmap != 0 ? display::copyBitmap(bitmap) : 0;
  return picture;
}

StdPicture::~StdPicture() {
  if (bitmap_ != 0) display::deleteObject(bitmap_);
}

display::BitmapRecord StdPicture::size() const {
  display::BitmapRecord record;
  if (bitmap_ != 0) display::getObject(bitmap_, record);
  return record;
}

display::Surface StdPicture::pixels() const { return bitmap_ != 0 ? display::bitmapPixels(bitmap_) : display::Surface(); }

}  // namespace rc::sim::converters
