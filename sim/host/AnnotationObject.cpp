#include "sim/host/AnnotationObject.h"

namespace rc::sim::host {

using namespace automation;

const std::vector<Annotation>* AnnotationObject::list(Document& doc, const AnnotationOwner& owner) {
  if (!owner.sheet) return &doc.model().annotations;
  auto i = doc.sheetIndex(*owner.sheet);
  if (!i) return nullptr;
  const auto& views = doc.model().sheets[*i].views;
  return owner.view < views.size() ? &views[owner.view].annotations : nullptr;
}

Variant AnnotationObject::at(const std::shared_ptr<Document>& doc, const AnnotationOwner& owner, std::size_t index) {
  const std::vector<Annotation>* l = list(*doc, owner);
  if (!l || index >= l->size()) return Variant::nothing();
  return Variant(ObjectRef(std::make_shared<AnnotationObject>(doc, owner, index)));
}

const ClassInfo& AnnotationObject::info() {
  static const ClassInfo ci = ClassBuilder<AnnotationObject>("Vexlar", "Annotation")
      .ids("{7D1E0B10-2C41-4E2A-9B51-0000000000D1}", "IAnnotation", "{7D1E0B10-2C41-4E2A-9B51-0000000001D1}")
      .method("GetType", VarType::Long, {}, [](AnnotationObject& a, CallArgs&) {
        const std::vector<Annotation>* l = list(a.document(), a.owner_);
        if (!l || a.index_ >= l->size()) gone("annotation");
        return Variant((*l)[a.index_].type);
      })
      .method("GetNext2", VarType::Object, {}, [](AnnotationObject& a, CallArgs&) {
        return at(a.documentRef(), a.owner_, a.index_ + 1);
      })
      .build();
  return ci;
}

}  // namespace rc::sim::host
