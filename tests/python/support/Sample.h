// RavelcrestTest.Sample: a class with one member of each shape the Python
// binding must handle (fields, properties with arguments, object
// properties, optional and by-reference parameters, arrays, a collection,
// raising members). Built into the module only for its tests.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <utility>

#include "platform/automation/Dispatch.h"

namespace rc::testing {

class Sample : public automation::Dispatch {
 public:
  std::string Name;
  std::int32_t Count = 0;
  double Ratio = 0;
  bool Flag = false;
  std::int16_t Small = 0;
  automation::Variant Value;

  static const automation::ClassInfo& classInfo();
  const automation::ClassInfo& typeInfo() const override { return classInfo(); }

 private:
  automation::ObjectRef child_;
  std::map<std::pair<std::int32_t, std::int32_t>, std::int32_t> cells_;
};

// Registers RavelcrestTest.Sample and RavelcrestTest.Items. Idempotent.
void registerTestClasses();

}  // namespace rc::testing
