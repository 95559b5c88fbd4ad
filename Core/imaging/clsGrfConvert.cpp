#include "Core/imaging/clsGrfConvert.h"

#include "Core/frame/ClassIds.h"
#include "Core/interfaces/ImageComponents.h"

namespace rc::core {

namespace au = rc::automation;
using au::Variant;
using au::VarType;

const au::ClassInfo& clsGrfConvert::classInfo() {
  static const au::ClassInfo info = [] {
    au::ClassBuilder<clsGrfConvert> b(kLibraryName, "clsGrfConvert");
    applyIds(b, ids::clsGrfConvert);
    b.field("InFileName", VarType::String, &clsGrfConvert::InFileName);
    b.field("OutFileName", VarType::String, &clsGrfConvert::OutFileName);
    // The four conversions return a Variant that is always Empty.
    auto conversion = [&b](const char* name, void (clsGrfConvert::*run)() const) {
      b.method(name, VarType::Variant, {}, [run](clsGrfConvert& self, au::CallArgs&) {
        (self.*run)();
        return Variant();
      });
    };
    conversion("makeJPG", &clsGrfConvert::makeJPG);
    conversion("makeGIF", &clsGrfConvert::makeGIF);
    conversion("CBFtoBMP", &clsGrfConvert::CBFtoBMP);
    conversion("BMPtoCBF", &clsGrfConvert::BMPtoCBF);
    return b.build();
  }();
  return info;
}

namespace {

// Sets the two path properties of a converter, `first` before `second`.
void letPaths(const au::ObjectRef& converter, std::string_view first, const std::string& firstPath,
              std::string_view second, const std::string& secondPath) {
  au::letProperty(converter, first, Variant(firstPath));
  au::letProperty(converter, second, Variant(secondPath));
}

}  // namespace

void clsGrfConvert::makeJPG() const {
  au::ObjectRef jpeg = jpegConverter();
  letPaths(jpeg, "InputFile", InFileName, "OutputFile", OutFileName);
  au::letProperty(jpeg, "Quality", Variant(std::int16_t{100}));
  au::call(jpeg, "Convert");
}

void clsGrfConvert::makeGIF() const {
  au::ObjectRef gif = gifConverter();
  letPaths(gif, "InputFile", InFileName, "OutputFile", OutFileName);
  au::call(gif, "Convert");
}

void clsGrfConvert::CBFtoBMP() const {
  au::ObjectRef packer = newCbfPacker();
  letPaths(packer, "CBFPath", InFileName, "BMPPath", OutFileName);
  au::call(packer, "UnPackCBF");
}

void clsGrfConvert::BMPtoCBF() const {
  au::ObjectRef packer = newCbfPacker();
  letPaths(packer, "CBFPath", OutFileName, "BMPPath", InFileName);
  au::call(packer, "PackCBF");
}

}  // namespace rc::core
