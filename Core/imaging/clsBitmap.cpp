#include "Core/imaging/clsBitmap.h"

#include "Core/frame/ClassIds.h"

namespace rc::core {

const automation::ClassInfo& clsBitmap::classInfo() {
  static const automation::ClassInfo info = [] {
    automation::ClassBuilder<clsBitmap> b(kLibraryName, "clsBitmap");
    applyIds(b, ids::clsBitmap);
    return b.build();
  }();
  return info;
}

}  // namespace rc::core
