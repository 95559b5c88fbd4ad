#include "Core/properties/Comparison.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <optional>

#include "platform/automation/Dispatch.h"
#include "platform/automation/Error.h"
#include "platform/automation/NumberText.h"
#include "platform/automation/Trap.h"
#include "platform/os/Files.h"

namespace rc::core {

namespace au = rc::automation;

Tolerance parseTolerance(const au::Variant& value) {
  std::string text = value.isObject() ? au::call(value.asObject(), "Value").toText() : value.toText();
  std::size_t comma = text.find(',');
  Tolerance t;
  t.percent = au::leadingNumber(std::string_view(text).substr(0, comma));
  t.floor = comma == std::string::npos ? t.percent : au::leadingNumber(std::string_view(text).substr(comma + 1));
  return t;
}

bool numbersAgree(double value, double reference, const Tolerance& t, double& diff) {
  diff = relativeDifference(value, reference);
  double a = std::fabs(diff * 100);
  bool bothBelowFloor = value < t.floor && reference < t.floor;
  return !(a >= t.percent && !bothBelowFloor && diff != 0);
}

bool CompareProperty(const au::Variant& prop1, const au::Variant& prop2, const au::Variant& tolerance, double& diff) {
  if (prop2.toText().find('[') != std::string::npos) return prop1.toText() == prop2.toText();
  Tolerance t = parseTolerance(tolerance);
  double v1 = prop1.toDouble();
  double v2 = prop2.toDouble();
  return numbersAgree(v1, v2, t, diff);
}

namespace {

std::string changedMessage(std::int64_t lineNumber, std::string_view baseline, std::string_view fresh) {
  std::string m = "Line " + std::to_string(lineNumber) + " has changed.\r\n<B>Baseline ></B>";
  m.append(baseline).append("\r\n<B>New ></B>").append(fresh);
  return m;
}

// A plain decimal item ([sign] digits [. digits] [e [sign] digits], nothing
// else) read exactly as the general reading would, when its digits fit a
// double exactly and its power of ten is small: one multiplication or
// division of exact values is then correctly rounded. False otherwise.
bool plainDecimal(std::string_view item, double& out) {
  static constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                      1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  const char* p = item.data();
  const char* end = p + item.size();
  bool negative = false;
  if (p != end && (*p == '-' || *p == '+')) negative = *p++ == '-';
  // At most 19 digits (leading zeros included) fit the 64-bit mantissa.
  std::uint64_t mantissa = 0;
  int scale = 0;
  const char* first = p;
  for (; p != end && static_cast<unsigned char>(*p - '0') < 10; ++p) mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
  std::ptrdiff_t digits = p - first;
  if (p != end && *p == '.') {
    const char* fraction = ++p;
    for (; p != end && static_cast<unsigned char>(*p - '0') < 10; ++p) mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
    scale = -static_cast<int>(p - fraction);
    digits += p - fraction;
  }
  if (digits == 0 || digits > 19) return false;
  if (p != end && (*p == 'e' || *p == 'E')) {
    ++p;
    bool negativeExponent = false;
    if (p != end && (*p == '-' || *p == '+')) negativeExponent = *p++ == '-';
    if (p == end) return false;
    int exponent = 0;
    for (; p != end && *p >= '0' && *p <= '9'; ++p) {
      if (exponent > 1000) return false;
      exponent = exponent * 10 + (*p - '0');
    }
    scale += negativeExponent ? -exponent : exponent;
  }
  if (p != end || mantissa > (std::uint64_t{1} << 53) || scale < -22 || scale > 22) return false;
  double v = static_cast<double>(mantissa);
  v = scale < 0 ? v / kPow10[-scale] : v * kPow10[scale];
  out = negative ? -v : v;
  return true;
}

// The leading-number reading of one item; plain decimals are read in
// place, anything else by the general reading.
double itemNumber(std::string_view item) {
  double v = 0;
  if (plainDecimal(item, v)) return v;
  return au::leadingNumber(item);
}

// The tolerance of one CompareFiles call, read when first needed.
class LazyTolerance {
 public:
  explicit LazyTolerance(const au::Variant& value) : value_(value) {}
  const Tolerance& get() {
    if (!parsed_) parsed_ = parseTolerance(value_);
    return *parsed_;
  }

