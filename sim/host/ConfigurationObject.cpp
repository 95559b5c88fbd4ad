#include "sim/host/ConfigurationObject.h"

#include "sim/host/ComponentObject.h"

namespace rc::sim::host {

using namespace automation;

const ClassInfo& ConfigurationObject::info() {
  static const ClassInfo ci = ClassBuilder<ConfigurationObject>("Vexlar", "Configuration")
      .ids("{7D1E0B10-2C41-4E2A-9B51-0000000000C1}", "IConfiguration", "{7D1E0B10-2C41-4E2A-9B51-0000000001C1}")
      .get("Name", VarType::String, {}, [](ConfigurationObject& c, CallArgs&) {
        const auto& configs = c.document().model().configurations;
        if (c.index_ >= configs.size()) gone("configuration");
        return Variant(configs[c.index_].name);
      })
      .method("GetRootComponent", VarType::Object, {}, [](ConfigurationObject& c, CallArgs&) {
        if (c.index_ >= c.document().model().configurations.size()) gone("configuration");
        if (c.document().type() != DocType::Assembly) return Variant::nothing();
        return Variant(ObjectRef(std::make_shared<ComponentObject>(c.documentRef(), c.index_, std::nullopt)));
      })
      .build();
  return ci;
}

}  // namespace rc::sim::host
