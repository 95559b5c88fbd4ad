// The measurement checks of edges, display triangles and file size: each
// measures, reads the baseline from the document's properties file, creates
// it when missing, and journals a difference beyond the tolerance.
#pragma once

#include <cstdint>
#include <string_view>

#include "Core/frame/SessionContext.h"

namespace rc::core {

std::int16_t TestEdgeCount(const SessionContext& session);
std::int16_t TestTessTriangleCount(const SessionContext& session);
// Measures the file `tmpName`; journals into JournFile on every run that
// has a value to compare or creates the baseline.
std::int16_t TestFileSize(const SessionContext& session, std::string_view tmpName);

}  // namespace rc::core
