#include "sim/converters/PictureConverter.h"

#include <stdexcept>

#include "sim/converters/GifCodec.h"
#include "sim/converters/ImageFiles.h"
#include "sim/converters/JpegCodec.h"
#include "sim/converters/StdPicture.h"
#include "platform/automation/Error.h"
#include "platform/display/Bmp.h"

namespace rc::sim::converters {

namespace au = rc::automation;
using au::VarType;

namespace {

// The members both converters share.
template <typename T>
au::ClassBuilder<T>& converterMembers(au::ClassBuilder<T>& b) {
  b.field("InputFile", VarType::String, &T::InputFile)
      .field("OutputFile", VarType::String, &T::OutputFile)
      .method("Convert", VarType::Void, {}, [](T& self, au::CallArgs&) {
        self.Convert();
        return au::Variant();
      })
      .method("ConvertPicture", VarType::Void, {au::byVal("Picture", VarType::Object)}, [](T& self, au::CallArgs& a) {
        self.ConvertPicture(a[0].toObject());
        return au::Variant();
      });
  return b;
}

}  // namespace

void PictureConverter::Convert() const {
  const display::Surface picture = readPicture(InputFile, source());
  std::string data;
  try {
    data = encode(picture);
  } catch (const std::runtime_error& e) {
    raiseBadFile(kInvalidFileFormat, "Cannot convert", InputFile, e.what(), source());
  }
  writeOutput(OutputFile, data, source());
}

void PictureConverter::ConvertPicture(const au::ObjectRef& picture) const {
  const auto* p = dynamic_cast<const StdPicture*>(picture.get());
  if (!p || p->handle() == 0) au::raise(kInvalidPicture, "Invalid picture", std::string(source()));
  std::string data;
  std::string why;
  display::readBitmap(p->handle(), [&](const display::Surface& pixels) {
    // Nothing beyond what LoadImage reads back. The encoders read a
    // pixel's colour bits only, as a 24-bit BMP file of it holds them.
    if (static_cast<std::uint64_t>(pixels.width()) * static_cast<std::uint64_t>(pixels.height()) > display::kMaxDecodedPixels) {
      why = "the picture is too large";
      return;
    }
    try {
      data = encode(pixels);
    } catch (const std::runtime_error& e) {
      why = e.what();
    }
  });
  if (!why.empty()) raiseBadFile(kInvalidFileFormat, "Cannot convert", InputFile, why, source());
  writeOutput(OutputFile, data, source());
}

const au::ClassInfo& GifConverter::info() {
  static const au::ClassInfo ci = [] {
    au::ClassBuilder<GifConverter> b("XGIF", "XGIF1");
    b.ids("{5B0C1E52-7F3A-4D8E-A1C2-3E4F5A6B7C11}", "IXGIF", "{5B0C1E52-7F3A-4D8E-A1C2-3E4F5A6B7C12}");
    return converterMembers(b).build();
  }();
  return ci;
}

std::string GifConverter::encode(const display::Surface& picture) const { return encodeGif(picture); }

const au::ClassInfo& JpegConverter::info() {
  static const au::ClassInfo ci = [] {
    au::ClassBuilder<JpegConverter> b("XJPG", "XJPG1");
    b.ids("{5B0C1E52-7F3A-4D8E-A1C2-3E4F5A6B7C21}", "IXJPG", "{5B0C1E52-7F3A-4D8E-A1C2-3E4F5A6B7C22}");
    b.field("Quality", VarType::Integer, &JpegConverter::Quality);
    return converterMembers(b).build();
  }();
  return ci;
}

std::string JpegConverter::encode(const display::Surface& picture) const { return encodeJpeg(picture, Quality); }

}  // namespace rc::sim::converters
