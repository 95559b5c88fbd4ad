#include "Core/properties/clsPropertyManager.h"

#include "Core/frame/ClassIds.h"

namespace rc::core {

const automation::ClassInfo& clsPropertyManager::classInfo() {
  static const automation::ClassInfo info = [] {
    automation::ClassBuilder<clsPropertyManager> b(kLibraryName, "clsPropertyManager");
    applyIds(b, ids::clsPropertyManager);
    return b.build();
  }();
  return info;
}

}  // namespace rc::core
