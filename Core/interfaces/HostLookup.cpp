#include "Core/interfaces/HostLookup.h"

#include <string>

#include "platform/automation/Registry.h"

namespace rc::core {

automation::ObjectRef GetVexlarObjByPID(std::int32_t processId) {
  return automation::getObject("VexlarSim.Session:" + std::to_string(processId));
}

}  // namespace rc::core
