#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>

#include "platform/automation/Dispatch.h"
#include "platform/automation/Error.h"
#include "platform/automation/Registry.h"
#include "platform/automation/SafeArray.h"
#include "tests/support/TestSupport.h"

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
  EXPECT_EQ(number([&] { call(c, "Nope"); }), err::NotSupported);
  EXPECT_EQ(number([&] { call(c, "Add"); }), err::WrongArgumentCount);
  EXPECT_EQ(number([&] { call(c, "Add", {Variant(1), Variant(1), Variant(1)}); }), err::WrongArgumentCount);
  EXPECT_EQ(number([&] { call(c, "Add", {Variant("x")}); }), err::TypeMismatch);
  EXPECT_EQ(number([&] { call(c, "Add", {Variant(1), Variant(40000)}); }), err::Overflow);
  EXPECT_EQ(number([&] { call(nullptr, "Add"); }), err::ObjectNotSet);
  EXPECT_EQ(number([&] { createObject("No.Such.Class"); }), err::CannotCreateObject);
}

// A collection-like class with optional, by-reference, object and indexed members.
class Shelf : public Dispatch {
 public:
  std::vector<std::string> items;
  ObjectRef owner;

  static const ClassInfo& info() {
    static const ClassInfo ci = ClassBuilder<Shelf>("TestLib", "Shelf")
        .progId("TestLib.Shelf")
        .ids("{3}", "_Shelf", "{4}")
        // Put(ByRef item, [ByVal where As Long], [ByRef note As String = "none"]) As String
        .method("Put", VarType::String,
                {byRef("item", VarType::Variant), byVal("where", VarType::Long).opt(), byRef("note", VarType::String).opt("none")},
                [](Shelf& s, CallArgs& a) {
                  std::string where = a.supplied(1) ? a[1].toText() : (a[1].isMissing() ? "missing" : "?");
                  std::string said = where + "/" + a[2].asString();
                  s.items.push_back(a[0].toText());
                  a[0] = Variant("stored");
                  a[2] = Variant("noted");
                  return Variant(said);
                })
        .get("Count", VarType::Long, {}, [](Shelf& s, CallArgs&) { return Variant(static_cast<int>(s.items.size())); })
        .get("Item", VarType::String, {byVal("index", VarType::Long)},
             [](Shelf& s, CallArgs& a) {
               std::int32_t i = a[0].asLong();
               if (i < 1 || i > static_cast<std::int32_t>(s.items.size())) raise(err::SubscriptOutOfRange);
               return Variant(s.items[static_cast<std::size_t>(i - 1)]);
             })
        .get("Owner", VarType::Object, {}, [](Shelf& s, CallArgs&) { return Variant(s.owner); })
        .set("Owner", {byVal("value", VarType::Object)}, [](Shelf& s, CallArgs& a) {
          s.owner = a[0].asObject();
          return Variant();
        })
        .method("Throw", VarType::Void, {}, [](Shelf&, CallArgs&) -> Variant { throw std::runtime_error("disk on fire"); })
        .build();
    return ci;
  }
  const ClassInfo& typeInfo() const override { return info(); }
};

TEST(Dispatch, OptionalArgumentsMayBeOmittedOrMissing) {
  auto s = std::make_shared<Shelf>();
  std::vector<Variant> args{Variant("apple")};
  EXPECT_EQ(call(s, "put", args).asString(), "missing/none");
  EXPECT_EQ(args[0].asString(), "stored");

  args = {Variant(7), Variant::missing(), Variant(42)};
  EXPECT_EQ(call(s, "Put", args).asString(), "missing/42");  // converted to String on the way in
  EXPECT_EQ(args[2].asString(), "noted");                     // and written back

  args = {Variant(1.5), Variant("3"), Variant::missing()};
  EXPECT_EQ(call(s, "Put", args).asString(), "3/none");
  EXPECT_TRUE(args[2].isMissing());  // an omitted by-reference argument stays omitted
  EXPECT_EQ(args[1].asString(), "3");  // by value: the caller's slot is untouched

  EXPECT_EQ(s->items, (std::vector<std::string>{"apple", "7", "1.5"}));
  EXPECT_EQ(rc::testing::errorNumber([&] { call(s, "Put", {Variant::missing()}); }), err::WrongArgumentCount);
}

