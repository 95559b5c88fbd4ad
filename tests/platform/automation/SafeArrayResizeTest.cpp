// ReDim Preserve of the last dimension: kept elements stay where they were,
// new ones hold the element type's zero value.
#include <gtest/gtest.h>

#include "platform/automation/SafeArray.h"
#include "tests/support/TestSupport.h"

namespace rc::automation {
namespace {

using rc::testing::errorNumber;

TEST(SafeArrayResize, GrowingPadsWithTheZeroOfTheElementType) {
  struct Case {
    VarType element;
    Variant zero;
  };
  for (const Case& c : {Case{VarType::Long, Variant(0)}, Case{VarType::Double, Variant(0.0)},
                        Case{VarType::String, Variant("")}, Case{VarType::Boolean, Variant(false)},
                        Case{VarType::Variant, Variant()}, Case{VarType::Object, Variant::nothing()}}) {
    SafeArray a(c.element, {Bound{1, 2}});
    a.resizeLast(5);
    EXPECT_EQ(a.lbound(), 1);
    EXPECT_EQ(a.ubound(), 5);
    for (std::int32_t i = 3; i <= 5; ++i) EXPECT_EQ(a.get({i}), c.zero) << typeName(c.element) << " " << i;
  }

  SafeArray bytes(VarType::Byte, {Bound{0, 2}});
  bytes.setAt(1, 7);
  bytes.resizeLast(4);
  EXPECT_EQ(bytes.get({1}), Variant(std::uint8_t{7}));
  EXPECT_EQ(bytes.get({2}), Variant(std::uint8_t{0}));
  EXPECT_EQ(bytes.get({3}), Variant(std::uint8_t{0}));
}

TEST(SafeArrayResize, TwoDimensionsKeepTheirElementsInPlace) {
  // The first index varies fastest, so a new last-dimension slice comes after
  // every kept element and no element moves.
  SafeArray a(VarType::Long, {Bound{0, 2}, Bound{0, 2}});
  a.set({0, 0}, 1);
  a.set({1, 0}, 2);
  a.set({0, 1}, 3);
  a.set({1, 1}, 4);
  a.resizeLast(3);
  EXPECT_EQ(a.get({0, 0}), Variant(1));
  EXPECT_EQ(a.get({1, 0}), Variant(2));
  EXPECT_EQ(a.get({0, 1}), Variant(3));
  EXPECT_EQ(a.get({1, 1}), Variant(4));
  EXPECT_EQ(a.get({0, 2}), Variant(0));
  EXPECT_EQ(a.get({1, 2}), Variant(0));

  a.resizeLast(1);  // shrinking drops the last slices
  EXPECT_EQ(a.ubound(2), 0);
  EXPECT_EQ(a.get({1, 0}), Variant(2));
  EXPECT_EQ(errorNumber([&] { a.get({0, 1}); }), err::SubscriptOutOfRange);
  EXPECT_EQ(errorNumber([&] { a.resizeLast(-1); }), err::SubscriptOutOfRange);
}

}  // namespace
}  // namespace rc::automation
