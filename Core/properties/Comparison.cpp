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
