// Shared routines of the component frame: finding the host application and
// the trace writers.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/automation/Dispatch.h"

namespace rc::core {

// Appends the trace line (the message in double quotes, CR LF) to
// `resultPath` + "TraceLog.log"; an empty folder is the drive root. No trap:
// a failure is raised to the caller.
void WriteTraceLog(std::string_view resultPath, std::string_view message);

// Appends the trace line to "TraceLog.log" at the drive root. No trap. Used
// by routines that have no session object.
void WriteModuleTrace(std::string_view message);

// The ProgID GetApp creates: "Orrery2007.Application" when the running
// executable lies in a folder "...\geometry\" (any case, either separator)
// whose sibling "application\orrery.exe" exists; "Vexlar.Application" otherwise.
std::string hostProgIdForExecutable(std::string_view executablePath);

// Creates the host application object by the ProgID above. No trap.
automation::ObjectRef GetApp();

// The host of this session: with `multiSession`, the session of process
// `processId` (32 bits); when there is none, or without `multiSession`,
// GetApp(). A failure of GetApp is raised.
automation::ObjectRef GetSessionHost(std::int32_t processId, bool multiSession);

// The folder-browse dialog: converts `title` to a String in place and
// answers the chosen folder, or "" when none was chosen (also where no
// interactive picker exists).
std::string BrowseForFolder(automation::Variant& title);

}  // namespace rc::core
