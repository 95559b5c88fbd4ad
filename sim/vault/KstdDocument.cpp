#include "sim/vault/KstdDocument.h"

#include "sim/vault/KstdCollection.h"
#include "sim/vault/KstdReference.h"
#include "sim/vault/ObjectErrors.h"

namespace rc::sim::vault {

using namespace automation;

RevisionRecord KstdDocument::current() const {
  return vault_->revision(rev_.document, rev_.label).value_or(rev_);
}

const ClassInfo& KstdDocument::info() {
  static const ClassInfo ci = ClassBuilder<KstdDocument>("Keystead", "KstdDocument")
      .ids("{3C5A0E70-8D1B-4F26-A4E3-000000000D01}", "IKstdDocument", "{3C5A0E70-8D1B-4F26-A4E3-000000000D02}")
      .get("Name", VarType::String, {}, [](KstdDocument& d, CallArgs&) { return Variant(d.rev_.document); })
      .get("Revision", VarType::String, {}, [](KstdDocument& d, CallArgs&) { return Variant(d.rev_.label); })
      .get("Size", VarType::Long, {}, [](KstdDocument& d, CallArgs&) {
        return guarded([&] { return Variant(static_cast<int>(d.current().size)); });
      })
      .get("VexlarVersion", VarType::Long, {}, [](KstdDocument& d, CallArgs&) {
        return guarded([&] {
          RevisionRecord r = d.current();
          if (!r.hostVersion) raiseVault("the document " + r.document + " revision " + r.label + " has no host file version");
          return Variant(static_cast<int>(*r.hostVersion));
        });
      })
      .method("Save", VarType::Void, {byVal("Directory", VarType::String)}, [](KstdDocument& d, CallArgs& a) {
        guarded([&] { d.vault_->save(d.current(), a[0].asString()); });
        return Variant();
      })
      .get("references", VarType::Object, {}, [](KstdDocument& d, CallArgs&) {
        std::vector<Variant> items;
        for (const Reference& r : d.rev_.references) items.emplace_back(ObjectRef(std::make_shared<KstdReference>(r)));
        return Variant(ObjectRef(std::make_shared<KstdCollection>(std::move(items))));
      })
      .get("Revisions", VarType::Object, {}, [](KstdDocument& d, CallArgs&) {
        return guarded([&] {
          std::vector<Variant> items;
          for (RevisionRecord& r : d.vault_->revisions(d.rev_.document))
            items.emplace_back(ObjectRef(std::make_shared<KstdDocument>(d.vault_, std::move(r))));
          return Variant(ObjectRef(std::make_shared<KstdCollection>(std::move(items))));
        });
      })
      .build();
  return ci;
}

}  // namespace rc::sim::vault
