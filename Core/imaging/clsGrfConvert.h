// clsGrfConvert: image format conversion.
#pragma once

#include "Core/utilities/ObjectSafety.h"
#include "platform/automation/Dispatch.h"

namespace rc::core {

class clsGrfConvert : public automation::Dispatch, public ObjectSafety {
 public:
  clsGrfConvert() : ObjectSafety(/*acceptUnknown=*/false) {}
  static const automation::ClassInfo& classInfo();
  const automation::ClassInfo& typeInfo() const override { return classInfo(); }
  automation::ObjectRef queryInterface(std::string_view interfaceName) override {
    return queryWithObjectSafety(*this, interfaceName);
  }
};

}  // namespace rc::core
