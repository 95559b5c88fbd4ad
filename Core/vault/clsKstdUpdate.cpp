#include "Core/vault/clsKstdUpdate.h"

#include "Core/frame/ClassIds.h"

namespace rc::core {

const automation::ClassInfo& clsKstdUpdate::classInfo() {
  static const automation::ClassInfo info = [] {
    automation::ClassBuilder<clsKstdUpdate> b(kLibraryName, "clsKstdUpdate");
    applyIds(b, ids::clsKstdUpdate);
    return b.build();
  }();
  return info;
}

}  // namespace rc::core
