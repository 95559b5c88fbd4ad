// Class1: workstation utilities for the harness's pages.
#pragma once

#include "platform/automation/Dispatch.h"

namespace rc::core {

class Class1 : public automation::Dispatch {
 public:
  static const automation::ClassInfo& classInfo();
  const automation::ClassInfo& typeInfo() const override { return classInfo(); }
};

}  // namespace rc::core
