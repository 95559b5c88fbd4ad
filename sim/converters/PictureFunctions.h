// The picture loader and saver ("StdPictures.Functions"): LoadPicture reads
// a BMP or GIF file into a picture object (without a file name: an empty
// picture); SavePicture writes a picture as a 24-bit BMP file.
#pragma once

#include <string_view>

#include "platform/automation/Dispatch.h"

namespace rc::sim::converters {

class PictureFunctions : public automation::Dispatch {
 public:
  static const automation::ClassInfo& info();
  const automation::ClassInfo& typeInfo() const override { return info(); }

  // A damaged or unsupported file raises 481 naming it; a missing one 53.
  static automation::ObjectRef LoadPicture(std::string_view fileName);
  // An empty picture (or an object that is no picture) raises 481; the
  // file is put in place whole or not at all.
  static void SavePicture(const automation::ObjectRef& picture, std::string_view fileName);
};

}  // namespace rc::sim::converters
