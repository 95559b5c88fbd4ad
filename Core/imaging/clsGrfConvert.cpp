#include "Core/imaging/clsGrfConvert.h"

#include "Core/frame/ClassIds.h"

namespace rc::core {

const automation::ClassInfo& clsGrfConvert::classInfo() {
  static const automation::ClassInfo info = [] {
    automation::ClassBuilder<clsGrfConvert> b(kLibraryName, "clsGrfConvert");
    applyIds(b, ids::clsGrfConvert);
    return b.build();
  }();
  return info;
}

}  // namespace rc::core
