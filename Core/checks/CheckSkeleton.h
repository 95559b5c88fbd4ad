// The frame every check method runs in: the "- Enter" trace line before any
// trap, the trap around the body, the "- Exit" line and the result code.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "Core/frame/SessionContext.h"

namespace rc::core {

// What a check's trap writes when the body raises.
enum class OnFailure {
  // Writes `<name><failureSuffix>`, skips the exit line; result 1.
  TraceAndSkipExit,
  // Writes no failure line, goes on to the exit line; result 1.
  SilentThenExit,
  // Writes `<name><failureSuffix>`, then still the exit line; result 1.
  TraceThenExit,
};

// Runs `body` as check `name`: writes "<name> - Enter" (a failure there is
// raised to the caller), runs the body under the trap, writes "<name> -
// Exit" and answers 0; after a run-time error answers 1 as `onFailure` says.
// A failure to write the failure line itself is raised to the caller.
std::int16_t runCheck(const SessionContext& session, std::string_view name, const std::function<void()>& body,
                      OnFailure onFailure = OnFailure::TraceAndSkipExit, std::string_view failureSuffix = " - Failed");

// The frame of the checks that write no exit line: "<name> - Enter" (a
// failure there is raised to the caller), then `body` under the trap.
// Answers 0 when the body ran to its end; after a run-time error writes
// "<name> - Failed" when `traceFailure` and answers 1.
std::int16_t runCheckWithoutExit(const SessionContext& session, std::string_view name,
                                 const std::function<void()>& body, bool traceFailure);

}  // namespace rc::core
