// The number texts the library reads and writes.
//
//   numberText      CStr of a Double: up to 15 significant digits, the locale's
//                   decimal sign, exponent form ("1E+16") only when needed
//   writeForm       the same digits with "." as decimal sign
//   printForm       " 3 " / "-1 ": sign or space, the number text, one space
//   formatNumber    Format with a digit pattern: "0%", "####0.0", "00",
//                   "0.0000000", "0.00000000000000" (halves away from zero);
//                   Overflow (6) for an infinite or NaN value
//   parseNumber     locale-aware text to number (CDbl); nullopt when not a
//                   number, Overflow (6) when beyond the Double range
//   leadingNumber   the leading-number reading (Val): only "." as decimal sign,
//                   blanks skipped, 0 when the text does not start with a
//                   number, Overflow (6) when beyond the Double range
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/os/Locale.h"

namespace rc::automation {

std::string numberText(double value);
std::string writeForm(double value);
std::string printForm(double value);
std::string formatNumber(double value, std::string_view pattern);

std::optional<double> parseNumber(std::string_view text);
// The same under the given conventions (for loops that convert many texts).
std::optional<double> parseNumber(std::string_view text, const platform::NumberFormat& format);
double leadingNumber(std::string_view text);

// Rounds half to even (the rule of CInt and CLng).
double roundHalfEven(double value);

}  // namespace rc::automation
