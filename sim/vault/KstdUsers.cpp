#include "sim/vault/KstdUsers.h"

#include "platform/automation/Error.h"
#include "sim/vault/KstdUser.h"
#include "sim/vault/Names.h"
#include "sim/vault/ObjectErrors.h"

namespace rc::sim::vault {

using namespace automation;

namespace {

Variant userObject(const UserRecord& u) { return Variant(ObjectRef(std::make_shared<KstdUser>(u.name, u.isAdmin))); }

}  // namespace

const ClassInfo& KstdUsers::info() {
  static const ClassInfo ci = ClassBuilder<KstdUsers>("Keystead", "KstdUsers")
      .ids("{3C5A0E70-8D1B-4F26-A4E3-000000000A01}", "IKstdUsers", "{3C5A0E70-8D1B-4F26-A4E3-000000000A02}")
      .get("Count", VarType::Long, {}, [](KstdUsers& c, CallArgs&) {
        return guarded([&] { return Variant(static_cast<int>(c.state_->loggedIn().users().size())); });
      })
      .get("Item", VarType::Object, {byVal("Index", VarType::Variant)}, [](KstdUsers& c, CallArgs& a) {
        return guarded([&] {
          Vault& v = c.state_->loggedIn();
          if (a[0].type() == VarType::String) {
            auto u = v.user(a[0].asString());
            if (!u) raiseVault("there is no user \"" + printable(a[0].asString()) + "\" in the vault");
            return userObject(*u);
          }
          std::int32_t i = a[0].toLong();
          auto all = v.users();
          if (i < 1 || static_cast<std::size_t>(i) > all.size()) raise(err::SubscriptOutOfRange, kErrorSource);
          return userObject(all[static_cast<std::size_t>(i) - 1]);
        });
      })
      .build();
  return ci;
}

}  // namespace rc::sim::vault
