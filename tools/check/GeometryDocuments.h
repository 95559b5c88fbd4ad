// Geometry documents (STEP and BREP files) in a check run: their type, which
// the content decides, and the sidecar fields the checks that need more than
// geometry can use.
#pragma once

#include <set>
#include <string>
#include <string_view>

namespace rc::tools {

// Whether `path` names a geometry file (.step, .stp, .brep).
bool isGeometryDocument(std::string_view path);

// The host's type code for the geometry file at `path`: an assembly (2)
// when it is STEP with a product structure, else a part (1).
int geometryDocumentType(const std::string& path);

// The top-level fields of the sidecar of the geometry file at `path`
// ("pump.step.json" for "pump.step"); "features" also when a configuration
// of the sidecar lists features. Empty when there is none or it is not a
// JSON object.
std::set<std::string> sidecarFields(const std::string& path);

}  // namespace rc::tools
