// The document types as the host's GetType answers them (a Long).
#pragma once

#include <cstdint>

namespace rc::core {

// Unscoped so that a host's answer compares with it directly:
// au::call(doc, "GetType").toLong() == kPart.
enum DocumentType : std::int32_t { kPart = 1, kAssembly = 2, kDrawing = 3 };

}  // namespace rc::core
