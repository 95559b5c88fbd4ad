#include "FakeHost.h"

#include "platform/automation/Error.h"
#include "platform/automation/SafeArray.h"

namespace rc::testing {

using au::CallArgs;
using au::Variant;
using au::VarType;

const au::ClassInfo& FakeFace::info() {
  static const au::ClassInfo ci = au::ClassBuilder<FakeFace>("FakeHost", "Face")
      .method("Select", VarType::Boolean, {au::byVal("append", VarType::Boolean)},
              [](FakeFace& f, CallArgs&) { if (f.selected) ++*f.selected; return Variant(true); })
      .method("GetEdgeCount", VarType::Long, {}, [](FakeFace& f, CallArgs&) { return Variant(f.edges); })
      .method("GetTessTriangleCount", VarType::Long, {}, [](FakeFace& f, CallArgs&) { return Variant(f.triangles); })
      .method("GetNextFace", VarType::Object, {}, [](FakeFace& f, CallArgs&) { return Variant(au::ObjectRef(f.next)); })
      .build();
  return ci;
}

void FakeDoc::setFaces(const std::vector<std::pair<int, int>>& counts) {
  firstFace.reset();
  for (auto it = counts.rbegin(); it != counts.rend(); ++it) {
    auto f = std::make_shared<FakeFace>();
    f->edges = it->first;
    f->triangles = it->second;
    f->next = firstFace;
    f->selected = &selectedFaces;
    firstFace = f;
  }
}

namespace {
struct FakeBody : au::Dispatch {
  std::shared_ptr<FakeFace> first;
  static const au::ClassInfo& info() {
    static const au::ClassInfo ci = au::ClassBuilder<FakeBody>("FakeHost", "Body")
        .method("GetFirstFace", VarType::Object, {}, [](FakeBody& b, CallArgs&) { return Variant(au::ObjectRef(b.first)); })
        .build();
    return ci;
  }
  const au::ClassInfo& typeInfo() const override { return info(); }
};
// The active configuration of an assembly and its root component.
struct FakeComponent : au::Dispatch {
  int children = 0;
  static const au::ClassInfo& info() {
    static const au::ClassInfo ci = au::ClassBuilder<FakeComponent>("FakeHost", "Component")
        .method("GetChildren", VarType::Variant, {},
                [](FakeComponent& c, CallArgs&) {
                  return Variant(au::SafeArray::strings(std::vector<std::string>(c.children, "part-1")));
                })
        .build();
    return ci;
  }
  const au::ClassInfo& typeInfo() const override { return info(); }
};
struct FakeConfiguration : au::Dispatch {
  int components = -1;
  static const au::ClassInfo& info() {
    static const au::ClassInfo ci = au::ClassBuilder<FakeConfiguration>("FakeHost", "Configuration")
        .method("GetRootComponent", VarType::Object, {},
                [](FakeConfiguration& c, CallArgs&) {
                  if (c.components < 0) return Variant::nothing();
                  auto root = std::make_shared<FakeComponent>();
                  root->children = c.components;
                  return Variant(au::ObjectRef(root));
                })
        .build();
    return ci;
  }
  const au::ClassInfo& typeInfo() const override { return info(); }
};
}  // namespace

const au::ClassInfo& FakeDoc::info() {
  static const au::ClassInfo ci = au::ClassBuilder<FakeDoc>("FakeHost", "Document")
      .method("GetType", VarType::Long, {}, [](FakeDoc& d, CallArgs&) { return Variant(d.type); })
      .method("ClearSelection", VarType::Void, {}, [](FakeDoc& d, CallArgs&) { ++d.clearSelections; return Variant(); })
      .method("Body", VarType::Object, {},
              [](FakeDoc& d, CallArgs&) {
                if (!d.hasBody || d.type != 1) return Variant::nothing();
                auto b = std::make_shared<FakeBody>();
                b->first = d.firstFace;
                return Variant(au::ObjectRef(b));
              })
      .method("GetMassProperties", VarType::Variant, {},
              [](FakeDoc& d, CallArgs&) {
                std::vector<Variant> values(d.massProperties.begin(), d.massProperties.end());
                return Variant(au::SafeArray::vector(VarType::Double, values));
              })
      .method("VersionHistory", VarType::Variant, {},
              [](FakeDoc& d, CallArgs&) { return Variant(au::SafeArray::strings(d.versionHistory)); })
      .method("GetActiveConfiguration", VarType::Object, {},
              [](FakeDoc& d, CallArgs&) {
                auto c = std::make_shared<FakeConfiguration>();
                c->components = d.components;
                return Variant(au::ObjectRef(c));
              })
      .build();
  return ci;
}

const au::ClassInfo& FakeHost::info() {
  static const au::ClassInfo ci = au::ClassBuilder<FakeHost>("FakeHost", "Application")
      .get("ActiveDoc", VarType::Object, {}, [](FakeHost& h, CallArgs&) { return Variant(au::ObjectRef(h.doc)); })
      .method("RecordLine", VarType::Void, {au::byVal("text", VarType::String)},
              [](FakeHost& h, CallArgs& a) {
                if (h.failRecordLine) au::raise(au::err::ApplicationDefined, "journal unavailable", "");
                h.journal.push_back(a[0].asString());
                return Variant();
              })
      .build();
  return ci;
}

std::shared_ptr<FakeHost> FakeHost::install() {
  auto host = std::make_shared<FakeHost>();
  host->doc = std::make_shared<FakeDoc>();
  for (const char* id : {"Vexlar.Application", "Orrery2007.Application"})
    au::registerClass(id, info(), [host] { return host; });
  return host;
}

}  // namespace rc::testing
