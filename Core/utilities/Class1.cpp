#include "Core/utilities/Class1.h"

#include "Core/frame/ClassIds.h"

namespace rc::core {

const automation::ClassInfo& Class1::classInfo() {
  static const automation::ClassInfo info = [] {
    automation::ClassBuilder<Class1> b(kLibraryName, "Class1");
    applyIds(b, ids::Class1);
    return b.build();
  }();
  return info;
}

}  // namespace rc::core
