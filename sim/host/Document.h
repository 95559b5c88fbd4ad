// An open document of a host session (a part, an assembly or a drawing):
// its model, its editing state and the document members the library calls.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/display/Surface.h"
#include "sim/host/Dependencies.h"
#include "sim/host/DocumentEditor.h"
#include "sim/host/HostObject.h"
#include "sim/host/Model.h"

namespace rc::sim::host {

namespace geometry {
struct State;
}

// Page setup values of a document (the PageSetup object shows them).
struct PageSettings {
  std::int32_t paperSize = 1;
  std::int32_t paperSource = 7;
  std::int32_t orientation = 1;
  bool usePageSetupOnSheets = false;
};

class Document : public HostObject {
 public:
  // The deepest chain of sub-assemblies whose documents are loaded.
  static constexpr std::size_t kMaxNesting = 16;

  // A document for the file at the absolute native `path`. `ancestry` holds
  // the paths of the assemblies this one is loaded for, outermost first.
  Document(std::shared_ptr<Session> session, std::string path, DocType type, DocumentModel model,
           std::vector<std::string> ancestry = {});
  static const automation::ClassInfo& info();
  const automation::ClassInfo& typeInfo() const override { return info(); }

  DocType type() const { return type_; }
  const std::string& path() const { return path_; }
  std::string title() const;
  DocumentModel& model() { return model_; }
  const DocumentModel& model() const { return model_; }
  DocumentEditor& editor() { return editor_; }
  PageSettings& pageSettings() { return page_; }
  bool openedReadOnly = false;
  std::int32_t frameState = 0;  // of the active view window

  // The active configuration (always present) and its index.
  Configuration& activeConfiguration();
  std::size_t activeConfigurationIndex() const;
  // The index of the sheet named `name`, or nullopt.
  std::optional<std::size_t> sheetIndex(const std::string& name) const;
  // The features the feature members answer: the current sheet's for a
  // drawing, the active configuration's otherwise.
  std::vector<Feature>* featureList();

  // The document of a component file (relative to this document's folder),
  // loaded once; nullptr, with a message to the session, when it is missing,
  // malformed, nested too deep or part of a cycle.
  std::shared_ptr<Document> componentDocument(const std::string& file);

  // Geometry documents (STEP and BREP files): what the kernel read, or
  // nullptr for a JSON model file.
  const std::shared_ptr<const geometry::State>& geometry() const { return geometry_; }
  void setGeometry(std::shared_ptr<const geometry::State> state) { geometry_ = std::move(state); }
  // The document of component `index` of a geometry assembly, made once.
  std::shared_ptr<Document> geometryComponent(std::size_t index);
  // The visible edges of the geometry file `file` (relative to this
  // document's folder) seen along `direction`, read once; nullptr, with a
  // message to the session, when it cannot be read.
  const std::vector<float>* projection(const std::string& file, const std::array<double, 3>& direction);

  // The picture named by the view's `image`, decoded once; nullptr when none.
  const display::Surface* viewImage();

  // The operations log and the display: records `line` and repaints.
  void recordOperation(std::string line);

 protected:
  const Document* faultDocument() const override { return this; }

 private:
  // The members of the ModelDoc2 interface that do more than answer a
  // field; info()'s table points at them. Arguments arrive converted to
  // the parameter types the table declares.
  automation::Variant Body();
  automation::Variant GetActiveConfiguration();
  automation::Variant GetConfigurationNames() const;
  // Makes the configuration `name` active (an undo step); false when the
  // document has none of that name.
  bool ShowConfiguration(const std::string& name);
  // The active configuration's mass properties; `status` receives its mass
  // status, and a status other than 0 answers Empty.
  automation::Variant GetMassProperties2(automation::Variant& status);
  std::int32_t GetFeatureCount();
  // The feature `n` places from the end of the feature list; Nothing
  // outside the list.
  automation::Variant FeatureByPositionReverse(std::int64_t n);
  // The name of a feature or drawing view; "" for other objects, 91 for Nothing.
  static automation::Variant GetEntityName(const automation::ObjectRef& entity);
  automation::Variant GetFirstAnnotation2();
  automation::Variant GetCurrentSheet();
  automation::Variant GetSheetNames() const;
  // Makes the sheet `name` current; false when there is none of that name.
  bool ActivateSheet(const std::string& name);
  bool GetEditSheet();
  // Leaves (EditSheet) or enters (EditTemplate) the current sheet's template.
  void EditSheet();
  void EditTemplate();
  automation::Variant GetFirstView();
  // A new drawing sheet (an undo step); false for a part or an assembly.
  bool NewSheet3(const std::string& name, double width, double height);
  // The section view the editor makes at (x, y) on the current sheet, or Nothing.
  automation::Variant CreateSectionViewAt(double x, double y);
  // Sets suppression, solving and visibility of the selected components of
  // an assembly (one undo step); answers whether any changed.
  bool CompConfigProperties3(std::int32_t suppression, std::int32_t solving, bool visible);
  // Writes the model back with the session's latest file version. On a
  // failure the model keeps its version and history; `errors` and
  // `warnings` receive the save's bits.
  bool Save3(std::int32_t& errors, std::int32_t& warnings);
  // The document's dependencies; a walk cut short tells the session why.
  dependencies::Pairs dependencyPairs(bool traverse);
  // Writes the sheet picture, `width` by `height`, as a 24-bit BMP file;
  // false for an impossible size or a file that cannot be written (the
  // session is told why).
  bool SaveBMP(const std::string& fileName, std::int32_t width, std::int32_t height);

  std::string path_;
  DocType type_;
  DocumentModel model_;
  DocumentEditor editor_;
  PageSettings page_;
  std::vector<std::string> ancestry_;
  std::map<std::string, std::shared_ptr<Document>> components_;
  std::optional<display::Surface> image_;
  std::string imagePath_;
  bool imageFailed_ = false;
  std::shared_ptr<const geometry::State> geometry_;
  std::map<std::size_t, std::shared_ptr<Document>> geometryComponents_;
  std::map<std::string, std::optional<std::vector<float>>> projections_;

};

}  // namespace rc::sim::host
