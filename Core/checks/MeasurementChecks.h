// The measurement checks of edges, display triangles and file size: each
// measures, reads the baseline from the document's properties file, creates
// it when missing, and journals a difference beyond the tolerance. Each
// records what it found in the session's LastOutcome.
#pragma once

#include <cstdint>
#include <string_view>

#include "Core/frame/SessionContext.h"

namespace rc::core {

std::int16_t TestEdgeCount(SessionContext& session);
std::int16_t TestTessTriangleCount(SessionContext& session);
// Measures the file `tmpName`; journals into JournFile on every run that
// has a value to compare or creates the baseline.
std::int16_t TestFileSize(SessionContext& session, std::string_view tmpName);

}  // namespace rc::core
