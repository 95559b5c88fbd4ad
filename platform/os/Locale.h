// The user's number and date conventions, read from the process environment
// (LC_ALL, then LC_NUMERIC / LC_TIME, then LANG) with newlocale(); the global
// C locale is never changed. Under the C locale the decimal sign is "." and
// the short date is MM/DD/YYYY.
#pragma once

#include <ctime>
#include <string>

namespace rc::platform {

struct NumberFormat {
  std::string decimal = ".";   // decimal sign
  std::string thousands;       // digit group separator ("" when none)
};

// The number conventions of LC_NUMERIC as the environment sets it now.
NumberFormat numberFormat();

// The short date text of `when` (local time fields) under LC_TIME, with a
// four-digit year.
std::string shortDate(const std::tm& when);

// The time of day of `when` under LC_TIME ("%H:%M:%S" under the C locale).
std::string timeText(const std::tm& when);

// The short date text of today.
std::string shortDateToday();

}  // namespace rc::platform
