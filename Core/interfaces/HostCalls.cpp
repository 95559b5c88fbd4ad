#include "Core/interfaces/HostCalls.h"

namespace rc::core {

namespace au = rc::automation;

void recordLine(const au::ObjectRef& host, std::string_view line) { au::call(host, "RecordLine", line); }

au::ObjectRef activeDoc(const au::ObjectRef& host) { return au::callObject(host, "ActiveDoc"); }

}  // namespace rc::core
