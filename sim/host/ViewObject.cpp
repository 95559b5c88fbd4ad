#include "sim/host/ViewObject.h"

#include "platform/automation/SafeArray.h"
#include "sim/host/AnnotationObject.h"

namespace rc::sim::host {

using namespace automation;

namespace {

Variant doubles(const double* begin, const double* end) {
  std::vector<Variant> items(begin, end);
  return Variant(SafeArray::vector(VarType::Double, std::move(items)));
}

}  // namespace

const DrawingView& ViewObject::view() const {
  auto i = document().sheetIndex(sheet_);
  if (!i || index_ >= document().model().sheets[*i].views.size()) gone("view");
  return document().model().sheets[*i].views[index_];
}

const ClassInfo& ViewObject::info() {
  static const ClassInfo ci = ClassBuilder<ViewObject>("Vexlar", "View")
      .ids("{7D1E0B10-2C41-4E2A-9B51-000000000071}", "IView", "{7D1E0B10-2C41-4E2A-9B51-000000000171}")
      .method("GetNextView", VarType::Object, {}, [](ViewObject& v, CallArgs&) {
        v.view();
        const auto& views = v.document().model().sheets[*v.document().sheetIndex(v.sheet_)].views;
        if (v.index_ + 1 >= views.size()) return Variant::nothing();
        return Variant(ObjectRef(std::make_shared<ViewObject>(v.documentRef(), v.sheet_, v.index_ + 1)));
      })
      .get("position", VarType::Variant, {}, [](ViewObject& v, CallArgs&) {
        const auto& p = v.view().position;
        return doubles(p.data(), p.data() + p.size());
      })
      .method("GetOutline", VarType::Variant, {}, [](ViewObject& v, CallArgs&) {
        const auto& o = v.view().outline;
        return doubles(o.data(), o.data() + o.size());
      })
      .method("GetXform", VarType::Variant, {}, [](ViewObject& v, CallArgs&) {
        const auto& x = v.view().xform;
        return doubles(x.data(), x.data() + x.size());
      })
      .method("GetName2", VarType::String, {}, [](ViewObject& v, CallArgs&) { return Variant(v.view().name); })
      .method("GetFirstAnnotation2", VarType::Object, {}, [](ViewObject& v, CallArgs&) {
        v.view();
        return AnnotationObject::at(v.documentRef(), AnnotationOwner{v.sheet_, v.index_}, 0);
      })
      .build();
  return ci;
}

}  // namespace rc::sim::host
