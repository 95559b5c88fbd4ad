// Registers the library's classes with the class registry.
#pragma once

namespace rc::core {

// Registers the seven classes as "RavelcrestCore.<class>" and the
// "VxlClasses" aliases. Idempotent.
void registerClasses();

}  // namespace rc::core
