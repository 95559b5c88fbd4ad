// The feature census of the active document (modFeatureTree): how many features of each type
// its tree holds (one level of sub-features included) and how many
// annotations of each type it carries, written into the host's journal.
#pragma once

#include <cstdint>
#include <string_view>

#include "Core/frame/SessionContext.h"

namespace rc::core {

// Writes the census between "'   Feature List" and "'   End Feature List",
// after the information header. Annotation names come from the host's
// constants file under `VXPath` (or its grandparent); without it only the
// features are counted. 0 when written or when no document is active; 1
// when the by-process lookup failed ("Get Features - Failed"). Any later
// error is raised to the caller.
std::int16_t ListFeatureTree(std::int32_t glbProcessID, bool MultiSession, std::string_view VXPath);

// "Features - Enter", the census, "Features - Exit": the census's answer;
// 1 after an error ("Features - Failed" before the exit line).
std::int16_t Features(const SessionContext& session);

}  // namespace rc::core
