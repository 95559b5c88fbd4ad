// RavelcrestTest.Items: a collection (Count, Item(1..Count), Add) of
// Sample objects, walked by the binding through Dispatch::enumerate().
#pragma once

#include <vector>

#include "platform/automation/Dispatch.h"

namespace rc::testing {

class SampleItems : public automation::Dispatch {
 public:
  static const automation::ClassInfo& classInfo();
  const automation::ClassInfo& typeInfo() const override { return classInfo(); }

  // Appends a new Sample named `name` and answers it.
  automation::ObjectRef add(const std::string& name);

 private:
  std::vector<automation::ObjectRef> items_;
};

}  // namespace rc::testing
