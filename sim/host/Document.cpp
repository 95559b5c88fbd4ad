#include "sim/host/Document.h"


#include <algorithm>
#include <cmath>
#include <fstream>

#include <strings.h>

#include "platform/automation/Error.h"
#include "platform/automation/SafeArray.h"
#include "platform/display/Bmp.h"
#include "platform/os/Files.h"
#include "platform/os/Paths.h"
#include "sim/host/AnnotationObject.h"
#include "sim/host/BodyObject.h"
#include "sim/host/CallText.h"
#include "sim/host/ComponentObject.h"
#include "sim/host/ConfigurationObject.h"
#include "sim/host/Dependencies.h"
#include "sim/host/DocumentFiles.h"
#include "sim/host/ExtensionObject.h"
#include "sim/host/FeatureObject.h"
#include "sim/host/JsonText.h"
#include "sim/host/ModelFile.h"
#include "sim/host/ModelViewObject.h"
#include "sim/host/PageSetupObject.h"
#include "sim/host/Pictures.h"
#include "sim/host/Session.h"
#include "sim/host/SheetObject.h"
#include "sim/host/ViewObject.h"
#include "sim/host/geometry/GeometryDocument.h"
#include "sim/host/geometry/GeometryFormat.h"
#include "sim/host/geometry/GeometryReader.h"

