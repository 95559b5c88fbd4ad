// Which geometry files the host opens, and how their format is told: by
// the first bytes of the file, whatever its extension says.
#pragma once

#include <string>
#include <string_view>

namespace rc::sim::host::geometry {

enum class Format { Unknown, Step, Brep };

// Whether the extension names a geometry file: .step, .stp, .brep (any case).
bool isGeometryPath(std::string_view path);

// The format the text starting with `head` is in: STEP exchange files begin
// with "ISO-10303-21;", the kernel's BREP files with "DBRep_DrawableShape"
// or "CASCADE Topology" (a byte-order mark and white space may come first).
Format formatOf(std::string_view head);

// The format of the file at `path`; Unknown when it cannot be read.
Format formatOfFile(const std::string& path);

// Whether the STEP file at `path` holds a product structure (an assembly
// usage occurrence): only then can it open as an assembly.
bool stepHasProductStructure(const std::string& path);

// The sidecar of a geometry file: "pump.step" -> "pump.step.json".
std::string sidecarPath(const std::string& path);

}  // namespace rc::sim::host::geometry
