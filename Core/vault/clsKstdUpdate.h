// clsKstdUpdate: the vault document update task.
#pragma once

#include "platform/automation/Dispatch.h"

namespace rc::core {

class clsKstdUpdate : public automation::Dispatch {
 public:
  static const automation::ClassInfo& classInfo();
  const automation::ClassInfo& typeInfo() const override { return classInfo(); }
};

}  // namespace rc::core
