#include "Sample.h"

#include <cstdint>
#include <memory>

#include "SampleItems.h"
#include "platform/automation/Error.h"
#include "platform/automation/Registry.h"
#include "platform/automation/SafeArray.h"
#include "platform/os/MessageSink.h"

namespace rc::testing {

using namespace rc::automation;

namespace {

constexpr const char* kSampleProgId = "RavelcrestTest.Sample";

// "Long(1 To 2, 0 To 3)": an array's element type and bounds, or the
// value's type name.
std::string shapeOf(const Variant& v) {
  if (!v.isArray()) return std::string(typeName(v.type()));
  const SafeArray& a = v.asArray();
  std::string text = std::string(typeName(a.elementType())) + "(";
  for (int d = 1; d <= a.dimensions(); ++d) {
    if (d > 1) text += ", ";
    text += std::to_string(a.lbound(d)) + " To " + std::to_string(a.ubound(d));
  }
  return text + ")";
}

// A Long array (1 To 2, 1 To 3, 1 To 4) holding 100 i + 10 j + k.
SafeArray cube() {
  SafeArray a(VarType::Long, {Bound{1, 2}, Bound{1, 3}, Bound{1, 4}});
  for (int i = 1; i <= 2; ++i)
    for (int j = 1; j <= 3; ++j)
      for (int k = 1; k <= 4; ++k) a.set({i, j, k}, Variant(100 * i + 10 * j + k));
  return a;
}

// A pixel-style Byte array (channel 0 To 3, pixel 0 To 1, line 0 To 1)
// holding its own storage positions.
SafeArray pixels() {
  SafeArray a(VarType::Byte, {Bound{0, 4}, Bound{0, 2}, Bound{0, 2}});
  for (std::size_t i = 0; i < a.size(); ++i) a.bytes()[i] = static_cast<std::uint8_t>(i);
  return a;
}

}  // namespace

const ClassInfo& Sample::classInfo() {
  static const ClassInfo info =
      ClassBuilder<Sample>("RavelcrestTest", "Sample")
          .progId(kSampleProgId)
          .ids("{7A1C0001-0000-4000-8000-000000000001}", "_Sample", "{7A1C0001-0000-4000-8000-0000000000A1}")
          .field("Name", VarType::String, &Sample::Name)
          .field("Count", VarType::Long, &Sample::Count)
          .field("Ratio", VarType::Double, &Sample::Ratio)
          .field("Flag", VarType::Boolean, &Sample::Flag)
          .field("Small", VarType::Integer, &Sample::Small)
          .field("Value", VarType::Variant, &Sample::Value)
          .get("Child", VarType::Object, {}, [](Sample& s, CallArgs&) { return Variant(s.child_); })
          .set("Child", {byVal("value", VarType::Object)},
               [](Sample& s, CallArgs& a) {
                 s.child_ = a[0].toObject();
                 return Variant();
               })
          .get("Cell", VarType::Long, {byVal("row", VarType::Long), byVal("col", VarType::Long)},
               [](Sample& s, CallArgs& a) {
                 auto it = s.cells_.find({a[0].asLong(), a[1].asLong()});
                 return Variant(it == s.cells_.end() ? 0 : it->second);
               })
          .let("Cell", {byVal("row", VarType::Long), byVal("col", VarType::Long), byVal("value", VarType::Long)},
               [](Sample& s, CallArgs& a) {
                 s.cells_[{a[0].asLong(), a[1].asLong()}] = a[2].asLong();
                 return Variant();
               })
          .method("Echo", VarType::Variant, {byVal("v", VarType::Variant)},
                  [](Sample&, CallArgs& a) { return a[0]; })
          .method("Shape", VarType::String, {byVal("v", VarType::Variant)},
                  [](Sample&, CallArgs& a) { return Variant(shapeOf(a[0])); })
          .method("Add", VarType::Long, {byVal("a", VarType::Long), byVal("b", VarType::Long).opt(10)},
                  [](Sample&, CallArgs& a) { return Variant(a[0].asLong() + a[1].asLong()); })
          .method("Swap", VarType::Void, {byRef("first", VarType::Variant), byRef("second", VarType::Variant)},
                  [](Sample&, CallArgs& a) {
                    std::swap(a[0], a[1]);
                    return Variant();
                  })
          .method("Divide", VarType::Long,
                  {byVal("n", VarType::Long), byVal("d", VarType::Long), byRef("remainder", VarType::Long),
                   byRef("note", VarType::String).opt("")},
                  [](Sample&, CallArgs& a) {
                    std::int64_t n = a[0].asLong();
                    std::int64_t d = a[1].asLong();
                    if (d == 0) raise(err::DivisionByZero);
                    if (n / d > INT32_MAX) raise(err::Overflow);
                    a[2] = Variant(static_cast<int>(n % d));
                    a[3] = Variant(n % d == 0 ? "exact" : "inexact");
                    return Variant(static_cast<int>(n / d));
                  })
          // One name in every call kind, each advancing its by-reference
          // cursor by a different step: which member a call reached shows
          // in what it answers.
          .method("Next", VarType::String, {byRef("at", VarType::Long)},
                  [](Sample&, CallArgs& a) {
                    a[0] = Variant(a[0].asLong() + 1);
                    return Variant("method");
                  })
          .get("Next", VarType::String, {byVal("at", VarType::Long)}, [](Sample&, CallArgs&) { return Variant("get"); })
          .let("Next", {byRef("at", VarType::Long), byVal("value", VarType::Variant)},
               [](Sample& s, CallArgs& a) {
                 s.Value = a[1];
                 a[0] = Variant(a[0].asLong() + 2);
                 return Variant();
               })
          .set("Next", {byRef("at", VarType::Long), byVal("value", VarType::Object)},
               [](Sample& s, CallArgs& a) {
                 s.child_ = a[1].toObject();
                 a[0] = Variant(a[0].asLong() + 3);
                 return Variant();
               })
          .method("Vector", VarType::Variant, {},
                  [](Sample&, CallArgs&) {
                    return Variant(SafeArray::vector(VarType::Variant, {Variant(1), Variant("two"), Variant(3.5)}));
                  })
          .method("Cube", VarType::Variant, {}, [](Sample&, CallArgs&) { return Variant(cube()); })
          .method("Pixels", VarType::Variant, {}, [](Sample&, CallArgs&) { return Variant(pixels()); })
          .method("Items", VarType::Object, {byVal("count", VarType::Long).opt(3)},
                  [](Sample&, CallArgs& a) {
                    auto items = std::make_shared<SampleItems>();
                    for (std::int32_t i = 1; i <= a[0].asLong(); ++i) items->add("item" + std::to_string(i));
                    return Variant(ObjectRef(items));
                  })
          .method("NoObject", VarType::Object, {}, [](Sample&, CallArgs&) { return Variant::nothing(); })
          .method("Fail", VarType::Void, {byVal("number", VarType::Long), byVal("description", VarType::String).opt("")},
                  [](Sample&, CallArgs& a) -> Variant {
                    if (a.supplied(1)) raise(a[0].asLong(), a[1].asString(), "");
                    raise(a[0].asLong());
                  })
          .method("Notify", VarType::Void, {byVal("text", VarType::String)},
                  [](Sample&, CallArgs& a) {
                    platform::showMessage(a[0].asString());
                    return Variant();
                  })
          .method("Publish", VarType::Void, {},
                  [](Sample& s, CallArgs&) {
                    registerRunning(kSampleProgId, s.self());
                    return Variant();
                  })
          .method("Revoke", VarType::Void, {},
                  [](Sample& s, CallArgs&) {
                    revokeRunning(&s);
                    return Variant();
                  })
          .build();
  return info;
}

void registerTestClasses() {
  registerClass(kSampleProgId, Sample::classInfo(), [] { return std::make_shared<Sample>(); });
  registerClass("RavelcrestTest.Items", SampleItems::classInfo(), [] { return std::make_shared<SampleItems>(); });
}

}  // namespace rc::testing
