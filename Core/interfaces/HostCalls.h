// The host members every check calls, as small late-bound wrappers: the
// member name stays a string, the wrapper only saves repeating it.
#pragma once

#include <string_view>

#include "platform/automation/Dispatch.h"

namespace rc::core {

// host.RecordLine line: one line into the host's journal.
void recordLine(const automation::ObjectRef& host, std::string_view line);

// host.ActiveDoc: the document the host shows, Nothing when none is open.
automation::ObjectRef activeDoc(const automation::ObjectRef& host);

}  // namespace rc::core
