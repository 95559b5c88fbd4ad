// The graphics view of a geometry document: the triangulation seen from
// the isometric direction (from +X, -Y, +Z), centred and fitted to the
// surface with a margin at a round scale (1, 2 or 5 pixels per 10^k model
// units), flat-shaded by facet normal, hidden surfaces removed with a
// depth buffer, then the edges in black. Vertices are projected once in floating
// point and snapped to a fixed-point grid; every per-pixel decision after
// that (coverage, depth, colour) is integer arithmetic, so the same mesh
// and surface size always give the same bytes.
#pragma once

#include <cstdint>

#include "platform/display/Surface.h"
#include "sim/host/geometry/GeometryData.h"

namespace rc::sim::host::geometry {

// Paints `mesh` over the whole of `surface` on `background` (0x00RRGGBB).
void render(display::Surface& surface, const Mesh& mesh, std::uint32_t background);

// Paints `segments` (x0, y0, x1, y1 each) in black into the rectangle
// (left, top)-(right, bottom) of `surface`, fitted with a small margin and
// y upwards; the drawing view of a geometry document's projection.
void drawProjection(display::Surface& surface, const Projection& segments, int left, int top, int right, int bottom);

}  // namespace rc::sim::host::geometry
