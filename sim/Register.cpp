#include "sim/Register.h"

namespace rc::sim {

void registerApplications() {}

}  // namespace rc::sim
