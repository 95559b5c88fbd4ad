// The CBF packer ("ActiveCBF.TCBF"): packs a BMP file into the CBF format
// and unpacks it again (see CbfFormat.h). Set CBFPath and BMPPath, then
// call PackCBF (BMP file to CBF file) or UnPackCBF (CBF file to BMP file).
#pragma once

#include <string>

#include "platform/automation/Dispatch.h"

namespace rc::sim::converters {

class CbfPacker : public automation::Dispatch {
 public:
  static const automation::ClassInfo& info();
  const automation::ClassInfo& typeInfo() const override { return info(); }

  std::string CBFPath;
  std::string BMPPath;

  // Packs the BMP file at BMPPath into CBFPath. A file that is no readable
  // BMP picture raises 321 naming it.
  void PackCBF() const;
  // Unpacks CBFPath into the BMP file BMPPath. A damaged CBF file, or one
  // that holds no readable BMP picture, raises 321 naming it.
  void UnPackCBF() const;
};

}  // namespace rc::sim::converters
