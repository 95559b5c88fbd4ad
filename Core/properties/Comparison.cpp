#include "Core/properties/Comparison.h"

#include <charconv>
#include <cmath>
#include <cstdint>
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

double relativeDifference(double value, double reference) {
  return reference != 0 ? (value - reference) / reference : value - reference;
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

// The leading-number reading of one item; plain decimal numbers are read
// in place, anything else by the general reading.
double itemNumber(std::string_view item) {
  const char* first = item.data();
  const char* last = first + item.size();
  bool negative = false;
  if (first != last && (*first == '-' || *first == '+')) negative = *first++ == '-';
  if (first != last && ((*first >= '0' && *first <= '9') || *first == '.')) {
    double v = 0;
    auto [end, ec] = std::from_chars(first, last, v, std::chars_format::general);
    if (ec == std::errc() && end == last) return negative ? -v : v;
  }
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

// Whether two differing lines agree item by item (items are split at every
// single space; the baseline's number first). An empty line has no items,
// so an empty baseline line agrees with anything; a baseline item without
// a partner in the new line raises 9. Items of equal text agree unread.
bool linesAgree(std::string_view baseline, std::string_view fresh, LazyTolerance& tolerance) {
  if (baseline.empty()) return true;
  bool newHasMore = !fresh.empty();
  std::size_t b = 0, n = 0;
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
          if (!baseEnded && !newEnded && (baseLine == newLine || linesAgree(baseLine, newLine, t))) continue;
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
