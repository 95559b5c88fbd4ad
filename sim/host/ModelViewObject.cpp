#include "sim/host/ModelViewObject.h"

#include "sim/host/CallText.h"

namespace rc::sim::host {

using namespace automation;

const ClassInfo& ModelViewObject::info() {
  static const ClassInfo ci = ClassBuilder<ModelViewObject>("Vexlar", "ModelView")
      .ids("{7D1E0B10-2C41-4E2A-9B51-000000000081}", "IModelView", "{7D1E0B10-2C41-4E2A-9B51-000000000181}")
      .get("FrameState", VarType::Long, {}, [](ModelViewObject& v, CallArgs&) { return Variant(v.document().frameState); })
      .let("FrameState", {byVal("value", VarType::Long)}, [](ModelViewObject& v, CallArgs& a) {
        v.document().frameState = a[0].asLong();
        v.document().recordOperation(calltext::line("FrameState", {a[0]}));
        return Variant();
      })
      .build();
  return ci;
}

}  // namespace rc::sim::host
