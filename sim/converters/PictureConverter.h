// The GIF converter (XGIF1) and the JPEG converter (XJPG1): each reads a
// BMP (or GIF) picture from InputFile and writes it in its format to
// OutputFile when Convert is called. The JPEG converter also takes Quality
// (1 to 100).
#pragma once

#include <cstdint>
#include <string>

#include "platform/automation/Dispatch.h"
#include "platform/display/Surface.h"

namespace rc::sim::converters {

class PictureConverter : public automation::Dispatch {
 public:
  std::string InputFile;
  std::string OutputFile;

  // Reads InputFile and writes OutputFile whole (a temporary renamed into
  // place). An unreadable or damaged input raises 321 naming it; a failure
  // to write raises the file error naming OutputFile.
  void Convert() const;
  // Convert with `picture` (a picture object) in place of InputFile's
  // content: OutputFile gets the bytes Convert gives for a BMP file of that
  // picture, and InputFile is neither read nor written (errors still name
  // it). Raises 481 for no picture, 321 for one LoadImage would refuse to
  // read back (beyond kMaxDecodedPixels) as for a file it cannot convert.
  void ConvertPicture(const automation::ObjectRef& picture) const;

 protected:
  // The output file's bytes for `picture`.
  virtual std::string encode(const display::Surface& picture) const = 0;
  virtual std::string_view source() const = 0;
};

class GifConverter : public PictureConverter {
 public:
  static const automation::ClassInfo& info();
  const automation::ClassInfo& typeInfo() const override { return info(); }

 protected:
  std::string encode(const display::Surface& picture) const override;
  std::string_view source() const override { return "XGIF1"; }
};

class JpegConverter : public PictureConverter {
 public:
  static const automation::ClassInfo& info();
  const automation::ClassInfo& typeInfo() const override { return info(); }

  std::int16_t Quality = 75;

 protected:
  std::string encode(const display::Surface& picture) const override;
  std::string_view source() const override { return "XJPG1"; }
};

}  // namespace rc::sim::converters