 private:
  const au::Variant& value_;
  std::optional<Tolerance> parsed_;
};

// The length of the longest common prefix of a and b, eight bytes at a time.
std::size_t commonPrefix(std::string_view a, std::string_view b) {
  const std::size_t shorter = std::min(a.size(), b.size());
  std::size_t i = 0;
  for (; i + 8 <= shorter; i += 8) {
    std::uint64_t x = 0, y = 0;
    std::memcpy(&x, a.data() + i, 8);
    std::memcpy(&y, b.data() + i, 8);
    if (x != y) break;
  }
  while (i < shorter && a[i] == b[i]) ++i;
  return i;
}

// Whether two lines agree item by item (items are split at every
// single space; the baseline's number first). An empty line has no items,
// so an empty baseline line agrees with anything; a baseline item without
// a partner in the new line raises 9. Items of equal text agree unread, so
// the items in front of the first differing byte are passed over whole.
bool linesAgree(std::string_view baseline, std::string_view fresh, LazyTolerance& tolerance) {
  if (baseline.empty()) return true;
  const std::size_t same = commonPrefix(baseline, fresh);
  if (same == baseline.size() && same == fresh.size()) return true;
  // The items in front of the last space before the first difference are
  // equal in both lines, and both have an item after that space.
  std::size_t lastSpace = baseline.substr(0, same).rfind(' ');
  std::size_t b = lastSpace == std::string_view::npos ? 0 : lastSpace + 1;
  std::size_t n = b;
  bool newHasMore = b > 0 || !fresh.empty();
  for (;;) {
    if (!newHasMore) au::raise(au::err::SubscriptOutOfRange);
    std::size_t bEnd = baseline.find(' ', b);
    std::size_t nEnd = fresh.find(' ', n);
    std::string_view baseItem = baseline.substr(b, bEnd == std::string_view::npos ? std::string_view::npos : bEnd - b);
    std::string_view newItem = fresh.substr(n, nEnd == std::string_view::npos ? std::string_view::npos : nEnd - n);
    double diff = 0;
    if (baseItem != newItem && !numbersAgree(itemNumber(baseItem), itemNumber(newItem), tolerance.get(), diff))
      return false;
    if (bEnd == std::string_view::npos) return true;
    b = bEnd + 1;
    newHasMore = nEnd != std::string_view::npos;
    n = newHasMore ? nEnd + 1 : n;
  }
}

}  // namespace

bool CompareFiles(std::string_view baselineFile, std::string_view newFile, const au::Variant& tolerance,
                  std::string& message) {
  bool result = true;
  au::trapped(
      [&] {
        platform::LineReader base(baselineFile);
        platform::LineReader fresh(newFile);
        if (fresh.atEnd()) au::raise(au::err::InputPastEndOfFile, std::string(newFile));
        // Lines are paired by position; the lines both files share are
        // passed over block by block.
        platform::skipSharedLines(base, fresh);
        const std::int64_t restart = base.offset();
        LazyTolerance t(tolerance);
        for (std::int64_t pair = 0;; ++pair) {
          bool baseEnded = base.atEnd();
          bool newEnded = fresh.atEnd();
          if (baseEnded && newEnded) return;
          // A line of either file without a partner in the other is a difference.
          std::string_view baseLine = baseEnded ? std::string_view() : base.next();
          std::string_view newLine = newEnded ? std::string_view() : fresh.next();
          if (!baseEnded && !newEnded && linesAgree(baseLine, newLine, t)) continue;
          result = false;
          message = changedMessage(platform::lineCount(baselineFile, restart) + pair + 1, baseLine, newLine);
          return;
        }
      },
      [&](const au::AutomationError& e) {
        result = false;
        if (e.number() == au::err::FileNotFound) message = "missing";
        else if (e.number() == au::err::InputPastEndOfFile) message = "blank";
        else message = e.description();
      });
  return result;
}

std::string differenceText(double diff) {
  return au::formatNumber(std::fabs(diff), "0%") + (diff < 0 ? " less" : " more");
}

}  // namespace rc::core
