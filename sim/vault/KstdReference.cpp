#include "sim/vault/KstdReference.h"

namespace rc::sim::vault {

using namespace automation;

const ClassInfo& KstdReference::info() {
  static const ClassInfo ci = ClassBuilder<KstdReference>("Keystead", "KstdReference")
      .ids("{3C5A0E70-8D1B-4F26-A4E3-000000000E01}", "IKstdReference", "{3C5A0E70-8D1B-4F26-A4E3-000000000E02}")
      .get("Name", VarType::String, {}, [](KstdReference& r, CallArgs&) { return Variant(r.ref_.name); })
      .get("Revision", VarType::String, {}, [](KstdReference& r, CallArgs&) { return Variant(r.ref_.revision); })
      .build();
  return ci;
}

}  // namespace rc::sim::vault
