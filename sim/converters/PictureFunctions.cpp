#include "sim/converters/PictureFunctions.h"

#include "platform/automation/Error.h"
#include "platform/display/Bmp.h"
#include "platform/display/Gdi.h"
#include "sim/converters/ImageFiles.h"
#include "sim/converters/StdPicture.h"

namespace rc::sim::converters {

namespace au = rc::automation;
using au::VarType;

namespace {
constexpr std::string_view kSource = "StdPictures.Functions";
}

const au::ClassInfo& PictureFunctions::info() {
  static const au::ClassInfo ci = au::ClassBuilder<PictureFunctions>("StdPictures", "Functions")
      .ids("{5B0C1E52-7F3A-4D8E-A1C2-3E4F5A6B7C51}", "IPictureFunctions", "{5B0C1E52-7F3A-4D8E-A1C2-3E4F5A6B7C52}")
      .method("LoadPicture", VarType::Object, {au::byVal("FileName", VarType::String).opt(au::Variant(""))},
              [](PictureFunctions&, au::CallArgs& a) { return au::Variant(LoadPicture(a[0].asString())); })
      .method("SavePicture", VarType::Void,
              {au::byVal("Picture", VarType::Object), au::byVal("FileName", VarType::String)},
              [](PictureFunctions&, au::CallArgs& a) {
                SavePicture(a[0].toObject(), a[1].asString());
                return au::Variant();
              })
      .build();
  return ci;
}

au::ObjectRef PictureFunctions::LoadPicture(std::string_view fileName) {
  if (fileName.empty()) return std::make_shared<StdPicture>();
  return std::make_shared<StdPicture>(readPicture(fileName, kSource, kInvalidPicture));
}

void PictureFunctions::SavePicture(const au::ObjectRef& picture, std::string_view fileName) {
  const auto* p = dynamic_cast<const StdPicture*>(picture.get());
  if (!p || p->handle() == 0) au::raise(kInvalidPicture, "Invalid picture", std::string(kSource));
  // Encoded from the bitmap's pixels as they are now (kept without a copy)
  // straight into the file, a block of rows at a time. A bitmap of one
  // colour keeps no pixels: its picture is made for the file.
  std::shared_ptr<const display::Surface> pixels = display::bitmapSnapshot(p->handle());
  if (!pixels) pixels = std::make_shared<const display::Surface>(display::bitmapPixels(p->handle()));
  writeOutputFrom(
      fileName, [&](const platform::output::BlockWriter& write) { display::encodeBmp24Blocks(*pixels, write); },
      kSource);
}

}  // namespace rc::sim::converters
