// clsPropertyManager: the baseline property store, the comparisons under a
// tolerance, and the journal headers.
#pragma once

#include "platform/automation/Dispatch.h"

namespace rc::core {

class clsPropertyManager : public automation::Dispatch {
 public:
  static const automation::ClassInfo& classInfo();
  const automation::ClassInfo& typeInfo() const override { return classInfo(); }
};

}  // namespace rc::core
