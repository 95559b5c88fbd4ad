#include "sim/vault/KstdAdmin.h"

#include "sim/vault/Names.h"
#include "sim/vault/ObjectErrors.h"

namespace rc::sim::vault {

using namespace automation;

namespace {

std::int32_t replaceDocument(ConnectionState& s, const std::string& localPath, const std::string& comment,
                             const std::string& label, bool useOldDates) {
  if (!s.vault || s.registeredAdmin.empty()) return kNoAdministrator;
  std::unique_ptr<SourceFile> source;
  try {
    source = std::make_unique<SourceFile>(localPath);
  } catch (const VaultError&) {
    return kLocalFileUnreadable;
  }
  try {
    if (!s.vault->replace(*source, baseName(localPath), label, comment, useOldDates, s.registeredAdmin))
      return kNoSuchDocument;
  } catch (const VaultError&) {
    return kStorageFailure;
  }
  return kReplaced;
}

}  // namespace

ObjectRef KstdAdmin::queryInterface(std::string_view interfaceName) {
  if (interfaceName == "IKstdConnection") return connection_;
  return Dispatch::queryInterface(interfaceName);
}

const ClassInfo& KstdAdmin::info() {
  static const ClassInfo ci = ClassBuilder<KstdAdmin>("Keystead", "KstdAdmin")
      .ids("{3C5A0E70-8D1B-4F26-A4E3-000000000101}", "IKstdAdmin", "{3C5A0E70-8D1B-4F26-A4E3-000000000102}")
      .method("RegisterAdminUser", VarType::Void, {byVal("UserName", VarType::String)}, [](KstdAdmin& a, CallArgs& args) {
        ConnectionState& s = *a.state_;
        Vault& v = s.loggedIn();
        const std::string& name = args[0].asString();
        if (name != s.user || !s.isAdmin)
          raiseVault("RegisterAdminUser: \"" + printable(name) + "\" is not the administrator logged in");
        guarded([&] { v.audit(name, "register admin"); });
        s.registeredAdmin = name;
        return Variant();
      })
      .method("ReleaseAdminUser", VarType::Void, {}, [](KstdAdmin& a, CallArgs&) {
        ConnectionState& s = *a.state_;
        if (s.vault && !s.registeredAdmin.empty()) guarded([&] { s.vault->audit(s.registeredAdmin, "release admin"); });
        s.registeredAdmin.clear();
        return Variant();
      })
      .method("ReplaceDocument", VarType::Long,
              {byVal("LocalPath", VarType::String), byVal("Comment", VarType::String), byVal("Revision", VarType::String),
               byVal("useOldDates", VarType::Boolean)},
              [](KstdAdmin& a, CallArgs& args) {
                return Variant(replaceDocument(*a.state_, args[0].asString(), args[1].asString(), args[2].asString(),
                                               args[3].asBool()));
              })
      .build();
  return ci;
}

}  // namespace rc::sim::vault
