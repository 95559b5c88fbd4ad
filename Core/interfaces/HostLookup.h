// The host's per-session lookup: the application object of the host session
// whose process ID is given.
#pragma once

#include <cstdint>

#include "platform/automation/Dispatch.h"

namespace rc::core {

// The application object of host session `processId` (a 32-bit ID), found in
// the running object table under "VexlarSim.Session:<id>"; raises 429 when
// no such session runs.
automation::ObjectRef GetVexlarObjByPID(std::int32_t processId);

}  // namespace rc::core