namespace rc::sim::host {

using namespace automation;

Document::Document(std::shared_ptr<Session> session, std::string path, DocType type, DocumentModel model,
                   std::vector<std::string> ancestry)
    : HostObject(std::move(session)),
      path_(std::move(path)),
      type_(type),
      model_(std::move(model)),
      editor_(model_),
      ancestry_(std::move(ancestry)) {}

std::string Document::title() const { return model_.title ? *model_.title : std::string(platform::fileName(path_)); }

Configuration& Document::activeConfiguration() { return model_.configurations[activeConfigurationIndex()]; }

std::size_t Document::activeConfigurationIndex() const {
  for (std::size_t i = 0; i < model_.configurations.size(); ++i)
    if (model_.configurations[i].name == model_.activeConfiguration) return i;
  return 0;
}

std::optional<std::size_t> Document::sheetIndex(const std::string& name) const {
  for (std::size_t i = 0; i < model_.sheets.size(); ++i)
    if (model_.sheets[i].name == name) return i;
  return std::nullopt;
}

std::vector<Feature>* Document::featureList() {
  if (type_ == DocType::Drawing) {
    Sheet* s = editor_.currentSheet();
    return s ? &s->features : nullptr;
  }
  return &activeConfiguration().features;
}

std::shared_ptr<Document> Document::componentDocument(const std::string& file) {
  std::string path = dependencies::resolve(path_, file);
  if (auto it = components_.find(path); it != components_.end()) return it->second;
  Session& s = session();
  auto isPath = [&path](const std::string& other) { return documentfiles::sameFile(path, other); };
  if (isPath(path_) || std::any_of(ancestry_.begin(), ancestry_.end(), isPath)) {
    s.message(title() + ": component " + file + " refers back to an assembly that contains it");
    return nullptr;
  }
  if (ancestry_.size() + 1 >= kMaxNesting) {
    s.message(title() + ": component " + file + " is nested too deeply");
    return nullptr;
  }
  DocType type = modelfile::typeForPath(path);
  if (type == DocType::None || !platform::fileExists(path)) {
    s.message(title() + ": component file " + file + " not found");
    return nullptr;
  }
  try {
    std::vector<std::string> chain = ancestry_;
    chain.push_back(path_);
    auto doc = std::make_shared<Document>(sessionRef(), path, type, modelfile::load(path, type), std::move(chain));
    components_.emplace(path, doc);
    return doc;
  } catch (const ModelFileError& e) {
    s.message(e.what());
    return nullptr;
  }
}

std::shared_ptr<Document> Document::geometryComponent(std::size_t index) {
  if (!geometry_ || index >= geometry_->content->components.size()) return nullptr;
  if (auto it = geometryComponents_.find(index); it != geometryComponents_.end()) return it->second;
  geometry::Opened o = geometry::component(model_, geometry_, index);
  std::vector<std::string> chain = ancestry_;
  chain.push_back(path_);
  auto doc = std::make_shared<Document>(sessionRef(), path_, o.type, std::move(o.model), std::move(chain));
  doc->setGeometry(std::move(o.state));
  doc->openedReadOnly = true;  // it shares the assembly's file
  geometryComponents_.emplace(index, doc);
  return doc;
}

const std::vector<float>* Document::projection(const std::string& file, const std::array<double, 3>& direction) {
  std::string path = dependencies::resolve(path_, file);
  std::string key = path;
  for (double d : direction) key += "|" + std::to_string(d);
  auto it = projections_.find(key);
  if (it == projections_.end()) {
    std::optional<std::vector<float>> value;
    geometry::Request request{path, {}, {direction[0], direction[1], direction[2]}};
    try {
      geometry::Settings settings;
      geometry::readSidecar(path, settings);
      request.mesh = settings.mesh;
      if (!platform::fileExists(path)) {
        session().message(title() + ": view model " + file + " not found");
      } else if (auto read = geometry::readProjection(request); auto* p = std::get_if<geometry::Projection>(&read)) {
        value = std::move(*p);
      } else {
        session().message(title() + ": view model " + file + ": " + std::get<geometry::Refused>(read).reason);
      }
    } catch (const ModelFileError& e) {
      session().message(title() + ": view model " + file + ": " + e.what());
    }
    it = projections_.emplace(key, std::move(value)).first;
  }
  return it->second ? &*it->second : nullptr;
}

const display::Surface* Document::viewImage() {
  if (!model_.view || model_.view->image.empty()) return nullptr;
  std::string path = dependencies::resolve(path_, model_.view->image);
  if (path != imagePath_) {
    imagePath_ = path;
    image_.reset();
    imageFailed_ = false;
  }
  if (image_) return &*image_;
  if (imageFailed_) return nullptr;
  imageFailed_ = true;
  std::ifstream in(path, std::ios::binary);
  if (!in) return nullptr;
  std::vector<std::uint8_t> data;
  char buf[65536];
  while (in.read(buf, sizeof buf) || in.gcount() > 0) {
    data.insert(data.end(), buf, buf + in.gcount());
    if (data.size() > (64u << 20)) return nullptr;
  }
  std::string error;
  if (auto s = display::decodeBmp(data, &error)) {
    image_ = std::move(*s);
    return &*image_;
  }
  session().message(title() + ": view image " + model_.view->image + ": " + error);
  return nullptr;
}

void Document::recordOperation(std::string line) {
  session().recordOperation(std::move(line));
  if (session().activeDocument().get() == this) session().repaintView();
}

namespace {

Variant strings(const std::vector<std::string>& items) { return Variant(SafeArray::strings(items)); }

Variant massArray(const Configuration& c) {
  std::vector<Variant> items(c.massProperties.begin(), c.massProperties.end());
  return Variant(SafeArray::vector(VarType::Double, std::move(items)));
}

ObjectRef featureAt(const std::shared_ptr<Document>& doc, std::size_t index) {
  FeatureScope scope;
  if (doc->type() == DocType::Drawing) scope.sheet = doc->model().currentSheet;
  else scope.config = doc->activeConfigurationIndex();
  std::vector<Feature>* list = FeatureObject::list(*doc, scope);
  if (!list || index >= list->size()) return nullptr;
  return std::make_shared<FeatureObject>(doc, scope, index);
}

std::shared_ptr<Document> shared(Document& d) { return std::static_pointer_cast<Document>(d.self()); }

// Records the call of `member` with every argument (as the table converted
// them, optional ones with their defaults) in the operations log.
void recordCall(Document& d, std::string_view member, CallArgs& a) {
  d.recordOperation(calltext::line(member, std::span<const Variant>(a.values())));
}

// SelectByID (`append` false) and andSelectByID (true).
Variant select(Document& d, CallArgs& a, bool append, std::string_view member) {
  recordCall(d, member, a);
  return Variant(d.editor().select(a[0].asString(), a[1].asString(), a[2].asDouble(), a[3].asDouble(),
                                   a[4].asDouble(), append));
}

std::vector<ParamInfo> selectParams() {
  return {byVal("Name", VarType::String), byVal("Type", VarType::String), byVal("X", VarType::Double),
          byVal("Y", VarType::Double), byVal("Z", VarType::Double)};
}

}  // namespace

// ---- ModelDoc2 members --------------------------------------------------------

Variant Document::Body() {
  if (type_ != DocType::Part || !activeConfiguration().body) return Variant::nothing();
  return Variant(ObjectRef(std::make_shared<BodyObject>(shared(*this), activeConfigurationIndex())));
}

Variant Document::GetActiveConfiguration() {
  if (type_ == DocType::Drawing) return Variant::nothing();
  return Variant(ObjectRef(std::make_shared<ConfigurationObject>(shared(*this), activeConfigurationIndex())));
}

Variant Document::GetConfigurationNames() const {
  std::vector<std::string> names;
  for (const Configuration& c : model_.configurations) names.push_back(c.name);
  return strings(names);
}

bool Document::ShowConfiguration(const std::string& name) {
  for (const Configuration& c : model_.configurations) {
    if (c.name == name) {
      editor_.checkpoint();
      model_.activeConfiguration = c.name;
      return true;
    }
  }
  return false;
}

Variant Document::GetMassProperties2(Variant& status) {
  const Configuration& c = activeConfiguration();
  status = Variant(c.massStatus);
  if (c.massStatus != 0) return Variant();
  return massArray(c);
}

std::int32_t Document::GetFeatureCount() {
  std::vector<Feature>* list = featureList();
  return static_cast<int>(list ? list->size() : 0);
}

Variant Document::FeatureByPositionReverse(std::int64_t n) {
  std::vector<Feature>* list = featureList();
  if (!list || n < 0 || n >= static_cast<std::int64_t>(list->size())) return Variant::nothing();
  return Variant(featureAt(shared(*this), list->size() - 1 - static_cast<std::size_t>(n)));
}

Variant Document::GetEntityName(const ObjectRef& entity) {
  if (!entity) raise(err::ObjectNotSet);
  if (auto* f = dynamic_cast<FeatureObject*>(entity.get())) return Variant(f->feature().name);
  if (auto* v = dynamic_cast<ViewObject*>(entity.get())) return Variant(v->view().name);
  return Variant(std::string());
}

Variant Document::GetFirstAnnotation2() {
  AnnotationOwner owner;
  if (type_ == DocType::Drawing) owner.sheet = model_.currentSheet;
  return AnnotationObject::at(shared(*this), owner, 0);
}

Variant Document::GetCurrentSheet() {
  Sheet* s = editor_.currentSheet();
  if (!s) return Variant::nothing();
  return Variant(ObjectRef(std::make_shared<SheetObject>(shared(*this), s->name)));
}

Variant Document::GetSheetNames() const {
  std::vector<std::string> names;
  for (const Sheet& s : model_.sheets) names.push_back(s.name);
  return strings(names);
}

bool Document::ActivateSheet(const std::string& name) {
  if (!sheetIndex(name)) return false;
  model_.currentSheet = name;
  return true;
}

bool Document::GetEditSheet() {
  Sheet* s = editor_.currentSheet();
  return s != nullptr && !s->editingTemplate;
}

void Document::EditSheet() {
  if (Sheet* s = editor_.currentSheet()) s->editingTemplate = false;
}

void Document::EditTemplate() {
  if (Sheet* s = editor_.currentSheet()) s->editingTemplate = true;
}

Variant Document::GetFirstView() {
  Sheet* s = editor_.currentSheet();
  if (!s || s->views.empty()) return Variant::nothing();
  return Variant(ObjectRef(std::make_shared<ViewObject>(shared(*this), s->name, 0)));
}

bool Document::NewSheet3(const std::string& name, double width, double height) {
  if (type_ != DocType::Drawing) return false;
  return editor_.newSheet(name, width, height);
}

Variant Document::CreateSectionViewAt(double x, double y) {
  auto index = editor_.sectionView(x, y);
  if (!index) return Variant::nothing();
  return Variant(ObjectRef(std::make_shared<ViewObject>(shared(*this), model_.currentSheet, *index)));
}

bool Document::CompConfigProperties3(std::int32_t suppression, std::int32_t solving, bool visible) {
  bool changed = false;
  for (const SelectionItem& item : editor_.selection()) {
    if (item.type != "COMPONENT" || type_ != DocType::Assembly) continue;
    for (Component& k : activeConfiguration().components) {
      if (k.name != item.name) continue;
      if (!changed) editor_.checkpoint();
      k.suppression = suppression;
      k.hidden = !visible;
      json::setMember(k.extra, "solving", std::to_string(solving));
      changed = true;
    }
  }
  return changed;
}

bool Document::Save3(std::int32_t& errors, std::int32_t& warnings) {
  DocumentModel& m = model_;
  errors = 0;
  warnings = 0;
  if (m.saveErrors != 0) {
    errors = m.saveErrors;
    warnings = m.saveWarnings;
    return false;
  }
  if (m.readOnly || openedReadOnly || modelfile::readOnlyFile(path_) ||
      (geometry_ && platform::fileExists(geometry::sidecarPath(path_)) &&
       modelfile::readOnlyFile(geometry::sidecarPath(path_)))) {
    errors = 2;
    return false;
  }
  std::optional<std::int32_t> oldVersion = m.fileVersion;
  std::vector<std::string> oldHistory = m.versionHistory;
  std::int32_t version = session().latestFileVersion;
  m.fileVersion = version;
  m.versionHistory.push_back(std::to_string(version));
  try {
    if (geometry_)
      geometry::saveSidecar(path_, m);
    else
      documentfiles::write(path_, modelfile::serialize(m));
  } catch (const std::exception& e) {
    m.fileVersion = oldVersion;
    m.versionHistory = std::move(oldHistory);
    session().message(title() + ": cannot be saved: " + e.what());
    errors = 1;
    return false;
  }
  warnings = m.saveWarnings;
  return true;
}

dependencies::Pairs Document::dependencyPairs(bool traverse) {
  dependencies::Listing listing = dependencies::of(model_, path_, type_, traverse);
  if (!listing.stopped.empty()) session().message(listing.stopped);
  return std::move(listing.pairs);
}

bool Document::SaveBMP(const std::string& fileName, std::int32_t width, std::int32_t height) {
  if (width <= 0 || height <= 0 || width > display::kMaxSurfaceSide || height > display::kMaxSurfaceSide)
    return false;
  try {
    platform::writeFile(fileName, display::encodeBmp24(pictures::sheetPicture(*this, width, height)));
  } catch (const AutomationError& e) {
    session().message("SaveBMP: " + fileName + ": " + e.description());
    return false;
  }
  return true;
}

// ---- Type information ----------------------------------------------------------

const ClassInfo& Document::info() {
  static const ClassInfo ci = ClassBuilder<Document>("Vexlar", "ModelDoc2")
      .ids("{7D1E0B10-2C41-4E2A-9B51-000000000001}", "IModelDoc2", "{7D1E0B10-2C41-4E2A-9B51-000000000101}")
      .method("GetType", VarType::Long, {}, [](Document& d, CallArgs&) { return Variant(static_cast<int>(d.type_)); })
      .method("GetTitle", VarType::String, {}, [](Document& d, CallArgs&) { return Variant(d.title()); })
      .method("GetPathName", VarType::String, {}, [](Document& d, CallArgs&) { return Variant(d.path_); })
      .method("Body", VarType::Object, {}, [](Document& d, CallArgs&) { return d.Body(); })
      .method("ClearSelection", VarType::Void, {}, [](Document& d, CallArgs& a) {
        recordCall(d, "ClearSelection", a);
        d.editor_.clearSelection();
      })
      // Configurations.
      .method("GetActiveConfiguration", VarType::Object, {},
              [](Document& d, CallArgs&) { return d.GetActiveConfiguration(); })
      .method("GetConfigurationCount", VarType::Long, {}, [](Document& d, CallArgs&) {
        return Variant(static_cast<int>(d.model_.configurations.size()));
      })
      .method("GetConfigurationNames", VarType::Variant, {},
              [](Document& d, CallArgs&) { return d.GetConfigurationNames(); })
      .method("ShowConfiguration", VarType::Boolean, {byVal("Name", VarType::String)}, [](Document& d, CallArgs& a) {
        recordCall(d, "ShowConfiguration", a);
        return Variant(d.ShowConfiguration(a[0].asString()));
      })
      .method("GetMassProperties", VarType::Variant, {}, [](Document& d, CallArgs&) {
        return massArray(d.activeConfiguration());
      })
      .method("GetMassProperties2", VarType::Variant, {byRef("Status", VarType::Long).opt(0)},
              [](Document& d, CallArgs& a) { return d.GetMassProperties2(a[0]); })
      .method("VersionHistory", VarType::Variant, {}, [](Document& d, CallArgs&) { return strings(d.model_.versionHistory); })
      // Features and annotations.
      .method("GetFeatureCount", VarType::Long, {},
              [](Document& d, CallArgs&) { return Variant(d.GetFeatureCount()); })
      .method("FeatureByPositionReverse", VarType::Object, {byVal("Num", VarType::Long)},
              [](Document& d, CallArgs& a) { return d.FeatureByPositionReverse(a[0].asLong()); })
      .method("FirstFeature", VarType::Object, {}, [](Document& d, CallArgs&) { return Variant(featureAt(shared(d), 0)); })
      .method("GetEntityName", VarType::String, {byVal("Entity", VarType::Object)},
              [](Document&, CallArgs& a) { return GetEntityName(a[0].asObject()); })
      .method("GetFirstAnnotation2", VarType::Object, {},
              [](Document& d, CallArgs&) { return d.GetFirstAnnotation2(); })
      // Sheets and views.
      .method("GetCurrentSheet", VarType::Object, {}, [](Document& d, CallArgs&) { return d.GetCurrentSheet(); })
      .method("GetSheetCount", VarType::Long, {}, [](Document& d, CallArgs&) {
        return Variant(static_cast<int>(d.model_.sheets.size()));
      })
      .method("GetSheetNames", VarType::Variant, {}, [](Document& d, CallArgs&) { return d.GetSheetNames(); })
      .method("ActivateSheet", VarType::Boolean, {byVal("Name", VarType::String)}, [](Document& d, CallArgs& a) {
        recordCall(d, "ActivateSheet", a);
        return Variant(d.ActivateSheet(a[0].asString()));
      })
      .method("GetEditSheet", VarType::Boolean, {}, [](Document& d, CallArgs&) { return Variant(d.GetEditSheet()); })
      .method("EditSheet", VarType::Void, {}, [](Document& d, CallArgs& a) {
        recordCall(d, "EditSheet", a);
        d.EditSheet();
      })
      .method("EditTemplate", VarType::Void, {}, [](Document& d, CallArgs& a) {
        recordCall(d, "EditTemplate", a);
        d.EditTemplate();
      })
      .method("GetFirstView", VarType::Object, {}, [](Document& d, CallArgs&) { return d.GetFirstView(); })
      // Editing.
      .method("SelectByID", VarType::Boolean, selectParams(),
              [](Document& d, CallArgs& a) { return select(d, a, false, "SelectByID"); })
      .method("andSelectByID", VarType::Boolean, selectParams(),
              [](Document& d, CallArgs& a) { return select(d, a, true, "andSelectByID"); })
      .method("EditCut", VarType::Void, {}, [](Document& d, CallArgs& a) {
        recordCall(d, "EditCut", a);
        d.editor_.cut();
      })
      .method("Paste", VarType::Void, {}, [](Document& d, CallArgs& a) {
        recordCall(d, "Paste", a);
        d.editor_.paste();
      })
      .method("EditUndo", VarType::Void, {byVal("Steps", VarType::Long).opt(1)}, [](Document& d, CallArgs& a) {
        recordCall(d, "EditUndo", a);
        d.editor_.undo(a[0].asLong());
      })
      .method("NewSheet3", VarType::Boolean,
              {byVal("Name", VarType::String), byVal("PaperSize", VarType::Long), byVal("TemplateIn", VarType::Long),
               byVal("Scale1", VarType::Double), byVal("Scale2", VarType::Double), byVal("FirstAngle", VarType::Boolean),
               byVal("TemplateName", VarType::String), byVal("Width", VarType::Double), byVal("Height", VarType::Double),
               byVal("PropertyViewName", VarType::String)},
              [](Document& d, CallArgs& a) {
                recordCall(d, "NewSheet3", a);
                return Variant(d.NewSheet3(a[0].asString(), a[7].asDouble(), a[8].asDouble()));
              })
      .method("EditSketch", VarType::Void, {}, [](Document& d, CallArgs& a) {
        recordCall(d, "EditSketch", a);
        d.editor_.editSketch();
      })
      .method("CreateCenterLineVB", VarType::Boolean,
              {byVal("X1", VarType::Double), byVal("Y1", VarType::Double), byVal("Z1", VarType::Double),
               byVal("X2", VarType::Double), byVal("Y2", VarType::Double), byVal("Z2", VarType::Double)},
              [](Document& d, CallArgs& a) {
                recordCall(d, "CreateCenterLineVB", a);
                return Variant(d.editor_.centerLine());
              })
      .method("CreateSectionViewAt", VarType::Object,
              {byVal("X", VarType::Double), byVal("Y", VarType::Double), byVal("Z", VarType::Double),
               byVal("NotAligned", VarType::Variant).opt(0), byVal("IsFlipped", VarType::Variant).opt(0)},
              [](Document& d, CallArgs& a) {
                recordCall(d, "CreateSectionViewAt", a);
                return d.CreateSectionViewAt(a[0].asDouble(), a[1].asDouble());
              })
      .method("CompConfigProperties3", VarType::Boolean,
              {byVal("Suppression", VarType::Long), byVal("Solving", VarType::Long), byVal("Visibility", VarType::Boolean),
               byVal("FeatureDetails", VarType::Boolean).opt(true)},
              [](Document& d, CallArgs& a) {
                recordCall(d, "CompConfigProperties3", a);
                return Variant(d.CompConfigProperties3(a[0].asLong(), a[1].asLong(), a[2].asBool()));
              })
      .method("Rebuild", VarType::Boolean, {byVal("Options", VarType::Variant).opt(0)}, [](Document& d, CallArgs& a) {
        // The log shows Options only when the caller passed it.
        d.recordOperation(a.supplied(0) ? calltext::line("Rebuild", {a[0]}) : "Rebuild()");
        return Variant(true);
      })
      // Files.
      .method("Save3", VarType::Boolean,
              {byVal("Options", VarType::Long), byRef("Errors", VarType::Long).opt(0), byRef("Warnings", VarType::Long).opt(0)},
              [](Document& d, CallArgs& a) {
                recordCall(d, "Save3", a);
                std::int32_t errors = 0, warnings = 0;
                bool ok = d.Save3(errors, warnings);
                a[1] = Variant(errors);
                a[2] = Variant(warnings);
                return Variant(ok);
              })
      .method("GetNumDependencies", VarType::Long,
              {byVal("Traverse", VarType::Boolean).opt(true), byVal("Searchable", VarType::Boolean).opt(true)},
              [](Document& d, CallArgs& a) {
                return Variant(static_cast<int>(d.dependencyPairs(a[0].asBool()).size() * 2));
              })
      .method("GetDependencies", VarType::Variant,
              {byVal("Traverse", VarType::Boolean).opt(true), byVal("Searchable", VarType::Boolean).opt(true)},
              [](Document& d, CallArgs& a) { return strings(dependencies::flatten(d.dependencyPairs(a[0].asBool()))); })
      .method("SaveBMP", VarType::Boolean,
              {byVal("FileName", VarType::String), byVal("Width", VarType::Long), byVal("Height", VarType::Long)},
              [](Document& d, CallArgs& a) {
                return Variant(d.SaveBMP(a[0].asString(), a[1].asLong(), a[2].asLong()));
              })
      // Display, page setup and printing.
      .get("ActiveView", VarType::Object, {}, [](Document& d, CallArgs&) {
        return Variant(ObjectRef(std::make_shared<ModelViewObject>(shared(d))));
      })
      .method("SetFeatureManagerWidth", VarType::Boolean, {byVal("Width", VarType::Long)}, [](Document& d, CallArgs& a) {
        recordCall(d, "SetFeatureManagerWidth", a);
        return Variant(true);
      })
      .method("SetToolbarVisibility", VarType::Void, {byVal("Toolbar", VarType::Long), byVal("Visible", VarType::Boolean)},
              [](Document& d, CallArgs& a) { recordCall(d, "SetToolbarVisibility", a); })
      .get("PageSetup", VarType::Object, {}, [](Document& d, CallArgs&) {
        return Variant(ObjectRef(std::make_shared<PageSetupObject>(shared(d))));
      })
      .get("extension", VarType::Object, {}, [](Document& d, CallArgs&) {
        return Variant(ObjectRef(std::make_shared<ExtensionObject>(shared(d))));
      })
      .build();
  return ci;
}

}  // namespace rc::sim::host
