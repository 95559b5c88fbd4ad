#include "sim/vault/KstdCollection.h"

#include "platform/automation/Error.h"

namespace rc::sim::vault {

using namespace automation;

const ClassInfo& KstdCollection::info() {
  static const ClassInfo ci = ClassBuilder<KstdCollection>("Keystead", "KstdCollection")
      .ids("{3C5A0E70-8D1B-4F26-A4E3-000000000C01}", "IKstdCollection", "{3C5A0E70-8D1B-4F26-A4E3-000000000C02}")
      .get("Count", VarType::Long, {}, [](KstdCollection& c, CallArgs&) { return Variant(static_cast<int>(c.items_.size())); })
      .get("Item", VarType::Variant, {byVal("Index", VarType::Long)}, [](KstdCollection& c, CallArgs& a) {
        std::int32_t i = a[0].asLong();
        if (i < 1 || static_cast<std::size_t>(i) > c.items_.size()) raise(err::SubscriptOutOfRange, "Keystead");
        return c.items_[static_cast<std::size_t>(i) - 1];
      })
      .build();
  return ci;
}

}  // namespace rc::sim::vault
