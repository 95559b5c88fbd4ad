// The process's table of running host sessions: the default session that
// "Vexlar.Application" and "Orrery2007.Application" attach to, the separate
// sessions of "VexlarSim.Session", and their process IDs.
//
// Every running session's application object is in the running object table
// under "VexlarSim.Session:" followed by its process ID in decimal (so
// getObject("VexlarSim.Session:4004") finds it); the default session is also
// there under both application ProgIDs. Ending a session removes its entries.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/automation/Dispatch.h"

namespace rc::sim::host {

class Session;

namespace sessions {

// The running object table name of the session with process ID `id`
// (automation::runningSessionKey).
std::string lookupName(std::int32_t id);

// CreateObject of an application ProgID: the default session's application
// object, starting the session first when none runs.
automation::ObjectRef attachOrStart(std::string_view progId);
// CreateObject("VexlarSim.Session"): a new session of its own.
automation::ObjectRef startSeparate();

// Gives `session` the process ID `id`; raises 5 when another session has it.
void changeProcessId(Session& session, std::int32_t id);
// Removes an ended session from the table and the running object table.
void forget(Session& session);

}  // namespace sessions
}  // namespace rc::sim::host
