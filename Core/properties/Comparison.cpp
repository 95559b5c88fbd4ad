#include "Core/properties/Comparison.h"

#include <cmath>
#include <optional>
#include <vector>

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

bool CompareProperty(const au::Variant& prop1, const au::Variant& prop2, const au::Variant& tolerance, double& diff) {
  if (prop2.toText().find('[') != std::string::npos) return prop1.toText() == prop2.toText();
  Tolerance t = parseTolerance(tolerance);
  double v1 = prop1.toDouble();
  double v2 = prop2.toDouble();
  diff = relativeDifference(v1, v2);
  double a = std::fabs(diff * 100);
  bool bothBelowFloor = v1 < t.floor && v2 < t.floor;
  return !(a >= t.percent && !bothBelowFloor && diff != 0);
}

namespace {

std::vector<std::string_view> splitAtSpaces(std::string_view line) {
  std::vector<std::string_view> items;
  std::size_t start = 0;
  for (;;) {
    std::size_t p = line.find(' ', start);
    if (p == std::string_view::npos) {
      items.push_back(line.substr(start));
      return items;
    }
    items.push_back(line.substr(start, p - start));
    start = p + 1;
  }
}

std::string changedMessage(long lineNumber, std::string_view baseline, std::string_view fresh) {
  std::string m = "Line " + std::to_string(lineNumber) + " has changed.\r\n<B>Baseline ></B>";
  m.append(baseline).append("\r\n<B>New ></B>").append(fresh);
  return m;
}

// Whether two differing lines agree number by number under the tolerance.
bool linesAgree(std::string_view baseline, std::string_view fresh, const au::Variant& tolerance) {
  std::vector<std::string_view> baseItems = splitAtSpaces(baseline);
  std::vector<std::string_view> newItems = splitAtSpaces(fresh);
  for (std::size_t k = 0; k < baseItems.size(); ++k) {
    if (k >= newItems.size()) au::raise(au::err::SubscriptOutOfRange);
    double d = 0;
    if (!CompareProperty(au::leadingNumber(baseItems[k]), au::leadingNumber(newItems[k]), tolerance, d))
      return false;
  }
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
        long n = 0;
        std::string newLine(fresh.next());
        bool newPending = true;  // newLine has not been paired yet
        while (!base.atEnd()) {
          std::string_view baseLine = base.next();
          newPending = false;
          if (baseLine != newLine && !linesAgree(baseLine, newLine, tolerance)) {
            result = false;
            message = changedMessage(n + 1, baseLine, newLine);
            return;
          }
          if (fresh.atEnd()) {
            if (base.atEnd()) return;
            // The baseline goes on where the new file ended.
            result = false;
            message = changedMessage(n + 2, base.next(), "");
            return;
          }
          newLine = std::string(fresh.next());
          newPending = true;
          ++n;
        }
        if (newPending) {
          // The new file goes on where the baseline ended.
          result = false;
          message = changedMessage(n + 1, "", newLine);
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
