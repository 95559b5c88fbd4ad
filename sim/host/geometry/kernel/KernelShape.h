// Measurement of one kernel shape: faces, triangulation, edges and mass
// properties, as the host's plain values.
#pragma once

#include <TopoDS_Shape.hxx>

#include "sim/host/geometry/GeometryData.h"

namespace rc::sim::host::geometry::kernel {

// Meshes `shape` (once: an existing triangulation made with the same
// parameters is kept) and measures it.
Shape measure(const TopoDS_Shape& shape, const MeshParameters& mesh);

// The visible edges of `shape` seen along `direction`, as 2D segments of
// the projection plane (the kernel's exact hidden-line removal). In the
// full module only.
Projection project(const TopoDS_Shape& shape, const gp_Dir& direction, const MeshParameters& mesh);

}  // namespace rc::sim::host::geometry::kernel
