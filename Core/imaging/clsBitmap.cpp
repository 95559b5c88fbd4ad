#include "Core/imaging/clsBitmap.h"

#include "Core/frame/ClassIds.h"
#include "Core/frame/JournalWriters.h"
#include "Core/imaging/BitmapRecords.h"
#include "Core/interfaces/ImageComponents.h"
#include "platform/automation/Registry.h"
#include "platform/automation/Error.h"
#include "platform/automation/Trap.h"
#include "platform/os/OutputFiles.h"

namespace rc::core {

namespace au = rc::automation;
namespace dp = rc::display;
using au::byRef;
using au::byVal;
using au::CallArgs;
using au::Variant;
using au::VarType;

namespace {

constexpr std::int32_t kMaxInteger = 32767;

// The clsBitmap behind an argument: 91 for Nothing, 438 for another object.
const clsBitmap& bitmapArg(const Variant& v) {
  au::ObjectRef obj = v.toObject();
  if (!obj) au::raise(au::err::ObjectNotSet);
  const auto* bmp = dynamic_cast<const clsBitmap*>(obj.get());
  if (!bmp) au::raise(au::err::NotSupported);
  return *bmp;
}

}  // namespace

const au::ClassInfo& clsBitmap::classInfo() {
  static const au::ClassInfo info = [] {
    au::ClassBuilder<clsBitmap> b(kLibraryName, "clsBitmap");
    applyIds(b, ids::clsBitmap);
    b.field("BMPSource", VarType::Long, &clsBitmap::BMPSource);
    b.get("ImageDC", VarType::Long, {}, [](clsBitmap& self, CallArgs&) { return Variant(self.ImageDC()); });
    b.get("Width", VarType::Long, {}, [](clsBitmap& self, CallArgs&) { return Variant(self.Width()); });
    b.get("Height", VarType::Long, {}, [](clsBitmap& self, CallArgs&) { return Variant(self.Height()); });
    const std::vector<au::ParamInfo> pixel = {byVal("i", VarType::Integer), byVal("iPixel", VarType::Integer),
                                              byVal("iScanline", VarType::Integer)};
    b.get("Array3DVal", VarType::Byte, pixel, [](clsBitmap& self, CallArgs& a) {
      return Variant(self.Array3DVal(a[0].asInteger(), a[1].asInteger(), a[2].asInteger()));
    });
    std::vector<au::ParamInfo> pixelLet = pixel;
    pixelLet.push_back(byVal("PixCol", VarType::Byte));
    b.let("Array3DVal", pixelLet, [](clsBitmap& self, CallArgs& a) {
      self.SetArray3DVal(a[0].asInteger(), a[1].asInteger(), a[2].asInteger(), a[3].asByte());
      return Variant();
    });
    b.get("BMInfo", VarType::Record, {}, [](clsBitmap& self, CallArgs&) { return Variant(self.BMInfo()); });
    b.get("Array3D", VarType::Array, {}, [](clsBitmap& self, CallArgs&) { return Variant(self.Array3D()); });
    b.method("SetBitmap", VarType::Boolean,
             {byVal("NewBitmap", VarType::Long), byVal("maxWidth", VarType::Integer).opt(Variant::integer(0)),
              byVal("maxHeight", VarType::Integer).opt(Variant::integer(0))},
             [](clsBitmap& self, CallArgs& a) {
               return Variant(self.SetBitmap(a[0].asLong(), a[1].asInteger(), a[2].asInteger()));
             });
    b.method("Compare", VarType::Boolean,
             {byRef("BMP", VarType::Object), byRef("BaseLineBMP", VarType::Object), byRef("tol", VarType::Integer),
              byRef("glbProcessID", VarType::Long), byRef("MultiSession", VarType::Boolean),
              byRef("param", VarType::Integer)},
             [](clsBitmap& self, CallArgs& a) {
               return Variant(self.Compare(bitmapArg(a[0]), bitmapArg(a[1]), a[2].asInteger(), a[3].asLong(),
                                           a[4].asBool(), a[5].asInteger()));
             });
    b.method("ZoomBitmap", VarType::Void,
             {byRef("ULX", VarType::Long), byRef("ULY", VarType::Long), byRef("LRX", VarType::Long),
              byRef("LRY", VarType::Long)},
             [](clsBitmap& self, CallArgs& a) {
               self.ZoomBitmap(a[0].asLong(), a[1].asLong(), a[2].asLong(), a[3].asLong());
               return Variant();
             });
    b.method("CreateCBF", VarType::Void, {byRef("sFileNameBMP", VarType::String), byRef("sFileNameCBF", VarType::String)},
             [](clsBitmap& self, CallArgs& a) {
               self.CreateCBF(a[0].asString(), a[1].asString());
               return Variant();
             });
    b.method("CreateGIF", VarType::Void, {byRef("sFileNameBMP", VarType::String), byRef("sFileNameGIF", VarType::String)},
             [](clsBitmap& self, CallArgs& a) {
               self.CreateGIF(a[0].asString(), a[1].asString());
               return Variant();
             });
    b.record(records::BITMAP())
        .record(records::BITMAPINFOHEADER())
        .record(records::RGBQUAD())
        .record(records::BITMAPINFO())
        .record(records::COLORQUAD())
        .record(records::PicBmp());
    return b.build();
  }();
  return info;
}

clsBitmap::~clsBitmap() { release(0); }

void clsBitmap::release(dp::Handle keep) {
  // The DC goes first, so the bitmap is no longer selected when it is deleted.
  if (imageDC_ != 0) dp::deleteDC(imageDC_);
  imageDC_ = 0;
  const auto bitmap = static_cast<dp::Handle>(BMPSource);
  if (bitmap != 0 && bitmap != keep) dp::deleteObject(bitmap);
}

bool clsBitmap::SetBitmap(std::int32_t NewBitmap, std::int16_t maxWidth, std::int16_t maxHeight) {
  const auto source = static_cast<dp::Handle>(NewBitmap);
  release(source);
  picture_.reset();
  BMPSource = NewBitmap;
  bool ok = true;
  dp::BitmapRecord record;
  if (dp::getObject(source, record) != 0) {
    imageDC_ = dp::createCompatibleDC(0);
    dp::selectObject(imageDC_, source);
    // Selecting fails only for a missing DC or a handle that is no bitmap.
    ok = imageDC_ != 0 && dp::isBitmap(source);
    width_ = maxWidth != 0 ? maxWidth : record.bmWidth;
    height_ = maxHeight != 0 ? maxHeight : record.bmHeight;
  } else {
    const dp::Handle windowDC = dp::getWindowDC(source);
    const dp::Handle sourceDC = windowDC != 0 ? windowDC : source;
    imageDC_ = dp::createCompatibleDC(sourceDC);
    const dp::Handle copy = dp::createCompatibleBitmap(sourceDC, maxWidth, maxHeight);
    BMPSource = static_cast<std::int32_t>(copy);
    dp::selectObject(imageDC_, copy);
    ok = imageDC_ != 0 && copy != 0;
    dp::bitBlt(imageDC_, 0, 0, maxWidth, maxHeight, sourceDC, 0, 0, dp::kSrcCopy);
    if (windowDC != 0) dp::releaseDC(source, windowDC);
    width_ = maxWidth;
    height_ = maxHeight;
  }
  info_ = dp::BitmapInfoHeader{};
  info_.biWidth = width_;
  info_.biHeight = height_;
  info_.biSizeImage = static_cast<std::int32_t>(static_cast<std::int64_t>(height_) * ((std::int64_t{width_} * 32 + 31) / 32) * 4);
  if (width_ <= 0 || height_ <= 0 || width_ > dp::kMaxSurfaceSide || height_ > dp::kMaxSurfaceSide) {
    array_ = au::SafeArray(VarType::Byte, {});
    au::raise(au::err::SubscriptOutOfRange);
  }
  // ReDim of the pixel array and GetDIBits into it, which writes every byte;
  // when it fails the array is left zeroed. A bitmap with pixels, in a DC
  // of its own, is kept as it is now and read into the array when it is
  // first used: a comparison of two such pictures reads them in place.
  if (imageDC_ != 0 && dp::isDC(imageDC_)) picture_ = dp::bitmapSnapshot(static_cast<dp::Handle>(BMPSource));
  if (picture_) {
    array_ = au::SafeArray(VarType::Byte, {});
    return ok;
  }
  bool read = false;
  array_ = au::SafeArray::writtenBytes({{1, 4}, {1, width_}, {1, height_}}, [&](std::span<std::uint8_t> bytes) {
    read = dp::getDIBits(imageDC_, static_cast<dp::Handle>(BMPSource), 0, static_cast<std::uint32_t>(height_), bytes,
                         info_) != 0;
    return read;
  });
  if (!read) ok = false;
  return ok;
}

const au::SafeArray& clsBitmap::array() const {
  if (picture_) {
    array_ = au::SafeArray::writtenBytes({{1, 4}, {1, width_}, {1, height_}}, [&](std::span<std::uint8_t> bytes) {
      return dp::surfaceToDib(*picture_, 0, static_cast<std::uint32_t>(height_), bytes, info_) != 0;
    });
    picture_.reset();
  }
  return array_;
}

au::SafeArray& clsBitmap::array() { return const_cast<au::SafeArray&>(std::as_const(*this).array()); }

std::size_t clsBitmap::byteIndex(std::int32_t i, std::int32_t iPixel, std::int32_t iScanline) const {
  if (array().dimensions() != 3 || i < 1 || i > 4 || iPixel < 1 || iPixel > width_ || iScanline < 1 ||
      iScanline > height_)
    au::raise(au::err::SubscriptOutOfRange);
  return (static_cast<std::size_t>(iScanline - 1) * static_cast<std::size_t>(width_) + (iPixel - 1)) * 4 + (i - 1);
}

std::uint8_t clsBitmap::Array3DVal(std::int32_t i, std::int32_t iPixel, std::int32_t iScanline) const {
  return array().bytes()[byteIndex(i, iPixel, iScanline)];
}

void clsBitmap::SetArray3DVal(std::int32_t i, std::int32_t iPixel, std::int32_t iScanline, std::uint8_t PixCol) {
  array().bytes()[byteIndex(i, iPixel, iScanline)] = PixCol;
}

au::SafeArray clsBitmap::Array3D() const { return array(); }

au::Record clsBitmap::BMInfo() const { return records::bitmapInfo(info_); }

namespace {

// b - a as a 32-bit Long; 6 when it does not fit.
std::int32_t difference(std::int32_t a, std::int32_t b) {
  const std::int64_t d = std::int64_t{b} - a;
  if (d < INT32_MIN || d > INT32_MAX) au::raise(au::err::Overflow);
  return static_cast<std::int32_t>(d);
}

}  // namespace

void clsBitmap::ZoomBitmap(std::int32_t ULX, std::int32_t ULY, std::int32_t LRX, std::int32_t LRY) {
  const std::int32_t width = difference(ULX, LRX), height = difference(ULY, LRY);
  dp::stretchDIBits(imageDC_, 0, 0, width_, height_, ULX, ULY, width, height, array().bytes(), info_,
                    dp::kDibRgbColors, dp::kSrcCopy);
}

void clsBitmap::CreateCBF(const std::string& sFileNameBMP, const std::string& sFileNameCBF) const {
  writeConverted(sFileNameBMP, sFileNameCBF, "BMPtoCBF");
}

void clsBitmap::CreateGIF(const std::string& sFileNameBMP, const std::string& sFileNameGIF) const {
  writeConverted(sFileNameBMP, sFileNameGIF, "makeGIF");
}

au::ObjectRef clsBitmap::holderWithImage() const {
  au::ObjectRef holder = newPictureHolder();
  const std::int16_t pixels = 3, twips = 1;
  au::letProperty(holder, "Width", au::call(holder, "ScaleX", width_, pixels, twips));
  au::letProperty(holder, "Height", au::call(holder, "ScaleX", height_, pixels, twips));
  const auto holderDC = static_cast<dp::Handle>(au::call(holder, "hdc").toLong());
  // The array not yet made, and the bitmap as SetBitmap read it, the box
  // takes the bitmap's picture itself: the same pixels, without a copy.
  if (keptPictureIsTheArray() &&
      dp::bitmapSnapshot(static_cast<dp::Handle>(BMPSource)) == picture_ &&
      dp::bitBlt(holderDC, 0, 0, width_, height_, imageDC_, 0, 0, dp::kSrcCopy)) {
    au::call(holder, "Refresh");
    return holder;
  }
  dp::stretchDIBits(holderDC, 0, 0, width_, height_, 0, 0, width_, height_, array().bytes(), info_, dp::kDibRgbColors,
                    dp::kSrcCopy);
  au::call(holder, "Refresh");
  return holder;
}

bool clsBitmap::CreateGIFInMemory(const std::string& sFileNameBMP, const std::string& sFileNameGIF) const {
  bool done = false;
  au::trapped(
      [&] {
        au::ObjectRef gif = gifConverter();
        if (gif->typeInfo().find("ConvertPicture").empty()) return;
        au::ObjectRef holder = holderWithImage();
        au::ObjectRef image = au::callObject(holder, "Image");
        // The BMP file is made (empty), so that a place it cannot be
        // written fails here as it would in CreateGIF.
        platform::output::replaceFile(sFileNameBMP, "");
        au::letProperty(gif, "InputFile", Variant(sFileNameBMP));
        au::letProperty(gif, "OutputFile", Variant(sFileNameGIF));
        au::call(gif, "ConvertPicture", image);
        done = true;
      },
      [](const au::AutomationError&) {});
  return done;
}

void clsBitmap::writeConverted(const std::string& bmpPath, const std::string& outPath,
                               std::string_view conversion) const {
  au::ObjectRef holder = holderWithImage();
  SavePicture(au::callObject(holder, "Image"), bmpPath);
  {
    au::ObjectRef convert = au::createObject("vxlClasses.clsGrfConvert");
    au::letProperty(convert, "InFileName", Variant(bmpPath));
    au::letProperty(convert, "OutFileName", Variant(outPath));
    au::call(convert, conversion);
  }
  au::setProperty(holder, "Picture", LoadPicture());
}

DibPixels clsBitmap::pixels() const {
  // A kept picture of the array's own size is read in place, top row first.
  if (keptPictureIsTheArray()) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(picture_->pixels().data());
    return DibPixels{{bytes, picture_->pixels().size() * 4}, width_, height_, true};
  }
  const au::SafeArray& a = array();
  if (a.dimensions() != 3) return DibPixels{};
  return DibPixels{a.bytes(), width_, height_};
}

