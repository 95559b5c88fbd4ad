// Geometry files as host documents: a STEP or BREP file, read by the kernel,
// plus the fields of its sidecar (pump.step.json), give the DocumentModel
// the document members answer.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "sim/host/Model.h"
#include "sim/host/geometry/GeometryData.h"

namespace rc::sim::host::geometry {

// The sidecar's own values, beside the model fields it may hold.
struct Settings {
  double density = 1;
  MeshParameters mesh;
};

// What a geometry document keeps of its file: the kernel's values, shared
// with the documents of its components.
struct State {
  Settings settings;
  std::shared_ptr<const Content> content;
  std::optional<std::size_t> component;  // a component's document: which one

  // The shape this document shows: the whole file's, or its component's.
  const Shape& shape() const { return component ? content->components[*component].shape : content->whole; }
};

struct Opened {
  DocType type = DocType::Part;
  DocumentModel model;
  std::shared_ptr<const State> state;
};

// Reads the sidecar of `path` (when there is one) and its settings. Raises
// ModelFileError naming the sidecar when it is malformed.
DocumentModel readSidecar(const std::string& path, Settings& settings);

// Opens the geometry file at `path`; raises ModelFileError (naming the file,
// with the kernel's reason) when it cannot be read.
Opened open(const std::string& path);

// The document of component `index` of the assembly whose model and state
// these are: a part, titled with the component's name.
Opened component(const DocumentModel& assembly, const std::shared_ptr<const State>& state, std::size_t index);

// The geometry file and direction a drawing view names ("model", relative
// to the drawing's folder, and "direction" [0, 0, 1]), when it names both
// well; nullopt for a view drawn as its outline.
std::optional<std::pair<std::string, std::array<double, 3>>> viewModel(const DrawingView& view);

// Writes the file version and history of `model` into the sidecar of `path`,
// keeping its other fields; the geometry file is never written. Raises an
// AutomationError when the sidecar cannot be written or read.
void saveSidecar(const std::string& path, const DocumentModel& model);

}  // namespace rc::sim::host::geometry
