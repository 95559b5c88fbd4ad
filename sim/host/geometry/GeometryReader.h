// Reads geometry files for the host. The kernel runs in a helper process
// (a fork of this one that loads the geometry module), with a time and a
// memory limit: a file that makes the kernel crash, hang or grow without
// bound costs that process, never the host, and is refused with the reason.
#pragma once

#include <string>
#include <variant>

#include "sim/host/geometry/GeometryData.h"

namespace rc::sim::host::geometry {

struct Limits {
  int seconds = 120;                        // $RAVELCREST_GEOMETRY_TIMEOUT
  unsigned long long memoryBytes = 8ull << 30;  // address space; $RAVELCREST_GEOMETRY_MEMORY_MB
  // The limits in force: the defaults, or the environment's.
  static Limits fromEnvironment();
};

// A refusal of the file; `reason` says why in the kernel's words.
struct Refused {
  std::string reason;
};

template <typename T>
using Result = std::variant<Refused, T>;

// The content of the geometry file `request.path`, meshed as it asks.
Result<Content> readContent(const Request& request, const Limits& limits = Limits::fromEnvironment());

// The visible edges of the file's shape seen along `request.direction`.
Result<Projection> readProjection(const Request& request, const Limits& limits = Limits::fromEnvironment());

// The path of the geometry module `fileName` (GeometryModule.h) the helper
// loads: $RAVELCREST_GEOMETRY_MODULE (for either), else the first found as
// platform/os/OnDemandModules.h says (beside the program or the code that
// holds the host, never relative to the working folder); else `fileName`.
std::string modulePath(const char* fileName);

}  // namespace rc::sim::host::geometry
