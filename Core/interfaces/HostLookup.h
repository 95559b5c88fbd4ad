// Finding the host: the application object a check works with, by ProgID or
// by the process ID of its session. Every host lookup of the library is here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/automation/Dispatch.h"

namespace rc::core {

// The ProgID GetApp creates: "Orrery2007.Application" when the running
// executable lies in a folder "...\geometry\" (any case, either separator)
// whose sibling "application\orrery.exe" exists; "Vexlar.Application" otherwise.
std::string hostProgIdForExecutable(std::string_view executablePath);

// Creates the host application object by the ProgID above. No trap.
automation::ObjectRef GetApp();

// The application object of host session `processId` (a 32-bit ID), found in
// the running object table under runningSessionKey(processId); raises 429
// when no such session runs.
automation::ObjectRef GetVexlarObjByPID(std::int32_t processId);

// The host of this session: with `multiSession`, the session of process
// `processId` (32 bits); when there is none, or without `multiSession`,
// GetApp(). A failure of GetApp is raised.
automation::ObjectRef GetSessionHost(std::int32_t processId, bool multiSession);

// The host without the by-process fallback: with `multiSession`, the session
// of `processId`, a failed lookup raising its error; without it, or when the
// lookup answers nothing, GetApp().
automation::ObjectRef GetSessionHostStrict(std::int32_t processId, bool multiSession);

}  // namespace rc::core
