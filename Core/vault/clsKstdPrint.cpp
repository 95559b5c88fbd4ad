#include "Core/vault/clsKstdPrint.h"

#include "Core/frame/ClassIds.h"

namespace rc::core {

const automation::ClassInfo& clsKstdPrint::classInfo() {
  static const automation::ClassInfo info = [] {
    automation::ClassBuilder<clsKstdPrint> b(kLibraryName, "clsKstdPrint");
    applyIds(b, ids::clsKstdPrint);
    return b.build();
  }();
  return info;
}

}  // namespace rc::core
