// Registers the library's classes with the class registry.
#pragma once

namespace rc::core {

// Publishes the library's name, version and ID and registers the seven
// classes as "RavelcrestCore.<class>" and the "VxlClasses" aliases.
// Idempotent.
void registerClasses();

}  // namespace rc::core
