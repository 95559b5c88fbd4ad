#include "SampleItems.h"

#include <memory>

#include "Sample.h"
#include "platform/automation/Error.h"

namespace rc::testing {

using namespace rc::automation;

const ClassInfo& SampleItems::classInfo() {
  static const ClassInfo info =
      ClassBuilder<SampleItems>("RavelcrestTest", "Items")
          .progId("RavelcrestTest.Items")
          .ids("{7A1C0002-0000-4000-8000-000000000002}", "_Items", "{7A1C0002-0000-4000-8000-0000000000A2}")
          .get("Count", VarType::Long, {},
               [](SampleItems& s, CallArgs&) { return Variant(static_cast<int>(s.items_.size())); })
          .get("Item", VarType::Object, {byVal("index", VarType::Long)},
               [](SampleItems& s, CallArgs& a) {
                 std::int32_t i = a[0].asLong();
                 if (i < 1 || i > static_cast<std::int32_t>(s.items_.size())) raise(err::SubscriptOutOfRange);
                 return Variant(s.items_[i - 1]);
               })
          .method("Add", VarType::Object, {byVal("name", VarType::String)},
                  [](SampleItems& s, CallArgs& a) { return Variant(s.add(a[0].asString())); })
          .build();
  return info;
}

ObjectRef SampleItems::add(const std::string& name) {
  auto item = std::make_shared<Sample>();
  item->Name = name;
  items_.push_back(item);
  return item;
}

}  // namespace rc::testing
