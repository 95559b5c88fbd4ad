// The frame every check method runs in: the "- Enter" trace line before any
// trap, the trap around the body, the "- Exit" line and the result code.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "Core/frame/SessionContext.h"
#include "platform/automation/Dispatch.h"

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

// The property store as the checks reach it: created late-bound through
// "VxlClasses.clsPropertyManager" and called by member name.
class PropertyStore {
 public:
  PropertyStore();

  // GetProperty's text for `key` (first-match or sum mode).
  std::string text(std::string_view key, std::string_view file, bool sumMode = false);
  // That text as a number by the locale-aware conversion (13 when it is none).
  double number(std::string_view key, std::string_view file, bool sumMode = false);
  // SetProperty; its result is ignored, as the checks do.
  void set(std::string_view key, std::string_view file, std::string_view value, std::string_view build);
  // CompareProperty(new, baseline, tolerance, diff).
  bool compare(const automation::Variant& newValue, const automation::Variant& baseline,
               const automation::Variant& tolerance, double& diff);
  // InfoHeaderToJournal: the "Information (ST)" header in the session's journal.
  void infoHeaderToJournal(std::int32_t processId, bool multiSession);

 private:
  automation::ObjectRef obj_;
};

}  // namespace rc::core
