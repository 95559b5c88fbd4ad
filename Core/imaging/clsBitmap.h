// clsBitmap: one image held twice, as a GDI bitmap selected into a memory
// device context the object owns and as a pixel array laid out as a 32-bit
// bottom-up DIB (channel, pixel, scanline, each from 1); window capture and
// pixel comparison.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "Core/imaging/PixelCompare.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/Record.h"
#include "platform/automation/SafeArray.h"
#include "platform/display/Gdi.h"

namespace rc::core {

class clsBitmap : public automation::Dispatch {
 public:
  static const automation::ClassInfo& classInfo();
  const automation::ClassInfo& typeInfo() const override { return classInfo(); }

  clsBitmap() = default;
  clsBitmap(const clsBitmap&) = delete;
  clsBitmap& operator=(const clsBitmap&) = delete;
  // Deletes the image DC, then the bitmap BMPSource; errors are ignored.
  ~clsBitmap() override;

  // The bitmap that holds the image. Assigning only stores the value; the
  // object owns and at its end deletes whatever bitmap it holds here.
  std::int32_t BMPSource = 0;

  std::int32_t ImageDC() const { return static_cast<std::int32_t>(imageDC_); }
  std::int32_t Width() const { return width_; }
  std::int32_t Height() const { return height_; }

  // Fills the image from a bitmap handle (its own size unless maxWidth /
  // maxHeight are not 0), or from a window or device-context handle (the
  // top-left maxWidth x maxHeight pixels). False when the image DC could
  // not be made, the bitmap not selected, or no scan line read. Raises 9
  // when the image has no pixels (after the DC and bitmap are set up). A
  // second call releases the DC and bitmap of the first.
  bool SetBitmap(std::int32_t NewBitmap, std::int16_t maxWidth = 0, std::int16_t maxHeight = 0);

  // One byte of the pixel array; 9 for an index out of range or before SetBitmap.
  std::uint8_t Array3DVal(std::int32_t i, std::int32_t iPixel, std::int32_t iScanline) const;
  // Writes one byte of the pixel array (the bitmap is not changed).
  void SetArray3DVal(std::int32_t i, std::int32_t iPixel, std::int32_t iScanline, std::uint8_t PixCol);

  // A copy of the pixel array with its bounds (an array without dimensions before SetBitmap).
  automation::SafeArray Array3D() const;
  // A copy of the bitmap info (a BITMAPINFO record).
  automation::Record BMInfo() const;

  // Compares `BMP` (new) with `BaseLineBMP` over this object's area, paints
  // the difference image into this object's array and bitmap, and writes
  // one warning block through the host's journal when the differences
  // exceed `tol`. Answers whether it wrote the block. 6 when this image is
  // wider or higher than 32767 pixels.
  bool Compare(const clsBitmap& BMP, const clsBitmap& BaseLineBMP, std::int16_t tol, std::int32_t glbProcessID,
               bool MultiSession, std::int16_t param);

  // Compare without the journal: paints the difference image and answers
  // the counts and the verdict under `tol`.
  struct Comparison {
    PixelCounts counts;
    CompareVerdict verdict;
  };
  Comparison paintComparison(const clsBitmap& BMP, const clsBitmap& BaseLineBMP, std::int32_t tol);

  // Draws the rectangle (ULX, ULY)-(LRX, LRY) of the pixel array over the
  // whole bitmap (the rectangle placed as in a bottom-up DIB); the pixel
  // array keeps the unzoomed image. 6 when a side does not fit in 32 bits.
  void ZoomBitmap(std::int32_t ULX, std::int32_t ULY, std::int32_t LRX, std::int32_t LRY);
  // Writes the image as the BMP file sFileNameBMP through a picture holder,
  // then converts that file into sFileNameCBF (CBF) or sFileNameGIF (GIF)
  // with a clsGrfConvert. The BMP file stays. Nothing is trapped.
  void CreateCBF(const std::string& sFileNameBMP, const std::string& sFileNameCBF) const;
  void CreateGIF(const std::string& sFileNameBMP, const std::string& sFileNameGIF) const;

  // CreateGIF for a caller that deletes the BMP file right after: the
  // picture goes to the GIF converter in memory and sFileNameBMP is left an
  // empty file, so sFileNameGIF gets the same bytes without a full-size
  // intermediate. False, with nothing written but perhaps that empty file,
  // when it cannot be done so (a converter without ConvertPicture, a BMP
  // file that cannot be made, a failed conversion): the caller then runs
  // CreateGIF, which raises what it raises.
  bool CreateGIFInMemory(const std::string& sFileNameBMP, const std::string& sFileNameGIF) const;

  // The pixel array as a DIB view (empty before SetBitmap).
  DibPixels pixels() const;

 private:
  // Deletes the image DC and, unless it is `keep`, the bitmap.
  void release(display::Handle keep);
  // A picture holder showing the image, as CreateCBF and CreateGIF draw it.
  automation::ObjectRef holderWithImage() const;
  // CreateCBF / CreateGIF: the BMP file, then clsGrfConvert's `conversion`.
  void writeConverted(const std::string& bmpPath, const std::string& outPath, std::string_view conversion) const;
  std::size_t byteIndex(std::int32_t i, std::int32_t iPixel, std::int32_t iScanline) const;
  // Whether the array is not made yet and would be the kept picture itself
  // (the picture has the array's size).
  bool keptPictureIsTheArray() const {
    return picture_ && picture_->width() == width_ && picture_->height() == height_;
  }
  // The pixel array, made from the picture SetBitmap kept on first use.
  const automation::SafeArray& array() const;
  automation::SafeArray& array();

  display::Handle imageDC_ = 0;
  std::int32_t width_ = 0;
  std::int32_t height_ = 0;
  // The pixel array is made only when something reads or writes it: until
  // then `picture_` holds what SetBitmap read (GetDIBits of it is the array).
  mutable automation::SafeArray array_{automation::VarType::Byte, {}};
  mutable std::shared_ptr<const display::Surface> picture_;
  display::BitmapInfoHeader info_{.biSize = 0, .biPlanes = 0, .biBitCount = 0};
};

}  // namespace rc::core
