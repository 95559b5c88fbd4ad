#include <gtest/gtest.h>

#include <limits>

#include "platform/automation/Error.h"
#include "platform/automation/SafeArray.h"
#include "tests/support/TestSupport.h"

namespace rc::automation {
namespace {

using rc::testing::errorNumber;

constexpr std::int32_t kLongMax = std::numeric_limits<std::int32_t>::max();

TEST(SafeArray, ElementCountsBeyondALongOverflowInsteadOfWrapping) {
  EXPECT_EQ(errorNumber([] { SafeArray(VarType::Long, {Bound{0, kLongMax}, Bound{0, 2}}); }), err::Overflow);
  EXPECT_EQ(errorNumber([] { SafeArray(VarType::Byte, {Bound{0, 65536}, Bound{0, 65536}}); }), err::Overflow);
  // An upper bound past 32 bits, even with a small count.
  EXPECT_EQ(errorNumber([] { SafeArray(VarType::Long, {Bound{kLongMax, 2}}); }), err::Overflow);
  EXPECT_EQ(errorNumber([] { SafeArray(VarType::Long, {Bound{0, -1}}); }), err::SubscriptOutOfRange);

  SafeArray edge(VarType::Byte, {Bound{kLongMax, 1}});
  EXPECT_EQ(edge.ubound(), kLongMax);
  EXPECT_EQ(edge.size(), 1u);
}

TEST(SafeArray, AResizeThatCannotBeHadKeepsTheArrayAsItWas) {
  SafeArray a(VarType::Long, {Bound{1, 2}, Bound{0, 2}});
  a.set({2, 1}, Variant(7));
  EXPECT_EQ(errorNumber([&] { a.resizeLast(kLongMax); }), err::Overflow);
  EXPECT_EQ(a.ubound(2), 1);
  EXPECT_EQ(a.size(), 4u);
  a.resizeLast(3);
  EXPECT_EQ(a.get({2, 1}).asLong(), 7);
  EXPECT_EQ(a.get({2, 2}).asLong(), 0);
}

TEST(SafeArray, ArraysNestOnlySoDeep) {
  SafeArray inner(VarType::Variant, {Bound{0, 1}});
  EXPECT_EQ(inner.nesting(), 1);
  int depth = 1;
  int raised = errorNumber([&] {
    for (int i = 0; i < 100000; ++i) {
      SafeArray outer(VarType::Variant, {Bound{0, 2}});
      outer.setAt(1, Variant(inner));
      inner = std::move(outer);
      ++depth;
    }
  });
  EXPECT_EQ(raised, err::TypeMismatch);
  EXPECT_EQ(depth, kMaxArrayNesting);
  EXPECT_EQ(inner.nesting(), kMaxArrayNesting);
  // vector() stores through the same check.
  EXPECT_EQ(errorNumber([&] { SafeArray::vector(VarType::Variant, {Variant(inner)}); }), err::TypeMismatch);
  EXPECT_EQ(SafeArray::vector(VarType::Variant, {Variant(1), Variant(SafeArray(VarType::Long, {Bound{0, 1}}))}).nesting(), 2);
}

}  // namespace
}  // namespace rc::automation
