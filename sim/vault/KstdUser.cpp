#include "sim/vault/KstdUser.h"

namespace rc::sim::vault {

using namespace automation;

const ClassInfo& KstdUser::info() {
  static const ClassInfo ci = ClassBuilder<KstdUser>("Keystead", "KstdUser")
      .ids("{3C5A0E70-8D1B-4F26-A4E3-000000000B01}", "IKstdUser", "{3C5A0E70-8D1B-4F26-A4E3-000000000B02}")
      .get("Name", VarType::String, {}, [](KstdUser& u, CallArgs&) { return Variant(u.name_); })
      .get("IsAdmin", VarType::Boolean, {}, [](KstdUser& u, CallArgs&) { return Variant(u.isAdmin_); })
      .build();
  return ci;
}

}  // namespace rc::sim::vault
