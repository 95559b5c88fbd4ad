#include "sim/host/geometry/GeometryDocument.h"

#include <cmath>
#include <fstream>
#include <sstream>

#include <nlohmann/json.hpp>

#include "platform/automation/Error.h"
#include "platform/os/Files.h"
#include "platform/os/Paths.h"
#include "sim/host/DocumentFiles.h"
#include "sim/host/ModelFile.h"
#include "sim/host/geometry/GeometryFormat.h"
#include "sim/host/geometry/GeometryReader.h"

namespace rc::sim::host::geometry {

namespace {

constexpr double kMinDeflection = 1e-6;
constexpr double kMinAngle = 1e-3;

std::string readText(const std::string& path, const std::string& label) {
  if (documentfiles::size(path).value_or(0) > modelfile::kMaxFileBytes)
    throw ModelFileError(label + ": the file is larger than " + std::to_string(modelfile::kMaxFileBytes >> 20) + " MiB");
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ModelFileError(label + ": cannot be read");
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// A positive, finite number at `key` of the sidecar, or `fallback`.
double positive(const nlohmann::json& j, const char* key, double fallback, const std::string& label) {
  auto it = j.find(key);
  if (it == j.end()) return fallback;
  if (!it->is_number() || !std::isfinite(it->get<double>()) || it->get<double>() <= 0)
    throw ModelFileError(label + ": field '" + key + "' must be a positive number");
  return it->get<double>();
}

// The 12 mass numbers of `shape` for `density`.
std::array<double, 12> massFor(const Shape& shape, double density) {
  std::array<double, 12> m = shape.mass;
  m[5] = m[3] * density;
  for (std::size_t i = 6; i < 12; ++i) m[i] *= density;
  return m;
}

// The model of a document showing `shape`, over the sidecar's model.
DocumentModel modelFor(DocumentModel m, const Shape& shape, const Settings& s) {
  Configuration c = m.configurations.empty() ? Configuration{} : std::move(m.configurations.front());
  c.name = "Default";
  c.body = std::vector<Face>();
  for (const FaceStats& f : shape.faces) c.body->push_back(Face{f.edges, f.triangles, {}});
  c.massProperties = massFor(shape, s.density);
  if (!shape.hasSolid) c.massStatus = 2;
  c.components.clear();
  m.configurations.assign(1, std::move(c));
  m.activeConfiguration = "Default";
  m.dependencies = std::vector<std::string>();  // a geometry file names no other file
  m.sheets.clear();
  m.currentSheet.clear();
  return m;
}

}  // namespace

DocumentModel readSidecar(const std::string& path, Settings& settings) {
  std::string sidecar = sidecarPath(path);
  std::string label(platform::fileName(sidecar));
  if (!platform::fileExists(sidecar)) return modelfile::parse("{}", label, DocType::Part);
  std::string text = readText(sidecar, label);
  DocumentModel model = modelfile::parse(text, label, DocType::Part);
  nlohmann::json j = nlohmann::json::parse(text, nullptr, false);
  if (!j.is_object()) throw ModelFileError(label + ": not a JSON object");
  settings.density = positive(j, "density", settings.density, label);
  settings.mesh.deflection = positive(j, "meshDeflection", settings.mesh.deflection, label);
  settings.mesh.angle = positive(j, "meshAngle", settings.mesh.angle, label);
  // Finer than this the kernel's meshing takes longer than any check.
  if (settings.mesh.deflection < kMinDeflection || settings.mesh.angle < kMinAngle)
    throw ModelFileError(label + ": meshDeflection must be at least 1e-6 and meshAngle at least 0.001");
  // Features may also stand at the top level of a sidecar (a geometry
  // document has one configuration).
  if (auto f = j.find("features"); f != j.end()) {
    nlohmann::json wrapped = {{"configurations", {{{"name", "Default"}, {"features", *f}}}}};
    DocumentModel features = modelfile::parse(wrapped.dump(), label, DocType::Part);
    model.configurations.resize(1);
    model.configurations.front().features = std::move(features.configurations.front().features);
  }
  return model;
}

Opened open(const std::string& path) {
  std::string label(platform::fileName(path));
  Settings settings;
  DocumentModel sidecar = readSidecar(path, settings);
  if (!std::ifstream(path, std::ios::binary)) throw ModelFileError(label + ": cannot be read");
  if (formatOfFile(path) == Format::Unknown) throw ModelFileError(label + ": not a STEP or BREP file");
  Result<Content> read = readContent(Request{path, settings.mesh, {}});
  if (auto* refused = std::get_if<Refused>(&read)) throw ModelFileError(label + ": " + refused->reason);
  auto state = std::make_shared<State>();
  state->settings = settings;
  state->content = std::make_shared<const Content>(std::move(std::get<Content>(read)));
  const Content& content = *state->content;
  Opened o;
  o.type = content.assembly ? DocType::Assembly : DocType::Part;
  o.model = modelFor(std::move(sidecar), content.whole, settings);
  if (content.assembly) {
    Configuration& c = o.model.configurations.front();
    c.body.reset();
    for (const Part& p : content.components) c.components.push_back(Component{p.name, path, 2, false, {}});
  }
  o.state = std::move(state);
  return o;
}

Opened component(const DocumentModel& assembly, const std::shared_ptr<const State>& parent, std::size_t index) {
  auto state = std::make_shared<State>(*parent);
  state->component = index;
  const Part& part = state->content->components.at(index);
  DocumentModel m;
  m.title = part.name;
  Opened o;
  o.type = DocType::Part;
  o.model = modelFor(std::move(m), part.shape, state->settings);
  o.model.view = assembly.view;
  o.state = std::move(state);
  return o;
}

std::optional<std::pair<std::string, std::array<double, 3>>> viewModel(const DrawingView& view) {
  if (view.extra.find("\"model\"") == std::string::npos) return std::nullopt;
  nlohmann::json j = nlohmann::json::parse("{" + view.extra + "}", nullptr, false);
  if (!j.is_object()) return std::nullopt;
  auto model = j.find("model");
  if (model == j.end() || !model->is_string() || model->get<std::string>().empty()) return std::nullopt;
  std::array<double, 3> direction{0, 0, 1};
  if (auto d = j.find("direction"); d != j.end()) {
    if (!d->is_array() || d->size() != 3) return std::nullopt;
    for (std::size_t i = 0; i < 3; ++i) {
      if (!(*d)[i].is_number()) return std::nullopt;
      direction[i] = (*d)[i].get<double>();
    }
  }
  return std::make_pair(model->get<std::string>(), direction);
}


void saveSidecar(const std::string& path, const DocumentModel& model) {
  std::string sidecar = sidecarPath(path);
  nlohmann::json j = nlohmann::json::object();
  if (platform::fileExists(sidecar)) {
    std::string label(platform::fileName(sidecar));
    try {
      j = nlohmann::json::parse(readText(sidecar, label), nullptr, false);
    } catch (const ModelFileError& e) {
      automation::raise(automation::err::PathFileAccessError, e.what(), sidecar);
    }
    if (!j.is_object()) automation::raise(automation::err::PathFileAccessError, label + ": not a JSON object", sidecar);
  }
  if (model.fileVersion) j["fileVersion"] = *model.fileVersion;
  j["versionHistory"] = model.versionHistory;
  documentfiles::write(sidecar, j.dump(2) + "\n");
}

}  // namespace rc::sim::host::geometry
