#include "sim/host/HostObject.h"

#include "sim/host/Document.h"
#include "sim/host/Session.h"

namespace rc::sim::host {

void HostObject::beforeInvoke(const automation::MemberInfo& member) {
  const Document* doc = faultDocument();
  session_->admitCall(member.name, doc ? &doc->model().faults : nullptr);
}

}  // namespace rc::sim::host
