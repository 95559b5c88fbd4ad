#include "sim/host/ComponentObject.h"

#include "platform/automation/SafeArray.h"
#include "platform/os/Paths.h"
#include "sim/host/CallText.h"
#include "sim/host/JsonText.h"

namespace rc::sim::host {

using namespace automation;

Component& ComponentObject::component() const {
  auto& configs = document().model().configurations;
  if (!index_ || config_ >= configs.size() || *index_ >= configs[config_].components.size()) gone("component");
  return configs[config_].components[*index_];
}

std::shared_ptr<Document> ComponentObject::modelDocument() const {
  if (!index_) return documentRef();
  if (document().geometry()) {
    component();  // raises when the component is gone
    return document().geometryComponent(*index_);
  }
  return document().componentDocument(component().file);
}

Variant ComponentObject::children(const std::shared_ptr<Document>& doc, std::size_t config) {
  std::vector<Variant> items;
  if (doc->type() == DocType::Assembly && config < doc->model().configurations.size()) {
    std::size_t n = doc->model().configurations[config].components.size();
    for (std::size_t i = 0; i < n; ++i) items.emplace_back(ObjectRef(std::make_shared<ComponentObject>(doc, config, i)));
  }
  return Variant(SafeArray::vector(VarType::Variant, std::move(items)));
}

const ClassInfo& ComponentObject::info() {
  static const ClassInfo ci = ClassBuilder<ComponentObject>("Vexlar", "Component2")
      .ids("{7D1E0B10-2C41-4E2A-9B51-0000000000A1}", "IComponent2", "{7D1E0B10-2C41-4E2A-9B51-0000000001A1}")
      .method("GetChildren", VarType::Variant, {}, [](ComponentObject& c, CallArgs&) {
        if (!c.index_) {
          if (c.config_ >= c.document().model().configurations.size()) gone("component");
          return children(c.documentRef(), c.config_);
        }
        c.component();
        std::shared_ptr<Document> sub = c.modelDocument();
        if (!sub || sub->type() != DocType::Assembly) return Variant(SafeArray::vector(VarType::Variant, {}));
        return children(sub, sub->activeConfigurationIndex());
      })
      .method("GetTitle", VarType::String, {}, [](ComponentObject& c, CallArgs&) {
        if (!c.index_) return Variant(c.document().title());
        return Variant(std::string(platform::fileName(c.component().file)));
      })
      .method("GetModelDoc", VarType::Object, {}, [](ComponentObject& c, CallArgs&) {
        return Variant(ObjectRef(c.modelDocument()));
      })
      .method("GetSuppression", VarType::Long, {}, [](ComponentObject& c, CallArgs&) {
        return Variant(c.index_ ? c.component().suppression : 2);
      })
      .method("IsHidden", VarType::Boolean, {byVal("ConsiderSuppressed", VarType::Boolean).opt(false)},
              [](ComponentObject& c, CallArgs& a) {
                if (!c.index_) return Variant(false);
                const Component& k = c.component();
                return Variant(k.hidden || (a[0].asBool() && k.suppression == 0));
              })
      .get("Name", VarType::String, {}, [](ComponentObject& c, CallArgs&) {
        return Variant(c.index_ ? c.component().name : std::string());
      })
      .method("CompConfigProperties3", VarType::Boolean,
              {byVal("Suppression", VarType::Long), byVal("Solving", VarType::Long), byVal("Visibility", VarType::Boolean),
               byVal("FeatureDetails", VarType::Boolean).opt(true)},
              [](ComponentObject& c, CallArgs& a) {
                c.document().recordOperation(calltext::line("CompConfigProperties3", {a[0], a[1], a[2], a[3]}));
                if (!c.index_) return Variant(false);
                c.component();  // raises when the component is gone, before an undo step is stored
                c.document().editor().checkpoint();
                Component& k = c.component();
                k.suppression = a[0].asLong();
                k.hidden = !a[2].asBool();
                json::setMember(k.extra, "solving", std::to_string(a[1].asLong()));
                return Variant(true);
              })
      .build();
  return ci;
}

}  // namespace rc::sim::host
