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
          // Most pairs are compared where the readers hold them, many in
          // one pass; a pair that reaches past the held bytes is read line
          // by line.
          std::string_view baseLine, newLine;
          const HeldLines held = compareHeldLines(base.held(), fresh.held(), t);
          base.advance(held.baseBytes);
          fresh.advance(held.newBytes);
          pair += held.agreed;
          if (held.changed) {
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
