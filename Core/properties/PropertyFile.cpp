#include "Core/properties/PropertyFile.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "Core/frame/TraceLog.h"
#include "platform/automation/Error.h"
#include "platform/automation/NumberText.h"
#include "platform/automation/Trap.h"
#include "platform/automation/Variant.h"
#include "platform/os/Files.h"
#include "platform/os/Locale.h"
#include "platform/os/OutputFiles.h"

namespace rc::core {

namespace au = rc::automation;

std::string_view propertyValueText(std::string_view line, std::string_view key) {
  std::size_t start = key.size() + 3;  // after the key and " = "
  std::size_t end = line.find('\'');
  if (end == std::string_view::npos) end = line.find("Build");
  if (end == std::string_view::npos) end = line.size();
  if (end < start) {
    // The value would have a negative length.
    if (end != line.size()) au::raise(au::err::InvalidCall);
    return {};
  }
  return line.substr(start, end - start);
}

namespace {

// The sum as the running text holds it: a number text keeps 15 significant
// digits, so each step rounds to them. Whole sums below 1e15 are exact.
double roundTo15Digits(double v) {
  if (std::fabs(v) < 1e15 && v == std::trunc(v)) return v;
  char buf[40];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15);
  double rounded = v;
  if (ec == std::errc()) std::from_chars(buf, end, rounded);
  return rounded;
}

}  // namespace

std::string GetProperty(std::string_view key, std::string_view file, bool sumMode) {
  if (!platform::fileExists(file)) return "-1";
  platform::LineReader reader(file);
  bool found = false;
  std::string value;
  double sum = 0;
  const platform::NumberFormat format = platform::numberFormat();
  while (!reader.atEnd()) {
    // Lines of other keys are passed over unread, however long they are.
    if (!reader.nextStartsWith(key)) {
      reader.skipLine();
      continue;
    }
    std::string_view line = reader.next();
    found = true;
    std::string_view text = propertyValueText(line, key);
    if (!sumMode) {
      value = std::string(text);
      break;
    }
    std::optional<double> number = au::parseNumber(text, format);
    if (!number) au::raise(au::err::TypeMismatch);
    sum = roundTo15Digits(sum + *number);
  }
  if (!found) return "-1";
  return sumMode ? au::numberText(sum) : value;
}

std::int16_t SetProperty(std::string_view key, std::string_view file, std::string_view value, std::string_view build) {
  // A line end inside a field would make the rest of it a baseline line of
  // its own; refused before the trap, so the calling check fails.
  for (std::string_view field : {key, value, build})
    if (field.find_first_of("\r\n") != std::string_view::npos) au::raise(au::err::InvalidCall);
  std::string line;
  line.append(key).append(" = ").append(value).append("      Build: ").append(build);
  line.append(", Date: ").append(platform::shortDateToday());
  bool ok = au::trapped([&] { platform::output::appendLine(file, line); },
                        [](const au::AutomationError&) {
                          WriteModuleTrace("*** SetProperty() error");
                          WriteModuleTrace("*** Failure writing baseline");
                        });
  return ok ? 0 : 1;
}

std::string propertiesFilePath(std::string_view inputFile, std::string_view nameOnly) {
  // A string search finds nothing in an empty text, not even an empty one;
  // a non-empty text contains the empty text at its start.
  std::size_t p = inputFile.empty() ? std::string_view::npos : inputFile.find(nameOnly);
  if (p == std::string_view::npos) au::raise(au::err::InvalidCall);
  std::string path(inputFile.substr(0, p));
  path.append(nameOnly).append(".properties");
  return path;
}

}  // namespace rc::core
