// clsApplication: the session context a harness sets, and the checks.
#pragma once

#include <cstdint>
#include <string_view>

#include "Core/frame/SessionContext.h"
#include "platform/automation/Dispatch.h"

namespace rc::core {

class clsApplication : public automation::Dispatch, public SessionContext {
 public:
  static const automation::ClassInfo& classInfo();
  const automation::ClassInfo& typeInfo() const override { return classInfo(); }

  // Appends a trace line to ResultPath's "TraceLog.log". No trap.
  void WriteTraceLog(std::string_view message) const;

 protected:
  // A method call starts the session's LastOutcome afresh.
  void beforeInvoke(const automation::MemberInfo& member) override;
};

}  // namespace rc::core
