#include <gtest/gtest.h>

#include "platform/automation/Dispatch.h"
#include "platform/automation/Error.h"
#include "platform/automation/Registry.h"
#include "platform/automation/SafeArray.h"

namespace rc::automation {
namespace {

// A small class with each kind of member.
class Counter : public Dispatch {
 public:
  std::int32_t Total = 0;
  std::string Label;

  static const ClassInfo& info() {
    static const ClassInfo ci = ClassBuilder<Counter>("TestLib", "Counter")
        .progId("TestLib.Counter")
        .ids("{1}", "_Counter", "{2}")
        .field("Total", VarType::Long, &Counter::Total)
        .field("Label", VarType::String, &Counter::Label)
        .method("Add", VarType::Long, {byVal("n", VarType::Long), byVal("times", VarType::Integer).opt(Variant::integer(1))},
                [](Counter& c, CallArgs& a) {
                  c.Total += a[0].asLong() * a[1].asInteger();
                  return Variant(c.Total);
                })
        .method("Split", VarType::Void, {byRef("whole", VarType::Long), byRef("half", VarType::Double)},
                [](Counter&, CallArgs& a) {
                  a[1] = Variant(a[0].asLong() / 2.0);
                  a[0] = Variant(0);
                  return Variant();
                })
        .build();
    return ci;
  }
  const ClassInfo& typeInfo() const override { return info(); }
};

TEST(Dispatch, MembersAreFoundInAnyCase) {
  auto c = std::make_shared<Counter>();
  EXPECT_EQ(call(c, "ADD", {Variant(5)}).asLong(), 5);
  EXPECT_EQ(call(c, "add", {Variant(2), Variant::integer(3)}).asLong(), 11);
  letProperty(c, "total", Variant("7"));  // converted to Long
  EXPECT_EQ(call(c, "Total").asLong(), 7);
}

TEST(Dispatch, ByReferenceArgumentsAreWrittenBack) {
  auto c = std::make_shared<Counter>();
  std::vector<Variant> args{Variant(9), Variant(0.0)};
  call(c, "Split", args);
  EXPECT_EQ(args[0].asLong(), 0);
  EXPECT_DOUBLE_EQ(args[1].asDouble(), 4.5);
}

TEST(Dispatch, BadCallsRaiseStandardErrors) {
  auto c = std::make_shared<Counter>();
  auto number = [&](auto fn) {
    try {
      fn();
    } catch (const AutomationError& e) {
      return e.number();
    }
    return 0;
  };
  EXPECT_EQ(number([&] { call(c, "Nope"); }), 438);
  EXPECT_EQ(number([&] { call(c, "Add"); }), 450);
  EXPECT_EQ(number([&] { call(c, "Add", {Variant(1), Variant(1), Variant(1)}); }), 450);
  EXPECT_EQ(number([&] { call(c, "Add", {Variant("x")}); }), 13);
  EXPECT_EQ(number([&] { call(c, "Add", {Variant(1), Variant(40000)}); }), 6);
  EXPECT_EQ(number([&] { call(nullptr, "Add"); }), 91);
  EXPECT_EQ(number([&] { createObject("No.Such.Class"); }), 429);
}

TEST(Registry, CreatesByProgIdAndAttachesToRunningObjects) {
  registerClass("TestLib.Counter", Counter::info(), [] { return std::make_shared<Counter>(); });
  ObjectRef a = createObject("testlib.COUNTER");
  ASSERT_TRUE(a);
  EXPECT_THROW(getObject("TestLib.Counter"), AutomationError);
  registerRunning("TestLib.Counter", a);
  EXPECT_EQ(getObject("TESTLIB.counter"), a);
  revokeRunning(a.get());
  EXPECT_THROW(getObject("TestLib.Counter"), AutomationError);
}

}  // namespace
}  // namespace rc::automation
