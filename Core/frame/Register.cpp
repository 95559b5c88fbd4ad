#include "Core/frame/Register.h"

namespace rc::core {

void registerClasses() {}

}  // namespace rc::core
