#include "Core/properties/Comparison.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>

#include "Core/properties/LineScan.h"
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

bool numbersAgreeFast(double value, double reference, const Tolerance& t) {
  if (value < t.floor && reference < t.floor) return true;
  // Equal numbers differ by 0; distinct ones never divide down to 0.
  if (value == reference) return true;
  // Within these ranges no step of numbersAgree's division and products
  // leaves the normal doubles, so each is off by at most half a unit in
  // the last place and the products' ratio is within 6 such units of
  // |diff * 100| / p. A margin of 2^-40 either side is far wider.
  const double gap = std::fabs(value - reference), size = std::fabs(reference);
  constexpr double kLow = 0x1p-500, kHigh = 0x1p500;
  if (gap >= kLow && gap <= kHigh && size >= kLow && size <= kHigh && t.percent >= 0x1p-400 && t.percent <= 0x1p400) {
    const double measured = gap * 100, allowed = size * t.percent;
    if (measured < allowed * (1 - 0x1p-40)) return true;
    if (measured > allowed * (1 + 0x1p-40)) return false;
  }
  double diff = 0;
  return numbersAgree(value, reference, t, diff);
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

// The tolerance of one CompareFiles call, read when first needed.
class LazyTolerance {
 public:
  explicit LazyTolerance(const au::Variant& value) : value_(value) {}
  const Tolerance& get() {
    if (!parsed_) parse();
    return tolerance_;
  }
  // The least value the shared leading digits of two numbers must have
  // for them to agree whatever their other digits (see
  // sharedLeadingValue); never 0.
  std::uint64_t agreeingPrefix() {
    if (!parsed_) parse();
    return agreeingPrefix_;
  }

 private:
  void parse() {
    tolerance_ = parseTolerance(value_);
    parsed_ = true;
    // Numbers whose shared leading digits read as P differ by less than
    // 100/P percent, and the rounding of their readings and of
    // numbersAgree's division and products adds less than 2^-43 percent
    // to that and a factor below 1 + 2^-40.
    const double p = tolerance_.percent;
    if (!(p > 100.0 / kNoPrefix)) return;
    std::uint64_t least = std::max<std::uint64_t>(1, static_cast<std::uint64_t>(100 / p));
    while (least < kNoPrefix && !((100.0 / static_cast<double>(least) + 0x1p-43) * (1 + 0x1p-40) < p)) ++least;
    agreeingPrefix_ = least;
  }

  // Beyond any eight digits.
  static constexpr std::uint64_t kNoPrefix = 1000000000;

  const au::Variant& value_;
  Tolerance tolerance_;
  std::uint64_t agreeingPrefix_ = kNoPrefix;
  bool parsed_ = false;
};

// The end of the item that starts at `from` in `line`: the next space,
// or the line's end.
std::size_t itemEnd(std::string_view line, std::size_t from) {
  std::size_t i = from;
  while (i < line.size() && line[i] != ' ') ++i;
  return i;
}

// Reads the number of the item at `from` in `line` and answers the item's
// end. Plain decimals are read in place, anything else by the general
// reading.
std::size_t readItem(std::string_view line, std::size_t from, double& value) {
  const char* end = line.data() + line.size();
  const char* stop = readPlainDecimal(line.data() + from, end, value);
  if (stop != nullptr && (stop == end || *stop == ' ')) return static_cast<std::size_t>(stop - line.data());
  std::size_t to = itemEnd(line, from);
  value = au::leadingNumber(line.substr(from, to - from));
  return to;
}

// Whether the short decimals x (the baseline's) and y agree under `t` by a
// bound that needs neither of their values: true only where numbersAgree
// would answer true for the values they read as; false when unsure.
//
// With the same count of fraction digits, x and y read as mantissas over
// one power of ten, each within half a unit in the last place (u = 2^-53).
// The rule agrees where |x - y| * 100 < p * |y| (1 - 4u), for the
// division and products of numbersAgree round three times; and |x - y| *
// 100 is below (|mx - my| + u (|mx| + |my|)) * 100 over that power, |y|
// above |my| (1 - u) over it. The test below rounds a few times more, all
// well within its margins of 2^-50 and 2^-40. Mantissas stay below 2^54 and
// p within 2^+-400, so nothing leaves the normal doubles.
bool surelyAgree(const ShortDecimal& x, const ShortDecimal& y, const Tolerance& t) {
  if (x.fraction != y.fraction || y.mantissa == 0 || !(t.percent >= 0x1p-400 && t.percent <= 0x1p400)) return false;
  const double mx = static_cast<double>(x.mantissa), my = static_cast<double>(y.mantissa);
  const double gap = x.negative == y.negative ? std::fabs(mx - my) : mx + my;
  return (gap + (mx + my) * 0x1p-50) * 100 < my * t.percent * (1 - 0x1p-40);
}

// Whether two lines agree item by item (items are split at every single
// space; the baseline's number first). An empty line has no items, so an
// empty baseline line agrees with anything; a baseline item without a
// partner in the new line raises 9. Equal stretches are passed over a word
// at a time, and only the items in which the lines differ are read. Both
// lines must be readable 32 bytes past their ends (as LineReader's are).
// `knownSame`, when given, is the length of the lines' common prefix.
bool linesAgree(std::string_view baseline, std::string_view fresh, LazyTolerance& tolerance,
                std::size_t knownSame = std::string_view::npos) {
  if (baseline.empty()) return true;
  // b and n stand at the starts of partner items, everything before them
  // having agreed.
  std::size_t b = 0, n = 0;
  for (;;) {
    const std::size_t same = knownSame != std::string_view::npos
                                 ? std::exchange(knownSame, std::string_view::npos)
                                 : commonPrefix(baseline.data() + b, fresh.data() + n,
                                                std::min(baseline.size() - b, fresh.size() - n));
    if (b + same == baseline.size() && n + same == fresh.size()) return true;
    // Where one line ends inside the equal stretch, the item there may be
    // equal in both.
    const bool oneEnded = b + same == baseline.size() || n + same == fresh.size();
    // Items before the last space in the equal stretch agree unread.
    std::size_t back = same;
    while (back > 0 && baseline[b + back - 1] != ' ') --back;
    const std::size_t sharedBytes = same - back;  // of the items at b and n
    b += back;
    n += back;
    if (n == 0 && fresh.empty()) au::raise(au::err::SubscriptOutOfRange);
    // Equal items agree unread, whatever they hold.
    std::size_t bEnd = 0, nEnd = 0;
    bool equalItems = false;
    if (oneEnded) {
      bEnd = itemEnd(baseline, b);
      nEnd = itemEnd(fresh, n);
      equalItems = baseline.substr(b, bEnd - b) == fresh.substr(n, nEnd - n);
    }
    if (!equalItems) {
      ShortDecimal x, y;
      const char* baseEnd = baseline.data() + baseline.size();
      const char* newEnd = fresh.data() + fresh.size();
      // Numbers that share enough leading digits agree unread.
      if (sharedLeadingValue(baseline.data() + b, baseEnd, fresh.data() + n, newEnd, sharedBytes, x.length,
                             y.length) >= tolerance.agreeingPrefix()) {
        bEnd = b + x.length;
        nEnd = n + y.length;
      } else if (readShortDecimalPair(baseline.data() + b, baseEnd, fresh.data() + n, newEnd, x, y)) {
        bEnd = b + x.length;
        nEnd = n + y.length;
        const Tolerance& t = tolerance.get();
        if (!surelyAgree(x, y, t) && !numbersAgreeFast(x.value(), y.value(), t)) return false;
      } else {
        double baseValue = 0, newValue = 0;
        bEnd = readItem(baseline, b, baseValue);
        nEnd = readItem(fresh, n, newValue);
        if (!numbersAgreeFast(baseValue, newValue, tolerance.get())) return false;
      }
    }
    if (bEnd == baseline.size()) return true;
    if (nEnd == fresh.size()) au::raise(au::err::SubscriptOutOfRange);
    b = bEnd + 1;
    n = nEnd + 1;
  }
}

// The position after the line end at `end` in `held`, or npos when the
// held bytes do not settle it (no line end held, or a CR that may be the
// first half of a CR LF).
std::size_t afterLineEnd(std::string_view held, std::size_t end) {
  if (end + 1 >= held.size()) return std::string_view::npos;
  return end + ((held[end] == '\r' && held[end + 1] == '\n') ? 2 : 1);
}

// A line pair taken from the readers' held bytes.
struct HeldPair {
  std::string_view baseLine, newLine;
  std::size_t baseNext = 0, newNext = 0;  // where the next lines start in the held bytes
  bool agree = false;
};

// Compares the next line pair in place in the bytes the readers hold,
// scanning both together: equal bytes and line ends are found in one pass,
// and only lines that differ are split into items. False when a line or
// its end reaches past the held bytes (the readers must then read on).
bool compareHeldPair(const platform::LineReader& base, const platform::LineReader& fresh, LazyTolerance& t,
                     HeldPair& out) {
  const std::string_view a = base.held(), b = fresh.held();
  const std::size_t n = std::min(a.size(), b.size());
  bool equalLines = false;
  const std::size_t same = sharedLineStretch(a.data(), b.data(), n, equalLines);
  if (same == n) return false;
  const std::size_t endA = equalLines ? same : same + platform::firstLineEnd(a.data() + same, a.size() - same);
  const std::size_t endB = equalLines ? same : same + platform::firstLineEnd(b.data() + same, b.size() - same);
  out.baseNext = afterLineEnd(a, endA);
  out.newNext = afterLineEnd(b, endB);
  if (out.baseNext == std::string_view::npos || out.newNext == std::string_view::npos) return false;
  out.baseLine = a.substr(0, endA);
  out.newLine = b.substr(0, endB);
  out.agree = equalLines || linesAgree(out.baseLine, out.newLine, t, same);
  return true;
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
          std::string_view baseLine, newLine;
          // Most pairs are compared where the readers hold them; a pair
          // that reaches past the held bytes is read line by line.
          if (HeldPair held; compareHeldPair(base, fresh, t, held)) {
            if (held.agree) {
              base.advance(held.baseNext);
              fresh.advance(held.newNext);
              continue;
            }
            baseLine = held.baseLine;
            newLine = held.newLine;
          } else {
            bool baseEnded = base.atEnd();
            bool newEnded = fresh.atEnd();
            if (baseEnded && newEnded) return;
            // A line of either file without a partner in the other is a difference.
            baseLine = baseEnded ? std::string_view() : base.next();
            newLine = newEnded ? std::string_view() : fresh.next();
            if (!baseEnded && !newEnded && linesAgree(baseLine, newLine, t)) continue;
          }
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
