#include <gtest/gtest.h>

#include <cmath>

#include "platform/automation/NumberText.h"
#include "platform/automation/SafeArray.h"
#include "platform/automation/Variant.h"
#include "platform/os/Locale.h"
#include "tests/support/TestSupport.h"

namespace rc::automation {
namespace {

using rc::testing::errorNumber;
using rc::testing::ScopedEnv;

// Every test here runs under the C locale unless it says otherwise.
class VariantTest : public ::testing::Test {
 protected:
  ScopedEnv all_{"LC_ALL", "C"};
};

TEST_F(VariantTest, IntegerConversionsRoundHalfToEven) {
  const std::pair<double, int> cases[] = {
      {0.5, 0}, {1.5, 2}, {2.5, 2}, {3.5, 4}, {-0.5, 0}, {-1.5, -2}, {-2.5, -2},
      {2.4999999, 2}, {2.5000001, 3}, {-3.7, -4}, {1e9 + 0.5, 1000000000},
  };
  for (auto [in, out] : cases) {
    EXPECT_EQ(Variant(in).toLong(), out) << in;
    if (std::fabs(in) < 32768) {
      EXPECT_EQ(Variant(in).toInteger(), out) << in;
    }
  }
  EXPECT_EQ(Variant("6.5").toInteger(), 6);
  EXPECT_EQ(Variant(" 7.5 ").toLong(), 8);
  EXPECT_EQ(Variant(true).toLong(), -1);
  EXPECT_EQ(Variant(false).toInteger(), 0);
  EXPECT_EQ(Variant().toLong(), 0);
  EXPECT_EQ(Variant(254.5).toByte(), 254);
  EXPECT_EQ(Variant(-0.5).toByte(), 0);
}

TEST_F(VariantTest, ConversionsOutsideTheRangeOverflow) {
  EXPECT_EQ(Variant(32767.49).toInteger(), 32767);
  EXPECT_EQ(errorNumber([] { Variant(32767.5).toInteger(); }), err::Overflow);
  EXPECT_EQ(Variant(-32768.5).toInteger(), -32768);
  EXPECT_EQ(errorNumber([] { Variant(-32768.51).toInteger(); }), err::Overflow);
  EXPECT_EQ(errorNumber([] { Variant(40000).toInteger(); }), err::Overflow);
  EXPECT_EQ(Variant(-2147483648.5).toLong(), INT32_MIN);
  EXPECT_EQ(errorNumber([] { Variant(2147483647.5).toLong(); }), err::Overflow);
  EXPECT_EQ(errorNumber([] { Variant(1e300).toLong(); }), err::Overflow);
  EXPECT_EQ(errorNumber([] { Variant(NAN).toLong(); }), err::Overflow);
  EXPECT_EQ(errorNumber([] { Variant(255.5).toByte(); }), err::Overflow);
  EXPECT_EQ(errorNumber([] { Variant(-0.51).toByte(); }), err::Overflow);
  EXPECT_EQ(errorNumber([] { Variant("1e999").toDouble(); }), err::Overflow);
  EXPECT_EQ(errorNumber([] { Variant("99999").convertTo(VarType::Integer); }), err::Overflow);
}

TEST_F(VariantTest, TextThatIsNoNumberIsATypeMismatch) {
  for (const char* text : {"", "   ", "abc", "12abc", "1.2.3", "1,5", "--1", "1e", "&H"}) {
    EXPECT_EQ(errorNumber([&] { Variant(text).toDouble(); }), 13) << text;
  }
  EXPECT_EQ(errorNumber([] { Variant::null().toLong(); }), err::TypeMismatch);
  EXPECT_EQ(errorNumber([] { Variant::null().toText(); }), err::TypeMismatch);
  EXPECT_EQ(errorNumber([] { Variant("maybe").toBool(); }), err::TypeMismatch);
  EXPECT_EQ(errorNumber([] { Variant(5).toObject(); }), err::ObjectRequired);
  EXPECT_EQ(errorNumber([] { Variant(5).asString(); }), err::TypeMismatch);
  EXPECT_EQ(errorNumber([] { Variant(1).convertTo(VarType::Array); }), err::TypeMismatch);

  EXPECT_DOUBLE_EQ(Variant(" -1.5e3 ").toDouble(), -1500);
  EXPECT_DOUBLE_EQ(Variant(".5").toDouble(), 0.5);
  EXPECT_DOUBLE_EQ(Variant("&H1F").toDouble(), 31);
  EXPECT_TRUE(Variant(" TRUE ").toBool());
  EXPECT_FALSE(Variant("false").toBool());
  EXPECT_TRUE(Variant("-2").toBool());
}

TEST_F(VariantTest, NumbersBecomeTextWithFifteenDigits) {
  EXPECT_EQ(Variant(0.1 + 0.2).toText(), "0.3");
  EXPECT_EQ(Variant(1.0 / 3).toText(), "0.333333333333333");
  EXPECT_EQ(Variant(100.0).toText(), "100");
  EXPECT_EQ(Variant(-2.5).toText(), "-2.5");
  EXPECT_EQ(Variant(1e16).toText(), "1E+16");
  EXPECT_EQ(Variant(123456789012345.0).toText(), "123456789012345");
  EXPECT_EQ(Variant(-0.0).toText(), "0");
  EXPECT_EQ(Variant(true).toText(), "True");
  EXPECT_EQ(Variant::integer(-7).toText(), "-7");
  EXPECT_EQ(Variant(std::uint8_t{200}).toText(), "200");
  EXPECT_EQ(Variant().toText(), "");
}

TEST_F(VariantTest, PrintAndWriteForms) {
  EXPECT_EQ(printForm(3), " 3 ");
  EXPECT_EQ(printForm(-1), "-1 ");
  EXPECT_EQ(printForm(0), " 0 ");
  EXPECT_EQ(printForm(2.25), " 2.25 ");
  EXPECT_EQ(writeForm(2.25), "2.25");
  EXPECT_EQ(writeForm(-120), "-120");
}

TEST_F(VariantTest, NumberFormatsRoundHalvesAwayFromZero) {
  struct Case {
    double value;
    const char* pattern;
    const char* text;
  };
  const Case cases[] = {
      {0.125, "0%", "13%"},
      {0.05, "0%", "5%"},
      {-0.25, "0%", "-25%"},
      {1.5, "0%", "150%"},
      {12.345, "####0.0", "12.3"},
      {0.04, "####0.0", "0.0"},
      {123456.78, "####0.0", "123456.8"},
      {-1.25, "####0.0", "-1.3"},
      {7, "00", "07"},
      {2.5, "00", "03"},
      {123, "00", "123"},
      {1.0 / 3, "0.0000000", "0.3333333"},
      {2.0 / 3, "0.0000000", "0.6666667"},
      {1, "0.00000000000000", "1.00000000000000"},
      {0.1, "0.00000000000000", "0.10000000000000"},
      {9.9999999999999999e-1, "0.0", "1.0"},
      {99.96, "####0.0", "100.0"},
  };
  for (const Case& c : cases) EXPECT_EQ(formatNumber(c.value, c.pattern), c.text) << c.value << " " << c.pattern;
  EXPECT_EQ(errorNumber([] { formatNumber(INFINITY, "0%"); }), err::Overflow);
  EXPECT_EQ(errorNumber([] { formatNumber(NAN, "0.0"); }), err::Overflow);
}

TEST_F(VariantTest, LeadingNumberReading) {
  EXPECT_DOUBLE_EQ(leadingNumber("  12.5abc"), 12.5);
  EXPECT_DOUBLE_EQ(leadingNumber("1 2 3"), 123);
  EXPECT_DOUBLE_EQ(leadingNumber(" - 4"), -4);
  EXPECT_DOUBLE_EQ(leadingNumber("-3.5e2x"), -350);
  EXPECT_DOUBLE_EQ(leadingNumber("1.2.3"), 1.2);
  EXPECT_DOUBLE_EQ(leadingNumber(".5"), 0.5);
  EXPECT_DOUBLE_EQ(leadingNumber("&H1F"), 31);
  EXPECT_DOUBLE_EQ(leadingNumber("2e"), 2);
  // Only "." is a decimal sign, whatever the locale.
  EXPECT_DOUBLE_EQ(leadingNumber("0,5"), 0);
  EXPECT_DOUBLE_EQ(leadingNumber("10,40"), 10);
  for (const char* text : {"", "abc", ",5", "-", "..5", "nt = 5"}) EXPECT_DOUBLE_EQ(leadingNumber(text), 0) << text;
  EXPECT_EQ(errorNumber([] { leadingNumber("1e999"); }), err::Overflow);
}

TEST_F(VariantTest, ArraysConvertTheirElements) {
  SafeArray a(VarType::Integer, {Bound{1, 2}, Bound{-1, 3}});
  a.set({2, 1}, Variant(2.5));
  EXPECT_EQ(a.get({2, 1}), Variant::integer(2));
  EXPECT_EQ(errorNumber([&] { a.set({1, 1}, Variant(1e6)); }), err::Overflow);
  EXPECT_EQ(errorNumber([&] { a.get({3, 1}); }), err::SubscriptOutOfRange);
  EXPECT_EQ(errorNumber([&] { a.get({1}); }), err::SubscriptOutOfRange);
  EXPECT_EQ(a.lbound(2), -1);
  EXPECT_EQ(a.ubound(2), 1);
  Variant v(a);
  Variant copy = v;
  copy.asArray().set({1, -1}, Variant(9));
  EXPECT_EQ(v.asArray().get({1, -1}), Variant::integer(0));  // arrays copy by value

  SafeArray bytes(VarType::Byte, {Bound{0, 4}});
  bytes.setAt(3, Variant(255));
  EXPECT_EQ(bytes.bytes()[3], 255);
  EXPECT_EQ(errorNumber([&] { bytes.setAt(0, Variant(256)); }), err::Overflow);
  bytes.resizeLast(6);
  EXPECT_EQ(bytes.ubound(), 5);
  EXPECT_EQ(bytes.bytes()[3], 255);
}

TEST(VariantLocale, CLocaleUsesDotAndMonthFirstDates) {
  ScopedEnv all("LC_ALL", "C");
  EXPECT_EQ(platform::numberFormat().decimal, ".");
  std::tm t{};
  t.tm_year = 2024 - 1900;
  t.tm_mon = 2;
  t.tm_mday = 5;
  EXPECT_EQ(platform::shortDate(t), "03/05/2024");
}

TEST(VariantLocale, DatesConvertToShortDateAndTime) {
  ScopedEnv all("LC_ALL", "C");
  EXPECT_EQ(Variant::date(45356.0).toText(), "03/05/2024");
  EXPECT_EQ(Variant::date(45356.75).toText(), "03/05/2024 18:00:00");
  EXPECT_EQ(Variant::date(0.5).toText(), "12:00:00");
  EXPECT_EQ(Variant::date(-1.25).toText(), "12/29/1899 06:00:00");
  EXPECT_EQ(Variant::date(2.0).convertTo(VarType::String).asString(), "01/01/1900");
  EXPECT_EQ(errorNumber([] { Variant::date(1e12).toText(); }), err::Overflow);
}

TEST(VariantLocale, CommaDecimalLocaleIsFollowedForTextButNotForWriteForm) {
  std::optional<std::string> name = rc::testing::commaDecimalLocale();
  if (!name) GTEST_SKIP() << "no locale with a decimal comma on this machine";
  ScopedEnv all("LC_ALL", std::nullopt);
  ScopedEnv numeric("LC_NUMERIC", *name);

  EXPECT_EQ(platform::numberFormat().decimal, ",");
  EXPECT_EQ(Variant(2.5).toText(), "2,5");
  EXPECT_EQ(printForm(-1.5), "-1,5 ");
  EXPECT_EQ(writeForm(-1.5), "-1.5");
  EXPECT_EQ(formatNumber(0.25, "####0.0"), "0,3");
  EXPECT_DOUBLE_EQ(Variant("2,5").toDouble(), 2.5);
  EXPECT_DOUBLE_EQ(Variant(" 1.234,5 ").toDouble(), 1234.5);
  EXPECT_EQ(Variant("3,5").toInteger(), 4);
  EXPECT_DOUBLE_EQ(leadingNumber("2,5"), 2);
  EXPECT_DOUBLE_EQ(leadingNumber("2.5"), 2.5);

  // The environment is read at each conversion, not once.
  ScopedEnv all2("LC_ALL", "C");
  EXPECT_EQ(Variant(2.5).toText(), "2.5");
}

TEST(VariantLocale, CommaDecimalLocaleShortDate) {
  std::optional<std::string> name = rc::testing::commaDecimalLocale();
  if (!name) GTEST_SKIP() << "no locale with a decimal comma on this machine";
  ScopedEnv all("LC_ALL", *name);
  std::tm t{};
  t.tm_year = 2024 - 1900;
  t.tm_mon = 2;
  t.tm_mday = 5;
  EXPECT_EQ(platform::shortDate(t), "05.03.2024");
}

}  // namespace
}  // namespace rc::automation
