#include "Core/checks/CheckSkeleton.h"

#include <string>

#include "Core/frame/TraceLog.h"
#include "platform/automation/Trap.h"

namespace rc::core {

namespace au = rc::automation;

std::int16_t runCheck(const SessionContext& session, std::string_view name, const std::function<void()>& body,
                      OnFailure onFailure, std::string_view failureSuffix) {
  const std::string prefix(name);
  WriteTraceLog(session.ResultPath, prefix + " - Enter");
  std::int16_t result = 1;
  bool ok = au::trapped(
      [&] {
        body();
        WriteTraceLog(session.ResultPath, prefix + " - Exit");
        result = 0;
      },
      [&](const au::AutomationError&) {
        if (onFailure != OnFailure::SilentThenExit) WriteTraceLog(session.ResultPath, prefix + std::string(failureSuffix));
      });
  if (!ok && onFailure != OnFailure::TraceAndSkipExit) WriteTraceLog(session.ResultPath, prefix + " - Exit");
  return result;
}

std::int16_t runCheckWithoutExit(const SessionContext& session, std::string_view name,
                                 const std::function<void()>& body, bool traceFailure) {
  const std::string prefix(name);
  WriteTraceLog(session.ResultPath, prefix + " - Enter");
  bool ok = au::trapped(body, [&](const au::AutomationError&) {
    if (traceFailure) WriteTraceLog(session.ResultPath, prefix + " - Failed");
  });
  return ok ? 0 : 1;
}

}  // namespace rc::core
