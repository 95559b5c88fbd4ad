// The mass-properties check (modMassProp): the twelve mass properties of the
// active part or assembly compared with a baseline file of their own.
//
// Baseline file (created or overwritten whole, CR LF line ends):
//   Build: <build>, Date: <short date>
//   <value 0> ... <value 11>      one per line, "." as decimal sign
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "Core/frame/SessionContext.h"
#include "platform/automation/Dispatch.h"

namespace rc::core {

inline constexpr int kMassQuantities = 12;

// The journal names of the quantities, in the order GetMassProperties gives them.
extern const std::array<std::string_view, kMassQuantities> kMassPropertyNames;

// The state the mass-properties module keeps between calls: the last
// current values, baseline values and percentage differences (indexes 0 to
// 11 used, 12 spare). Every routine of the module reads and writes these
// arrays and nothing else outlives a call.
struct MassPropertiesModuleState {
  std::array<double, 13> current{};
  std::array<double, 13> baseline{};
  std::array<double, 13> difference{};
};

// The one instance of the module state.
MassPropertiesModuleState& massPropertiesState();

// The check method: measures the active part (with a body) or assembly
// (with at least one component) and compares. Writes "TestMassProp - Enter"
// and, in every case, "TestMassProp - Exit". Answers 1 after a run-time
// error here or in CheckMassProperties, else 0. Differences set Failure;
// LastOutcome says whether the baseline was made or compared (no values:
// twelve quantities are no one value).
std::int16_t TestMassProp(SessionContext& session, bool ReImport);

// Reads the current values from the host's active document, then compares
// them with BLFile when it exists or, without ReImport, writes it. Answers
// 0, or 1 after a run-time error. FailureFile is accepted and unused.
std::int16_t CheckMassProperties(bool ReImport, std::string_view InputFile, std::string_view BLFile, bool& Failure,
                                 std::string_view FailureFile, const automation::Variant& tolerance,
                                 std::int32_t glbProcessID, std::string_view VXBuild, bool MultiSession);

// Reads the twelve baseline values of `file` into the module state. The
// state changes only when all twelve were read. A short or empty file
// raises 62, a field that is not a number 13.
void ReadMassBaseline(std::string_view file);

// Writes the baseline file from the current values.
void WriteMassBaseline(std::string_view file, std::string_view VXBuild);

// Compares current values with baseline values (indexes 0 to 4 with
// ReImport, else 0 to 11), sets Failure, and sends the difference table
// through `host`'s RecordLine when a quantity differs. Each statement is
// skipped on its own when it raises.
void CompareMassProperties(const automation::ObjectRef& host, bool ReImport, std::string_view InputFile,
                           bool& Failure, const automation::Variant& tolerance);

// False when both |a| and |b| are below the floor `f`.
bool OutsideNoiseFloor(double a, double b, double f);

}  // namespace rc::core
