#include "Core/checks/MassPropertiesCheck.h"

#include <charconv>
#include <cmath>
#include <functional>

#include "Core/checks/CheckSkeleton.h"
#include "Core/frame/JournalWriters.h"
#include "Core/interfaces/DocumentType.h"
#include "Core/interfaces/HostCalls.h"
#include "Core/interfaces/HostLookup.h"
#include "Core/properties/Comparison.h"
#include "platform/automation/NumberText.h"
#include "platform/automation/SafeArray.h"
#include "platform/automation/Trap.h"
#include "platform/os/Files.h"
#include "platform/os/Locale.h"
#include "platform/os/OutputFiles.h"

namespace rc::core {

namespace au = rc::automation;

const std::array<std::string_view, kMassQuantities> kMassPropertyNames = {
    "COM_X", "COM_Y", "COM_Z", "Volume", "Area", "Mass", "Mom_XX", "Mom_YY", "Mom_ZZ", "Mom_XY", "Mom_ZX", "Mom_YZ"};

MassPropertiesModuleState& massPropertiesState() {
  static MassPropertiesModuleState state;
  return state;
}

namespace {

constexpr int kReImportLast = 4;  // with ReImport only COM_X to Area are compared
constexpr std::string_view kChangeTitle = "Change in Mass Properties";

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimBlanks(std::string_view s) {
  while (!s.empty() && isBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
  return s;
}

// One number of the baseline file in write form ("." as decimal sign,
// blanks around it allowed). An empty field is 0, as list input reads it;
// anything else that is not wholly a finite number raises 13 (6 when it is
// beyond the Double range).
double writeFormField(std::string_view field) {
  field = trimBlanks(field);
  if (field.empty()) return 0;
  bool negative = field.front() == '-';
  if (field.front() == '+' || negative) field.remove_prefix(1);
  if (field.empty() || !(std::isdigit(static_cast<unsigned char>(field.front())) || field.front() == '.'))
    au::raise(au::err::TypeMismatch);
  double value = 0;
  auto [end, ec] = std::from_chars(field.data(), field.data() + field.size(), value);
  if (ec == std::errc::result_out_of_range) au::raise(au::err::Overflow);
  if (ec != std::errc() || end != field.data() + field.size()) au::raise(au::err::TypeMismatch);
  return negative ? -value : value;
}

// Splits `line` into list-input fields at its commas.
void appendFields(std::string_view line, std::vector<std::string>& fields) {
  for (;;) {
    std::size_t comma = line.find(',');
    fields.emplace_back(line.substr(0, comma));
    if (comma == std::string_view::npos) return;
    line.remove_prefix(comma + 1);
  }
}

// Reads the current values from the document's mass properties.
void readCurrentValues(const au::ObjectRef& doc) {
  au::Variant values = au::call(doc, "GetMassProperties");
  if (!values.isArray()) au::raise(au::err::TypeMismatch);
  const au::SafeArray& array = values.asArray();
  auto& current = massPropertiesState().current;
  for (std::int32_t i = 0; i < kMassQuantities; ++i) current[i] = array.get({array.lbound() + i}).toDouble();
}

// Whether the assembly's active configuration has a root component with at
// least one child.
bool assemblyHasComponents(const au::ObjectRef& doc) {
  au::ObjectRef config = au::callObject(doc, "GetActiveConfiguration");
  au::ObjectRef root = au::callObject(config, "GetRootComponent");
  if (!root) return false;
  au::Variant children = au::call(root, "GetChildren");
  if (!children.isArray()) au::raise(au::err::TypeMismatch);
  return children.asArray().ubound() >= children.asArray().lbound();
}

}  // namespace

bool OutsideNoiseFloor(double a, double b, double f) { return !(std::fabs(a) < f && std::fabs(b) < f); }

void ReadMassBaseline(std::string_view file) {
  platform::LineReader reader(file);
  std::string line(reader.next());
  if (line.find("Build") != std::string::npos) line = std::string(reader.next());
  std::array<double, 13> values = massPropertiesState().baseline;
  // The first value is the whole line; an empty line is no number.
  if (trimBlanks(line).empty()) au::raise(au::err::TypeMismatch);
  values[0] = writeFormField(line);
  std::vector<std::string> fields;
  while (fields.size() < kMassQuantities - 1 && !reader.atEnd()) appendFields(reader.next(), fields);
  if (fields.size() < kMassQuantities - 1) au::raise(au::err::InputPastEndOfFile, std::string(file));
  for (int i = 1; i < kMassQuantities; ++i) values[i] = writeFormField(fields[i - 1]);
  massPropertiesState().baseline = values;
}

void WriteMassBaseline(std::string_view file, std::string_view VXBuild) {
  std::string text = "Build: " + std::string(VXBuild) + ", Date: " + platform::shortDateToday() + "\r\n";
  const auto& current = massPropertiesState().current;
  for (int i = 0; i < kMassQuantities; ++i) text += au::writeForm(current[i]) + "\r\n";
  platform::output::replaceFile(file, text);
}

void CompareMassProperties(const au::ObjectRef& host, bool ReImport, std::string_view InputFile, bool& Failure,
                           const au::Variant& tolerance) {
  au::ResumeNext next(nullptr);
  MassPropertiesModuleState& s = massPropertiesState();
  Tolerance tol;
  next.step([&] { tol = parseTolerance(tolerance); });
  Failure = false;
  const int last = ReImport ? kReImportLast : kMassQuantities - 1;
  std::array<std::string_view, kMassQuantities> status{};
  double largest = 0;
  int largestIndex = 0;
  for (int i = 0; i <= last; ++i) {
    // Rounded to the digits of the number's text, as the baseline file keeps it.
    next.step([&] { s.baseline[i] = au::leadingNumber(au::writeForm(s.baseline[i])); });
    // A difference that cannot be computed leaves 0, never an earlier call's value.
    s.difference[i] = 0;
    next.step([&] {
      double delta = s.baseline[i] - s.current[i];
      double d = s.baseline[i] != 0 ? delta / s.baseline[i] * 100 : delta * 100;
      if (!std::isfinite(d)) au::raise(au::err::Overflow);
      s.difference[i] = d;
    });
    status[i] = "Ignore";
    double magnitude = std::fabs(s.difference[i]);
    if (magnitude >= tol.percent && OutsideNoiseFloor(s.baseline[i], s.current[i], tol.floor)) {
      Failure = true;
      status[i] = "Failure";
      if (i == 0 || largest < magnitude) {
        largest = magnitude;
        largestIndex = i;
      }
    }
  }
  if (!Failure) return;

  // Each line is built and sent as one statement, so a line whose numbers
  // cannot be formatted is left out and the others still reach the journal.
  auto send = [&](const std::function<std::string()>& line) {
    next.step([&] { recordLine(host, line()); });
  };
  send([] { return std::string(); });
  send([&] { return std::string(journal::kWarning) + std::string(kChangeTitle) + "  " + std::to_string(last); });
  send([&] { return std::string(journal::kLineMark) + std::string(InputFile); });
  send([&] {
    return "'*** Largest Difference: " + au::formatNumber(largest, "####0.0") + "% in " +
           std::string(kMassPropertyNames[largestIndex]);
  });
  for (int i = 0; i <= last; ++i) {
    send([&] {
      return "'*** " + au::formatNumber(i + 1, "00") + "," + std::string(kMassPropertyNames[i]) + "," +
             au::formatNumber(s.baseline[i], "0.00000000000000") + "," +
             au::formatNumber(s.current[i], "0.00000000000000") + "," +
             au::formatNumber(std::fabs(s.difference[i]), "0.0000000") + "%," + std::string(status[i]);
    });
  }
  send([] { return std::string(); });
}

namespace {

// CheckMassProperties, answering what it did with the baseline in `state`
// (left as it is after a run-time error).
std::int16_t checkAgainstBaseline(bool ReImport, std::string_view InputFile, std::string_view BLFile, bool& Failure,
                                  const au::Variant& tolerance, std::int32_t glbProcessID, std::string_view VXBuild,
                                  bool MultiSession, CheckOutcome::State& state) {
  using State = CheckOutcome::State;
  std::int16_t result = 0;
  au::trapped(
      [&] {
        au::ObjectRef host = GetSessionHost(glbProcessID, MultiSession);
        au::ObjectRef doc = activeDoc(host);
        readCurrentValues(doc);
        if (platform::fileExists(BLFile)) {
          ReadMassBaseline(BLFile);
          CompareMassProperties(host, ReImport, InputFile, Failure, tolerance);
          state = Failure ? State::Differed : State::Agreed;
        } else if (!ReImport) {
          WriteMassBaseline(BLFile, VXBuild);
          state = State::Created;
        } else {
          state = State::Measured;
        }
      },
      [&](const au::AutomationError&) { result = 1; });
  return result;
}

}  // namespace

std::int16_t CheckMassProperties(bool ReImport, std::string_view InputFile, std::string_view BLFile, bool& Failure,
                                 std::string_view /*FailureFile*/, const au::Variant& tolerance,
                                 std::int32_t glbProcessID, std::string_view VXBuild, bool MultiSession) {
  CheckOutcome::State state{};
  return checkAgainstBaseline(ReImport, InputFile, BLFile, Failure, tolerance, glbProcessID, VXBuild, MultiSession,
                              state);
}

std::int16_t TestMassProp(SessionContext& s, bool ReImport) {
  std::int16_t checkResult = 0;
  std::int16_t result = runCheck(
      s, "TestMassProp",
      [&] {
        au::ObjectRef host = GetSessionHost(s.glbProcessID, s.MultiSession);
        au::ObjectRef doc = activeDoc(host);
        std::int32_t type = au::call(doc, "GetType").toLong();
        bool measure = false;
        if (type == kPart) measure = au::callObject(doc, "Body") != nullptr;
        if (type == kAssembly) measure = assemblyHasComponents(doc);
        if (!measure) return;
        CheckOutcome::State state = CheckOutcome::State::None;
        checkResult = checkAgainstBaseline(ReImport, s.InputFile, s.BLFile, s.Failure, s.tolerance, s.glbProcessID,
                                           s.VXBuild, s.MultiSession, state);
        // The journal's table names every quantity; the outcome says only
        // whether they moved.
        s.LastOutcome.state = state;
        if (state == CheckOutcome::State::Differed) s.LastOutcome.message = kChangeTitle;
      },
      OnFailure::SilentThenExit);
  return result != 0 ? result : checkResult;
}

}  // namespace rc::core