clsBitmap::Comparison clsBitmap::paintComparison(const clsBitmap& BMP, const clsBitmap& BaseLineBMP,
                                                 std::int32_t tol) {
  const std::int32_t width = width_, height = height_;
  if (width > kMaxInteger || height > kMaxInteger) au::raise(au::err::Overflow);
  Comparison c;
  const auto bitmap = static_cast<dp::Handle>(BMPSource);
  // A bitmap of the array's own size takes the difference image in the same
  // pass as the array; any other gets the array's scan lines afterwards.
  bool mirrored = false;
  array();
  if (array_.dimensions() == 3 && (imageDC_ == 0 || dp::isDC(imageDC_)))
    dp::paintBitmap(bitmap, [&](dp::Surface& s) {
      if (s.width() != width || s.height() != height) return;
      c.counts = paintDifference(BMP.pixels(), BaseLineBMP.pixels(), DiffTarget{array_.bytes(), false, s.row(0)},
                                 width, height);
      mirrored = true;
    });
  if (!mirrored) {
    if (array_.dimensions() == 3)
      c.counts = paintDifference(BMP.pixels(), BaseLineBMP.pixels(), array_.bytes(), width, height);
    if (height > 0)
      dp::setDIBits(imageDC_, bitmap, 0, static_cast<std::uint32_t>(height), array_.bytes(), info_);
  }
  c.verdict = judgeComparison(c.counts, BMP.Width(), BMP.Height(), BaseLineBMP.Width(), BaseLineBMP.Height(), tol);
  return c;
}

bool clsBitmap::Compare(const clsBitmap& BMP, const clsBitmap& BaseLineBMP, std::int16_t tol,
                        std::int32_t glbProcessID, bool MultiSession, std::int16_t param) {
  const CompareVerdict v = paintComparison(BMP, BaseLineBMP, tol).verdict;
  if (!v.warning) return false;
  JournalBlock block;
  block.Name = std::string(journal::kPixelCompare) + (param == 1 ? " - PP" : "");
  block.NewValue = journalNumber(0);
  block.BaseValue = journalNumber(0);
  block.Diff = v.unmatchedText;
  block.Units = v.colourChangeText;
  block.Prefix = journal::kPixelWarning;
  block.Extra = v.sizeText;
  RecordJournalBlock(block, glbProcessID, MultiSession);
  return true;
}

}  // namespace rc::core
