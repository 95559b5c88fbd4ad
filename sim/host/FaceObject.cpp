#include "sim/host/FaceObject.h"

#include "sim/host/CallText.h"

namespace rc::sim::host {

using namespace automation;

const Face& FaceObject::face() const {
  const DocumentModel& m = document().model();
  if (config_ >= m.configurations.size() || !m.configurations[config_].body ||
      index_ >= m.configurations[config_].body->size())
    gone("face");
  return (*m.configurations[config_].body)[index_];
}

const ClassInfo& FaceObject::info() {
  static const ClassInfo ci = ClassBuilder<FaceObject>("Vexlar", "Face2")
      .ids("{7D1E0B10-2C41-4E2A-9B51-0000000000F1}", "IFace2", "{7D1E0B10-2C41-4E2A-9B51-0000000001F1}")
      .method("GetNextFace", VarType::Object, {}, [](FaceObject& f, CallArgs&) {
        f.face();
        const auto& body = *f.document().model().configurations[f.config_].body;
        if (f.index_ + 1 >= body.size()) return Variant::nothing();
        return Variant(ObjectRef(std::make_shared<FaceObject>(f.documentRef(), f.config_, f.index_ + 1)));
      })
      .method("Select", VarType::Boolean, {byVal("Append", VarType::Boolean).opt(false)}, [](FaceObject& f, CallArgs& a) {
        f.face();
        f.document().recordOperation(calltext::line("Select", {a[0]}));
        return Variant(f.document().editor().selectFace(f.index_, a[0].asBool()));
      })
      .method("GetEdgeCount", VarType::Long, {}, [](FaceObject& f, CallArgs&) { return Variant(f.face().edges); })
      .method("GetTessTriangleCount", VarType::Long, {},
              [](FaceObject& f, CallArgs&) { return Variant(f.face().triangles); })
      .build();
  return ci;
}

}  // namespace rc::sim::host
