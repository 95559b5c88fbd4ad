#include "Core/checks/CheckSkeleton.h"

#include <vector>

#include "Core/frame/TraceLog.h"
#include "platform/automation/Registry.h"
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

PropertyStore::PropertyStore() : obj_(au::createObject("VxlClasses.clsPropertyManager")) {}

std::string PropertyStore::text(std::string_view key, std::string_view file, bool sumMode) {
  return au::call(obj_, "GetProperty", key, file, au::Variant::integer(sumMode ? 1 : 0)).toText();
}

double PropertyStore::number(std::string_view key, std::string_view file, bool sumMode) {
  return au::Variant(text(key, file, sumMode)).toDouble();
}

void PropertyStore::set(std::string_view key, std::string_view file, std::string_view value, std::string_view build) {
  au::call(obj_, "SetProperty", key, file, value, build);
}

bool PropertyStore::compare(const au::Variant& newValue, const au::Variant& baseline, const au::Variant& tolerance,
                            double& diff) {
  std::vector<au::Variant> args{newValue, baseline, tolerance, diff};
  bool same = au::call(obj_, "CompareProperty", args).toBool();
  diff = args[3].toDouble();
  return same;
}

void PropertyStore::infoHeaderToJournal(std::int32_t processId, bool multiSession) {
  au::call(obj_, "InfoHeaderToJournal", processId, multiSession);
}

}  // namespace rc::core
