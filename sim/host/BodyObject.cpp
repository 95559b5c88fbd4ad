#include "sim/host/BodyObject.h"

#include "sim/host/FaceObject.h"

namespace rc::sim::host {

using namespace automation;

const ClassInfo& BodyObject::info() {
  static const ClassInfo ci = ClassBuilder<BodyObject>("Vexlar", "Body2")
      .ids("{7D1E0B10-2C41-4E2A-9B51-0000000000B1}", "IBody2", "{7D1E0B10-2C41-4E2A-9B51-0000000001B1}")
      .method("GetFirstFace", VarType::Object, {}, [](BodyObject& b, CallArgs&) {
        Document& doc = b.document();
        if (b.config_ >= doc.model().configurations.size()) gone("body");
        const auto& body = doc.model().configurations[b.config_].body;
        if (!body) gone("body");
        if (body->empty()) return Variant::nothing();
        return Variant(ObjectRef(std::make_shared<FaceObject>(b.documentRef(), b.config_, 0)));
      })
      .build();
  return ci;
}

}  // namespace rc::sim::host