TEST(Dispatch, FailedCallsWriteNothingBackAndNameTheirSource) {
  auto s = std::make_shared<Shelf>();
  std::vector<Variant> args{Variant("x"), Variant("not a number")};
  EXPECT_EQ(rc::testing::errorNumber([&] { call(s, "Put", args); }), err::TypeMismatch);
  EXPECT_EQ(args[0].asString(), "x");
  EXPECT_TRUE(s->items.empty());

  try {
    call(s, "Item", {Variant(5)});
    ADD_FAILURE();
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), err::SubscriptOutOfRange);
    EXPECT_EQ(e.source(), "TestLib.Shelf");
  }
  try {
    call(s, "Throw");
    ADD_FAILURE();
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), err::ApplicationDefined);
    EXPECT_EQ(e.description(), "disk on fire");
  }
}

TEST(Dispatch, CallKindsSelectTheMember) {
  auto s = std::make_shared<Shelf>();
  auto owner = std::make_shared<Counter>();
  auto number = [](auto fn) { return rc::testing::errorNumber(fn); };

  setProperty(s, "OWNER", owner);
  EXPECT_EQ(callObject(s, "owner"), owner);
  Variant objectValue{ObjectRef(owner)};
  s->invoke("Owner", kLet, std::span(&objectValue, 1));  // let of an object falls back to set
  EXPECT_EQ(number([&] { letProperty(s, "Owner", Variant(5)); }), err::NotSupported);
  EXPECT_EQ(number([&] { letProperty(s, "Count", Variant(5)); }), err::NotSupported);
  EXPECT_EQ(number([&] { Variant v(1); s->invoke("Count", kMethod, std::span(&v, 1)); }), err::NotSupported);  // a property, not a method
  EXPECT_EQ(number([&] { call(s, "Count", {Variant(1)}); }), err::WrongArgumentCount);
  EXPECT_EQ(number([&] { setProperty(s, "Count", owner); }), err::NotSupported);
  EXPECT_EQ(number([&] { callObject(s, "Count"); }), err::TypeMismatch);
  EXPECT_EQ(number([&] { letProperty(owner, "Total", Variant(3e9)); }), err::Overflow);
  EXPECT_EQ(number([&] { letProperty(owner, "Total", Variant(ObjectRef(owner))); }), err::TypeMismatch);

  call(s, "Put", {Variant("a")});
  call(s, "Put", {Variant("b")});
  EXPECT_EQ(call(s, "item", {Variant(2)}).asString(), "b");
  std::optional<std::vector<Variant>> items = s->enumerate();
  ASSERT_TRUE(items);
  EXPECT_EQ(*items, (std::vector<Variant>{Variant("a"), Variant("b")}));
  EXPECT_FALSE(owner->enumerate());

  EXPECT_EQ(s->queryInterface("_Shelf"), s);
  EXPECT_EQ(s->queryInterface("IDispatch"), s);
  EXPECT_EQ(s->queryInterface("_Counter"), nullptr);
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

  // A later registration under the same name (any case) replaces the earlier one.
  registerRunning("TestLib.Counter", a);
  ObjectRef b = createObject("TestLib.Counter");
  registerRunning("TESTLIB.COUNTER", b);
  EXPECT_EQ(getObject("TestLib.Counter"), b);
  revokeRunning("testlib.counter");
  EXPECT_EQ(rc::testing::errorNumber([] { getObject("TestLib.Counter"); }), err::CannotCreateObject);

  EXPECT_EQ(classInfoFor("TESTLIB.COUNTER"), &Counter::info());
  registerClass("TestLib.Counter2", Counter::info(), [] { return std::make_shared<Counter>(); });
  registerClass("TestLib.Shelf", Shelf::info(), [] { return std::make_shared<Shelf>(); });
  std::vector<const ClassInfo*> classes = registeredClasses("TestLib");
  EXPECT_EQ(classes, (std::vector<const ClassInfo*>{&Counter::info(), &Shelf::info()}));

  registerClass("TestLib.Broken", Shelf::info(), []() -> ObjectRef { throw std::runtime_error("no"); });
  EXPECT_EQ(rc::testing::errorNumber([] { createObject("TestLib.Broken"); }), err::CannotCreateObject);
  registerClass("TestLib.Broken", Shelf::info(), [] { return ObjectRef(); });
  EXPECT_EQ(rc::testing::errorNumber([] { createObject("testlib.broken"); }), err::CannotCreateObject);
  unregisterClass("TESTLIB.BROKEN");
  unregisterClass("TestLib.Counter2");
  EXPECT_EQ(classInfoFor("TestLib.Broken"), nullptr);
}

}  // namespace
}  // namespace rc::automation

namespace rc::automation {
namespace {

TEST(Dispatch, ErrorsBeforeTheMemberRunsNameTheClass) {
  auto c = std::make_shared<Counter>();
  for (auto bad : {std::vector<Variant>{}, std::vector<Variant>{Variant("x")}}) {
    try {
      call(c, "Add", bad);
      FAIL() << "the call should raise";
    } catch (const AutomationError& e) {
      EXPECT_EQ(e.source(), "TestLib.Counter");
    }
  }
}

}  // namespace
}  // namespace rc::automation

