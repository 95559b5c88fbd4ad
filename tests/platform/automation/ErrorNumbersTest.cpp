// The named error numbers are the automation runtime's own: harnesses match
// on the numbers, so every constant keeps its value.
#include <gtest/gtest.h>

#include "platform/automation/Error.h"

namespace rc::automation {
namespace {

TEST(ErrorNumbers, NamedConstantsKeepTheirNumbers) {
  const std::pair<int, int> numbers[] = {
      {err::InvalidCall, 5},          {err::Overflow, 6},
      {err::OutOfMemory, 7},          {err::SubscriptOutOfRange, 9},
      {err::DivisionByZero, 11},      {err::TypeMismatch, 13},
      {err::BadFileNameOrNumber, 52}, {err::FileNotFound, 53},
      {err::FileAlreadyOpen, 55},     {err::FileAlreadyExists, 58},
      {err::InputPastEndOfFile, 62},  {err::PermissionDenied, 70},
      {err::PathFileAccessError, 75}, {err::PathNotFound, 76},
      {err::ObjectNotSet, 91},        {err::ObjectRequired, 424},
      {err::CannotCreateObject, 429}, {err::NotSupported, 438},
      {err::ApplicationDefined, 440}, {err::WrongArgumentCount, 450},
  };
  for (auto [named, number] : numbers) EXPECT_EQ(named, number);
}

}  // namespace
}  // namespace rc::automation
