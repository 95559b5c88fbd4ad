// The trace writers of the component frame (modMainClassMod): trace lines
// into a results folder's "TraceLog.log" or the drive root's.
#pragma once

#include <string_view>

namespace rc::core {

// Appends the trace line (the message in double quotes, CR LF) to
// `resultPath` + "TraceLog.log"; an empty folder is the drive root. No trap:
// a failure is raised to the caller.
void WriteTraceLog(std::string_view resultPath, std::string_view message);

// Appends the trace line to "TraceLog.log" at the drive root. No trap. Used
// by routines that have no session object.
void WriteModuleTrace(std::string_view message);

}  // namespace rc::core
