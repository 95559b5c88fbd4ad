// clsGrfConvert: image format conversion. Each function hands the file
// pair InFileName / OutFileName to a converter component and returns Empty;
// nothing is trapped, so a converter's error reaches the caller.
#pragma once

#include <string>

#include "Core/utilities/ObjectSafety.h"
#include "platform/automation/Dispatch.h"

namespace rc::core {

class clsGrfConvert : public automation::Dispatch, public ObjectSafety {
 public:
  clsGrfConvert() : ObjectSafety(/*acceptUnknown=*/false) {}
  static const automation::ClassInfo& classInfo();
  const automation::ClassInfo& typeInfo() const override { return classInfo(); }
  automation::ObjectRef queryInterface(std::string_view interfaceName) override {
    return queryWithObjectSafety(*this, interfaceName);
  }

  std::string InFileName;
  std::string OutFileName;

  // JPEG converter: InputFile, OutputFile, Quality 100, Convert.
  void makeJPG() const;
  // GIF converter: InputFile, OutputFile, Convert.
  void makeGIF() const;
  // A new CBF packer: CBFPath = InFileName, BMPPath = OutFileName, UnPackCBF.
  void CBFtoBMP() const;
  // A new CBF packer: CBFPath = OutFileName, BMPPath = InFileName, PackCBF.
  void BMPtoCBF() const;
};

}  // namespace rc::core
