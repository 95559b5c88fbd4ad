// Counting over the faces of the active part (modEdge, modTessellation).
#pragma once

#include <cstdint>
#include <string_view>

namespace rc::core {

// The edges of the active part's body: the faces' edge counts summed and
// halved (each edge bounds two faces). 0 when the document is no part or
// has no body. Errors show their description and the walk goes on.
double CountPartEdges(std::int32_t glbProcessID, bool MultiSession);

// The display triangles of the active part's body, summed over its faces.
double CountPartTriangles(std::int32_t glbProcessID, bool MultiSession);

}  // namespace rc::core
