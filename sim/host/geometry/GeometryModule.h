// The entry of the geometry module: the shared object that holds the
// geometry kernel and is loaded (with dlopen) only where a geometry file is
// read, so that nothing else pays for the kernel.
#pragma once

#include <cstddef>

extern "C" {

// Receives the encoded answer (see GeometryWire.h), once per reading.
typedef void (*rc_geometry_sink)(void* context, const char* bytes, std::size_t size);

// Reads the geometry file at `path` and hands `sink` the encoded content:
// meshed with `deflection` and `angle`, or, when `direction` is not null,
// the visible edges projected along direction[0..2]. A file the kernel
// cannot read gives a refusal with the kernel's reason; never throws.
void rc_geometry_read(const char* path, double deflection, double angle, const double* direction,
                      rc_geometry_sink sink, void* context);
}

namespace rc::sim::host::geometry {

inline constexpr const char* kModuleEntry = "rc_geometry_read";
// The modules' file names; beside the host library or in build/lib. The
// parts module reads STEP parts and BREP files; the full module also reads
// STEP assemblies and projects shapes for drawings, and its libraries take
// more memory, so a part is read without them.
inline constexpr const char* kModuleFileName = "libravelcrest_geometry.so";
inline constexpr const char* kFullModuleFileName = "libravelcrest_geometry_full.so";

}  // namespace rc::sim::host::geometry