namespace rc::automation {
namespace {

std::string descriptionOf(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const AutomationError& e) {
    return e.description();
  }
  return "(no error)";
}

TEST(Dispatch, CallShapeErrorsNameTheMemberAndTheArgument) {
  auto c = std::make_shared<Counter>();
  auto s = std::make_shared<Shelf>();
  const std::string wrongCount = "Wrong number of arguments or invalid property assignment: ";
  EXPECT_EQ(descriptionOf([&] { call(c, "Add"); }), wrongCount + "Add takes 1 to 2 arguments, 0 given");
  EXPECT_EQ(descriptionOf([&] { call(c, "split", {Variant(1), Variant(2), Variant(3)}); }),
            wrongCount + "Split takes 2 arguments, 3 given");
  EXPECT_EQ(descriptionOf([&] { call(s, "Count", {Variant(1)}); }), wrongCount + "Count takes no arguments, 1 given");
  EXPECT_EQ(descriptionOf([&] { call(s, "Item", {Variant(1), Variant(2)}); }),
            wrongCount + "Item takes 1 argument, 2 given");
  EXPECT_EQ(descriptionOf([&] { call(s, "Put", {Variant::missing()}); }),
            wrongCount + "argument 'item' of Put is not optional");
  EXPECT_EQ(descriptionOf([&] { call(c, "Add", {Variant("x")}); }),
            "Type mismatch: argument 'n' of Add takes Long, String given");
  EXPECT_EQ(descriptionOf([&] { call(c, "Add", {Variant(1), Variant(40000)}); }),
            "Overflow: argument 'times' of Add takes Integer, Long given");
  EXPECT_EQ(descriptionOf([&] { letProperty(c, "Label", Variant(ObjectRef(s))); }),
            "Type mismatch: argument 'value' of Label takes String, Object given");
  // Errors of the member itself keep their text.
  EXPECT_EQ(descriptionOf([&] { call(s, "Item", {Variant(9)}); }), "Subscript out of range");
}

TEST(Dispatch, OneRuleResolvesEveryCallKind) {
  const ClassInfo& info = Shelf::info();
  auto kindOf = [&](std::string_view name, std::uint8_t kind, std::vector<Variant> args = {}) -> std::string {
    const MemberInfo* m = resolveMember(info, name, kind, args);
    return m ? m->name + " " + std::string(memberKindName(m->kind)) : "none";
  };
  EXPECT_EQ(kindOf("put", kMethod | kGet), "Put method");
  EXPECT_EQ(kindOf("Put", kGet), "Put method");        // a get-only call falls back to a method
  EXPECT_EQ(kindOf("Count", kMethod), "none");         // a method call never reaches a property
  EXPECT_EQ(kindOf("Count", kMethod | kGet), "Count get");
  EXPECT_EQ(kindOf("Owner", kLet, {Variant(5)}), "none");
  EXPECT_EQ(kindOf("Owner", kLet, {Variant(ObjectRef())}), "Owner set");  // a let of an object falls back to set
  EXPECT_EQ(kindOf("Owner", kSet | kLet), "Owner set");
  EXPECT_EQ(kindOf("Nope", kMethod | kGet), "none");
  EXPECT_EQ(argumentName(*resolveMember(info, "Put", kMethod, {}), 1), "argument 'where' of Put");
  EXPECT_EQ(argumentName(*resolveMember(info, "Put", kMethod, {}), 5), "argument 6 of Put");
}

TEST(Registry, TypeLibrariesAnswerTheirVersionAndId) {
  registerClass("TestLib.Shelf", Shelf::info(), [] { return std::make_shared<Shelf>(); });
  EXPECT_FALSE(typeLibrary("NoSuchLibrary"));
  std::optional<TypeLibrary> bare = typeLibrary("testlib");
  ASSERT_TRUE(bare);
  EXPECT_EQ(bare->library.name, "TestLib");
  EXPECT_EQ(bare->library.version, "");

  registerLibrary({"TestLib", "3.2", "{00000000-0000-0000-0000-0000000000C3}"});
  std::optional<TypeLibrary> lib = typeLibrary("TESTLIB");
  ASSERT_TRUE(lib);
  EXPECT_EQ(lib->library.version, "3.2");
  EXPECT_EQ(lib->library.libid, "{00000000-0000-0000-0000-0000000000C3}");
  EXPECT_EQ(lib->classes, registeredClasses("TestLib"));
}

}  // namespace
}  // namespace rc::automation
