#include "sim/host/Application.h"

#include "platform/automation/Error.h"
#include "platform/automation/SafeArray.h"
#include "platform/display/Windows.h"
#include "platform/os/Files.h"
#include "sim/host/Dependencies.h"
#include "sim/host/Document.h"
#include "sim/host/ModelFile.h"
#include "sim/host/Session.h"
#include "sim/host/SessionTable.h"
#include "sim/host/geometry/GeometryDocument.h"
#include "sim/host/geometry/GeometryFormat.h"

namespace rc::sim::host {

using namespace automation;

namespace {

// Error and warning bits of OpenDoc6.
constexpr std::int32_t kOpenGenericError = 1;
constexpr std::int32_t kOpenFileNotFound = 2;
constexpr std::int32_t kOpenReadOnlyWarning = 2;
constexpr std::int32_t kOpenLockedWarning = 4;
constexpr std::int32_t kOpenViewOnlyWarning = 512;
constexpr std::int32_t kOpenOptionReadOnly = 2;

Variant strings(const std::vector<std::string>& items) { return Variant(SafeArray::strings(items)); }

Variant document(const std::shared_ptr<Document>& doc) { return Variant(ObjectRef(doc)); }

std::int32_t openWarnings(const Document& doc) {
  const DocumentModel& m = doc.model();
  std::int32_t w = 0;
  if (m.readOnly || doc.openedReadOnly || modelfile::readOnlyFile(doc.path())) w |= kOpenReadOnlyWarning;
  if (!m.lockedBy.empty()) w |= kOpenLockedWarning;
  if (m.viewOnly) w |= kOpenViewOnlyWarning;
  return w;
}

// OpenDoc6: the document, or nullptr with the error bits set.
std::shared_ptr<Document> open(Application& app, const std::string& given, std::int32_t type, std::int32_t options,
                               const std::string& configuration, std::int32_t& errors, std::int32_t& warnings) {
  Session& s = app.session();
  errors = 0;
  warnings = 0;
  std::string path = s.resolvePath(given);
  if (auto doc = s.findOpen(path); doc && doc->path() == path) {
    s.activate(doc);
    warnings = openWarnings(*doc);
    return doc;
  }
  if (!platform::fileExists(path)) {
    errors = kOpenFileNotFound;
    s.message("OpenDoc6: " + given + ": file not found");
    return nullptr;
  }
  auto mismatch = [&] {
    errors = kOpenGenericError;
    s.message("OpenDoc6: " + given + ": the document type " + std::to_string(type) + " does not match the file");
    return nullptr;
  };
  std::shared_ptr<Document> doc;
  if (geometry::isGeometryPath(path)) {
    // Parts and assemblies only; which of them, the content decides.
    if (type != static_cast<std::int32_t>(DocType::Part) && type != static_cast<std::int32_t>(DocType::Assembly))
      return mismatch();
    try {
      geometry::Opened o = geometry::open(path);
      if (static_cast<std::int32_t>(o.type) != type) return mismatch();
      doc = std::make_shared<Document>(app.sessionRef(), path, o.type, std::move(o.model));
      doc->setGeometry(std::move(o.state));
    } catch (const ModelFileError& e) {
      errors = kOpenGenericError;
      s.message(std::string("OpenDoc6: ") + e.what());
      return nullptr;
    }
  } else {
    DocType fileType = modelfile::typeForPath(path);
    if (fileType == DocType::None || static_cast<std::int32_t>(fileType) != type) return mismatch();
    try {
      doc = std::make_shared<Document>(app.sessionRef(), path, fileType, modelfile::load(path, fileType));
    } catch (const ModelFileError& e) {
      errors = kOpenGenericError;
      s.message(std::string("OpenDoc6: ") + e.what());
      return nullptr;
    }
  }
  doc->openedReadOnly = (options & kOpenOptionReadOnly) != 0;
  if (!configuration.empty())
    for (const Configuration& c : doc->model().configurations)
      if (c.name == configuration) doc->model().activeConfiguration = c.name;
  s.activate(doc);
  warnings = openWarnings(*doc);
  return doc;
}

// The dependencies of the document `given` names: the open document's model
// when it is open, else the file; a walk cut short tells the session why.
dependencies::Pairs dependenciesOf(Session& s, const std::string& given, bool traverse) {
  std::string path = s.resolvePath(given);
  dependencies::Listing listing;
  if (auto doc = s.findOpen(path); doc && doc->path() == path)
    listing = dependencies::of(doc->model(), path, doc->type(), traverse);
  else
    listing = dependencies::ofFile(path, traverse);
  if (!listing.stopped.empty()) s.message(listing.stopped);
  return std::move(listing.pairs);
}

}  // namespace

const ClassInfo& Application::info() {
  static const ClassInfo ci = ClassBuilder<Application>("Vexlar", "Application")
      .progId("Vexlar.Application")
      .progId("Orrery2007.Application")
      .progId("VexlarSim.Session")
      .ids("{7D1E0B10-2C41-4E2A-9B51-000000000A00}", "IVexlarApp", "{7D1E0B10-2C41-4E2A-9B51-000000000A01}")
      .get("ActiveDoc", VarType::Object, {}, [](Application& a, CallArgs&) { return document(a.session().activeDocument()); })
      .method("RecordLine", VarType::Void, {byVal("Text", VarType::String)}, [](Application& a, CallArgs& args) {
        a.session().recordLine(args[0].asString());
        return Variant();
      })
      .method("ActivateDoc", VarType::Object,
              {byVal("Name", VarType::String), byVal("Silent", VarType::Variant).opt(false)},
              [](Application& a, CallArgs& args) {
                auto doc = a.session().findOpen(args[0].asString());
                if (doc) a.session().activate(doc);
                return document(doc);
              })
      .method("CloseDoc", VarType::Void, {byVal("Name", VarType::String)}, [](Application& a, CallArgs& args) {
        if (auto doc = a.session().findOpen(args[0].asString())) a.session().close(doc);
        return Variant();
      })
      .method("CloseAllDocuments", VarType::Boolean, {byVal("IncludeUnsaved", VarType::Boolean).opt(true)},
              [](Application& a, CallArgs&) {
                a.session().closeAll();
                return Variant(true);
              })
      .method("ExitApp", VarType::Void, {}, [](Application& a, CallArgs&) {
        a.session().end();
        return Variant();
      })
      .method("OpenDoc6", VarType::Object,
              {byVal("FileName", VarType::String), byVal("Type", VarType::Long), byVal("Options", VarType::Long).opt(0),
               byVal("Configuration", VarType::String).opt(""), byRef("Errors", VarType::Long).opt(0),
               byRef("Warnings", VarType::Long).opt(0)},
              [](Application& a, CallArgs& args) {
                std::int32_t errors = 0, warnings = 0;
                auto doc = open(a, args[0].asString(), args[1].asLong(), args[2].asLong(), args[3].asString(), errors,
                                warnings);
                args[4] = Variant(errors);
                args[5] = Variant(warnings);
                return document(doc);
              })
      .method("GetOpenDocumentByName", VarType::Object, {byVal("Name", VarType::String)},
              [](Application& a, CallArgs& args) { return document(a.session().findOpen(args[0].asString())); })
      .method("SetCurrentWorkingDirectory", VarType::Boolean, {byVal("Directory", VarType::String)},
              [](Application& a, CallArgs& args) {
                a.session().setWorkingDirectory(args[0].asString());
                return Variant(platform::folderExists(args[0].asString()));
              })
      .method("GetDocumentDependencies2", VarType::Variant,
              {byVal("Document", VarType::String), byVal("Traverse", VarType::Boolean).opt(true),
               byVal("Searchable", VarType::Boolean).opt(true), byVal("AddReadOnlyInfo", VarType::Boolean).opt(false)},
              [](Application& a, CallArgs& args) {
                return strings(dependencies::flatten(dependenciesOf(a.session(), args[0].asString(), args[1].asBool())));
              })
      .method("GetDocumentDependenciesCount", VarType::Long,
              {byVal("Document", VarType::String), byVal("Traverse", VarType::Boolean).opt(true),
               byVal("Searchable", VarType::Boolean).opt(true)},
              [](Application& a, CallArgs& args) {
                return Variant(static_cast<int>(2 * dependenciesOf(a.session(), args[0].asString(), args[1].asBool()).size()));
              })
      .method("GetLatestSupportedFileVersion", VarType::Long, {},
              [](Application& a, CallArgs&) { return Variant(a.session().latestFileVersion); })
      .get("RevisionNumber", VarType::String, {}, [](Application& a, CallArgs&) { return Variant(a.session().revisionNumber); })
      .method("sendmsgtouser", VarType::Void, {byVal("Message", VarType::String)}, [](Application& a, CallArgs& args) {
        a.session().message(args[0].asString());
        return Variant();
      })
      // Simulator controls.
      .get("SimProcessID", VarType::Long, {}, [](Application& a, CallArgs&) { return Variant(a.session().processId()); })
      .let("SimProcessID", {byVal("value", VarType::Long)}, [](Application& a, CallArgs& args) {
        sessions::changeProcessId(a.session(), args[0].asLong());
        return Variant();
      })
      .get("SimProgID", VarType::String, {}, [](Application& a, CallArgs&) { return Variant(a.session().progId()); })
      .get("SimJournal", VarType::Variant, {}, [](Application& a, CallArgs&) { return strings(a.session().journal()); })
      .method("SimClearJournal", VarType::Void, {}, [](Application& a, CallArgs&) {
        a.session().clearJournal();
        return Variant();
      })
      .get("SimJournalFile", VarType::String, {}, [](Application& a, CallArgs&) { return Variant(a.session().journalFile); })
      .let("SimJournalFile", {byVal("value", VarType::String)}, [](Application& a, CallArgs& args) {
        a.session().journalFile = args[0].asString();
        return Variant();
      })
      .get("SimLatestFileVersion", VarType::Long, {},
           [](Application& a, CallArgs&) { return Variant(a.session().latestFileVersion); })
      .let("SimLatestFileVersion", {byVal("value", VarType::Long)}, [](Application& a, CallArgs& args) {
        a.session().latestFileVersion = args[0].asLong();
        return Variant();
      })
      .get("SimRevisionNumber", VarType::String, {},
           [](Application& a, CallArgs&) { return Variant(a.session().revisionNumber); })
      .let("SimRevisionNumber", {byVal("value", VarType::String)}, [](Application& a, CallArgs& args) {
        a.session().revisionNumber = args[0].asString();
        return Variant();
      })
      .get("SimFrameWindow", VarType::Long, {},
           [](Application& a, CallArgs&) { return Variant(static_cast<int>(a.session().frameWindow())); })
      .get("SimViewWindow", VarType::Long, {},
           [](Application& a, CallArgs&) { return Variant(static_cast<int>(a.session().viewWindow())); })
      .get("SimOperations", VarType::Variant, {}, [](Application& a, CallArgs&) { return strings(a.session().operations()); })
      .get("SimKeystrokes", VarType::Variant, {}, [](Application& a, CallArgs&) { return strings(a.session().keystrokes()); })
      .get("SimMessages", VarType::Variant, {}, [](Application& a, CallArgs&) { return strings(a.session().messages()); })
      .get("SimPrintJobs", VarType::Variant, {}, [](Application& a, CallArgs&) { return strings(a.session().printJobs()); })
      .method("SimFail", VarType::Void,
              {byVal("Member", VarType::String), byVal("Description", VarType::String), byVal("Count", VarType::Long).opt(1)},
              [](Application& a, CallArgs& args) {
                a.session().failNext(args[0].asString(), args[1].asString(), args[2].asLong());
                return Variant();
              })
      .method("SimFailAfter", VarType::Void,
              {byVal("N", VarType::Long), byVal("Description", VarType::String).opt("Simulated failure")},
              [](Application& a, CallArgs& args) {
                a.session().failAfter(args[0].asLong(), args[1].asString());
                return Variant();
              })
      .get("SimCallCount", VarType::Long, {}, [](Application& a, CallArgs&) { return Variant(a.session().callCount()); })
      .build();
  return ci;
}

}  // namespace rc::sim::host
