#include "sim/host/SheetObject.h"

namespace rc::sim::host {

using namespace automation;

const ClassInfo& SheetObject::info() {
  static const ClassInfo ci = ClassBuilder<SheetObject>("Vexlar", "Sheet")
      .ids("{7D1E0B10-2C41-4E2A-9B51-000000000051}", "ISheet", "{7D1E0B10-2C41-4E2A-9B51-000000000151}")
      .method("getName", VarType::String, {}, [](SheetObject& s, CallArgs&) {
        if (!s.document().sheetIndex(s.name_)) gone("sheet");
        return Variant(s.name_);
      })
      .build();
  return ci;
}

}  // namespace rc::sim::host
