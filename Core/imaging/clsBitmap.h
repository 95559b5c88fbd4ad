// clsBitmap: window capture into a pixel array and pixel comparison.
#pragma once

#include "platform/automation/Dispatch.h"

namespace rc::core {

class clsBitmap : public automation::Dispatch {
 public:
  static const automation::ClassInfo& classInfo();
  const automation::ClassInfo& typeInfo() const override { return classInfo(); }
};

}  // namespace rc::core
