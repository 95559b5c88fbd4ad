#include "Core/properties/Comparison.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

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
    if (!parsed_) {
      tolerance_ = parseTolerance(value_);
      parsed_ = true;
    }
    return tolerance_;
  }

 private:
  const au::Variant& value_;
  Tolerance tolerance_;
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

// Whether two lines agree item by item (items are split at every single
// space; the baseline's number first). An empty line has no items, so an
// empty baseline line agrees with anything; a baseline item without a
// partner in the new line raises 9. Equal stretches are passed over a word
// at a time, and only the items in which the lines differ are read. Both
// lines must be readable 32 bytes past their ends (as LineReader's are).
bool linesAgree(std::string_view baseline, std::string_view fresh, LazyTolerance& tolerance) {
  if (baseline.empty()) return true;
  // b and n stand at the starts of partner items, everything before them
  // having agreed.
  std::size_t b = 0, n = 0;
  for (;;) {
    const std::size_t same = commonPrefix(baseline.data() + b, fresh.data() + n,
                                          std::min(baseline.size() - b, fresh.size() - n));
    if (b + same == baseline.size() && n + same == fresh.size()) return true;
    // Where one line ends inside the equal stretch, the item there may be
    // equal in both.
    const bool oneEnded = b + same == baseline.size() || n + same == fresh.size();
    // Items before the last space in the equal stretch agree unread.
    std::size_t back = same;
    while (back > 0 && baseline[b + back - 1] != ' ') --back;
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
      double baseValue = 0, newValue = 0, diff = 0;
      bEnd = readItem(baseline, b, baseValue);
      nEnd = readItem(fresh, n, newValue);
      if (!numbersAgree(baseValue, newValue, tolerance.get(), diff)) return false;
    }
    if (bEnd == baseline.size()) return true;
    if (nEnd == fresh.size()) au::raise(au::err::SubscriptOutOfRange);
    b = bEnd + 1;
    n = nEnd + 1;
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
