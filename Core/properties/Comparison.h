// Comparing values and result files under a tolerance.
//
// A tolerance is a percentage p, or "p,f" with a noise floor f (one number
// stands for both); each is read by the leading-number reading.
#pragma once

#include <string>
#include <string_view>

#include "platform/automation/Variant.h"

namespace rc::core {

struct Tolerance {
  double percent = 0;
  double floor = 0;
};

// The tolerance in `value` (a text or number; an object gives its Value).
Tolerance parseTolerance(const automation::Variant& value);

// The signed difference of `value` from `reference` as a fraction, or the
// plain difference when the reference is 0.
inline double relativeDifference(double value, double reference) {
  return reference != 0 ? (value - reference) / reference : value - reference;
}

// The rule for numbers: `diff` receives the difference of `value` from
// `reference`, and they disagree only when |diff*100| >= p, they are not
// both below the floor, and diff is not 0.
bool numbersAgree(double value, double reference, const Tolerance& t, double& diff);
// The same answer as numbersAgree() for every input, without the
// difference: where the products |value - reference| * 100 and
// |reference| * p are far enough apart for rounding not to matter, they
// settle it without a division.
bool numbersAgreeFast(double value, double reference, const Tolerance& t);

// True when the values agree: a "[" in prop2's text compares the texts
// exactly (diff untouched); otherwise numbersAgree() under the tolerance. A
// non-numeric value raises 13.
bool CompareProperty(const automation::Variant& prop1, const automation::Variant& prop2,
                     const automation::Variant& tolerance, double& diff);

// Compares a baseline file with a new file line by line: differing lines
// are split at single spaces and compared number by number (an empty line
// has no items: an empty baseline line agrees with any new line, and a
// baseline item without a partner ends the comparison with "Subscript out
// of range"). True when they agree; otherwise `message` says which line
// changed, or "missing" (a file not found), "blank" (the new file is empty)
// or the error's description. A line of either file without a partner in
// the other is a difference. Identical stretches are compared as blocks,
// so the cost is close to reading both files.
bool CompareFiles(std::string_view baselineFile, std::string_view newFile,
                  const automation::Variant& tolerance, std::string& message);

// The difference text of a check: "10% more", "5% less".
std::string differenceText(double diff);

}  // namespace rc::core
