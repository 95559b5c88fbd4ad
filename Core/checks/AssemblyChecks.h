// The assembly checks (modAssembly) on the top-level components of the active assembly:
// the component count in the journal, flexible solving of sub-assemblies,
// and the interference check driven by keystrokes.
#pragma once

#include <cstdint>

#include "Core/frame/SessionContext.h"

namespace rc::core {

// Journals the information header, "'   ComponentCount <n>" and an empty
// line (n is 0 without a root component): 0; 1 after an error.
std::int16_t ComponentCount(const SessionContext& session);

// Turns every top-level sub-assembly flexible and back to rigid through
// CompConfigProperties3: 0; 1 after any error (no trace lines).
std::int16_t TestFlexible(const SessionContext& session);

// For an assembly with components: sends "%(TR)" to the active window,
// selects the component named NameOnly and sends "%C". Every failing step
// is skipped; both trace lines are always written.
void TestAssemInterference(const SessionContext& session);

}  // namespace rc::core
