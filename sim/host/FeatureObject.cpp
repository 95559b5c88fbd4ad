#include "sim/host/FeatureObject.h"

namespace rc::sim::host {

using namespace automation;

std::vector<Feature>* FeatureObject::list(Document& doc, const FeatureScope& scope) {
  DocumentModel& m = doc.model();
  if (scope.sheet) {
    auto i = doc.sheetIndex(*scope.sheet);
    return i ? &m.sheets[*i].features : nullptr;
  }
  return scope.config < m.configurations.size() ? &m.configurations[scope.config].features : nullptr;
}

const Feature& FeatureObject::feature() const {
  std::vector<Feature>* features = list(document(), scope_);
  if (!features || index_ >= features->size()) gone("feature");
  const Feature& f = (*features)[index_];
  if (!sub_) return f;
  if (*sub_ >= f.subFeatures.size()) gone("feature");
  return f.subFeatures[*sub_];
}

ObjectRef FeatureObject::at(std::size_t index, std::optional<std::size_t> sub) const {
  std::vector<Feature>* features = list(document(), scope_);
  if (!features || index >= features->size()) return nullptr;
  if (sub && *sub >= (*features)[index].subFeatures.size()) return nullptr;
  return std::make_shared<FeatureObject>(documentRef(), scope_, index, sub);
}

const ClassInfo& FeatureObject::info() {
  static const ClassInfo ci = ClassBuilder<FeatureObject>("Vexlar", "Feature")
      .ids("{7D1E0B10-2C41-4E2A-9B51-0000000000E1}", "IFeature", "{7D1E0B10-2C41-4E2A-9B51-0000000001E1}")
      .method("GetErrorCode", VarType::Long, {}, [](FeatureObject& f, CallArgs&) { return Variant(f.feature().error); })
      .method("GetTypeName", VarType::String, {}, [](FeatureObject& f, CallArgs&) { return Variant(f.feature().type); })
      .get("Name", VarType::String, {}, [](FeatureObject& f, CallArgs&) { return Variant(f.feature().name); })
      .method("GetFirstSubFeature", VarType::Object, {}, [](FeatureObject& f, CallArgs&) {
        f.feature();
        if (f.sub_) return Variant::nothing();  // sub-features have none of their own
        return Variant(f.at(f.index_, std::size_t{0}));
      })
      .method("GetNextSubFeature", VarType::Object, {}, [](FeatureObject& f, CallArgs&) {
        f.feature();
        if (!f.sub_) return Variant::nothing();
        return Variant(f.at(f.index_, *f.sub_ + 1));
      })
      .method("GetNextFeature", VarType::Object, {}, [](FeatureObject& f, CallArgs&) {
        f.feature();
        if (f.sub_) return Variant::nothing();
        return Variant(f.at(f.index_ + 1, std::nullopt));
      })
      .build();
  return ci;
}

}  // namespace rc::sim::host
