#include "sim/vault/KstdConnection.h"

#include "sim/vault/KstdAdmin.h"
#include "sim/vault/KstdDocument.h"
#include "sim/vault/KstdUsers.h"
#include "sim/vault/ObjectErrors.h"

namespace rc::sim::vault {

using namespace automation;

namespace {

// The one description of a refused login: it does not tell an unknown user
// from a wrong password.
constexpr const char* kLoginRefused = "Login failed: unknown user name or wrong password";

void login(ConnectionState& s, const std::string& user, const std::string& password, const std::string& computer) {
  s.clear();
  std::shared_ptr<Vault> v;
  try {
    v = Vault::open(Vault::locate(computer));
  } catch (const VaultError& e) {
    raiseVault(std::string("Login failed: ") + e.what());
  }
  auto u = guarded([&] { return v->login(user, password); });
  if (!u) raiseVault(kLoginRefused);
  s.vault = std::move(v);
  s.user = u->name;
  s.isAdmin = u->isAdmin;
}

}  // namespace

ObjectRef KstdConnection::queryInterface(std::string_view interfaceName) {
  if (interfaceName == "IKstdAdmin") return std::make_shared<KstdAdmin>(state_, self());
  return Dispatch::queryInterface(interfaceName);
}

const ClassInfo& KstdConnection::info() {
  static const ClassInfo ci = ClassBuilder<KstdConnection>("Keystead", "KstdConnection")
      .progId("Keystead.KstdConnection")
      .ids("{3C5A0E70-8D1B-4F26-A4E3-000000000001}", "IKstdConnection", "{3C5A0E70-8D1B-4F26-A4E3-000000000002}")
      .method("Login", VarType::Void,
              {byRef("UserName", VarType::String), byRef("Password", VarType::String), byRef("VaultName", VarType::String)},
              [](KstdConnection& c, CallArgs& a) {
                login(*c.state_, a[0].asString(), a[1].asString(), a[2].asString());
                return Variant();
              })
      .method("Logout", VarType::Void, {}, [](KstdConnection& c, CallArgs&) {
        if (c.state_->vault) guarded([&] { c.state_->vault->audit(c.state_->user, "logout"); });
        c.state_->clear();
        return Variant();
      })
      .get("users", VarType::Object, {}, [](KstdConnection& c, CallArgs&) {
        c.state_->loggedIn();
        return Variant(ObjectRef(std::make_shared<KstdUsers>(c.state_)));
      })
      .method("GetSpecificDocument", VarType::Object,
              {byRef("FileName", VarType::String), byRef("Revision", VarType::Variant).opt()},
              [](KstdConnection& c, CallArgs& a) {
                Vault& v = c.state_->loggedIn();
                std::optional<std::string> label;
                if (a.supplied(1) && !a[1].isMissing()) label = a[1].toText();
                auto rev = guarded([&] { return v.revision(a[0].asString(), label); });
                if (!rev) return Variant::nothing();
                return Variant(ObjectRef(std::make_shared<KstdDocument>(c.state_->vault, std::move(*rev))));
              })
      .build();
  return ci;
}

}  // namespace rc::sim::vault
