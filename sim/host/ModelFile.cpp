#include "sim/host/ModelFile.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <initializer_list>
#include <sstream>

#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/os/Paths.h"

namespace rc::sim::host::modelfile {

namespace {

// Reads known fields of one JSON object; `where` is the field path used in
// messages ("configurations[0].features[2]").
class Reader {
 public:
  Reader(std::string_view label, const Json& obj, std::string where)
      : label_(label), obj_(obj), where_(std::move(where)) {
    if (!obj_.is_object()) fail(where_, "must be an object");
  }

  [[noreturn]] void fail(const std::string& field, std::string_view why) const {
    throw ModelFileError(std::string(label_) + ": field '" + (field.empty() ? std::string("(document)") : field) +
                         "' " + std::string(why));
  }

  std::string path(std::string_view key) const { return where_.empty() ? std::string(key) : where_ + "." + std::string(key); }
  static std::string item(const std::string& p, std::size_t i) { return p + "[" + std::to_string(i) + "]"; }

  // The field, or nullptr when absent; marks it known.
  const Json* field(std::string_view key) {
    known_.emplace_back(key);
    auto it = obj_.find(std::string(key));
    return it == obj_.end() ? nullptr : &*it;
  }

  std::int32_t longValue(const Json& v, const std::string& p, std::int64_t lo = INT32_MIN, std::int64_t hi = INT32_MAX) const {
    double d = 0;
    if (v.is_number_integer()) {
      if (v.is_number_unsigned()) {
        auto u = v.get<std::uint64_t>();
        if (u > static_cast<std::uint64_t>(hi)) fail(p, "is out of range");
        return static_cast<std::int32_t>(u);
      }
      auto i = v.get<std::int64_t>();
      if (i < lo || i > hi) fail(p, "is out of range");
      return static_cast<std::int32_t>(i);
    }
    if (!v.is_number_float()) fail(p, "must be a whole number");
    d = v.get<double>();
    if (!std::isfinite(d) || d != std::floor(d)) fail(p, "must be a whole number");
    if (d < static_cast<double>(lo) || d > static_cast<double>(hi)) fail(p, "is out of range");
    return static_cast<std::int32_t>(d);
  }
  double doubleValue(const Json& v, const std::string& p) const {
    if (!v.is_number()) fail(p, "must be a number");
    double d = v.get<double>();
    if (!std::isfinite(d)) fail(p, "must be a finite number");
    return d;
  }
  std::string stringValue(const Json& v, const std::string& p) const {
    if (!v.is_string()) fail(p, "must be a text");
    return v.get<std::string>();
  }
  const Json& array(const Json& v, const std::string& p) const {
    if (!v.is_array()) fail(p, "must be a list");
    if (v.size() > kMaxItems) fail(p, "holds too many items (at most " + std::to_string(kMaxItems) + ")");
    return v;
  }

  void get(std::string_view key, std::int32_t& out, std::int64_t lo = INT32_MIN, std::int64_t hi = INT32_MAX) {
    if (const Json* v = field(key)) out = longValue(*v, path(key), lo, hi);
  }
  void get(std::string_view key, std::optional<std::int32_t>& out) {
    if (const Json* v = field(key); v && !v->is_null()) out = longValue(*v, path(key));
  }
  void get(std::string_view key, std::string& out) {
    if (const Json* v = field(key)) out = stringValue(*v, path(key));
  }
  void get(std::string_view key, std::optional<std::string>& out) {
    if (const Json* v = field(key); v && !v->is_null()) out = stringValue(*v, path(key));
  }
  void get(std::string_view key, bool& out) {
    if (const Json* v = field(key)) {
      if (!v->is_boolean()) fail(path(key), "must be true or false");
      out = v->get<bool>();
    }
  }
  template <std::size_t N>
  void get(std::string_view key, std::array<double, N>& out) {
    if (const Json* v = field(key)) {
      std::string p = path(key);
      if (!v->is_array() || v->size() != N) fail(p, "must be a list of " + std::to_string(N) + " numbers");
      for (std::size_t i = 0; i < N; ++i) out[i] = doubleValue((*v)[i], item(p, i));
    }
  }
  void get(std::string_view key, std::vector<double>& out) {
    if (const Json* v = field(key)) {
      std::string p = path(key);
      out.clear();
      for (std::size_t i = 0; i < array(*v, p).size(); ++i) out.push_back(doubleValue((*v)[i], item(p, i)));
    }
  }
  void get(std::string_view key, std::vector<std::string>& out) {
    if (const Json* v = field(key)) {
      std::string p = path(key);
      out.clear();
      for (std::size_t i = 0; i < array(*v, p).size(); ++i) out.push_back(stringValue((*v)[i], item(p, i)));
    }
  }
  void color(std::string_view key, std::array<std::uint8_t, 3>& out) {
    if (const Json* v = field(key)) {
      std::string p = path(key);
      if (!v->is_array() || v->size() != 3) fail(p, "must be a list of 3 numbers from 0 to 255");
      for (std::size_t i = 0; i < 3; ++i) out[i] = static_cast<std::uint8_t>(longValue((*v)[i], item(p, i), 0, 255));
    }
  }
  // Reads a list of records with `one(reader)`.
  template <typename T, typename Fn>
  void list(std::string_view key, std::vector<T>& out, Fn one) {
    if (const Json* v = field(key)) {
      std::string p = path(key);
      out.clear();
      for (std::size_t i = 0; i < array(*v, p).size(); ++i) {
        Reader r(label_, (*v)[i], item(p, i));
        out.push_back(one(r));
      }
    }
  }

  // The fields no get() asked for.
  Json extra() const {
    Json out = Json::object();
    for (const auto& [key, value] : obj_.items())
      if (std::find(known_.begin(), known_.end(), key) == known_.end()) out[key] = value;
    return out;
  }
  std::string_view label() const { return label_; }

 private:
  std::string_view label_;
  const Json& obj_;
  std::string where_;
  std::vector<std::string_view> known_;
};

Feature readFeature(Reader& r, bool withSubFeatures) {
  Feature f;
  r.get("name", f.name);
  r.get("type", f.type);
  r.get("error", f.error);
  if (withSubFeatures) r.list("subFeatures", f.subFeatures, [](Reader& s) { return readFeature(s, false); });
  f.extra = r.extra();
  return f;
}

Annotation readAnnotation(Reader& r) {
  Annotation a;
  r.get("type", a.type);
  a.extra = r.extra();
  return a;
}

Configuration readConfiguration(Reader& r, DocType type) {
  Configuration c;
  r.get("name", c.name);
  if (type == DocType::Part) c.body.emplace();
  if (const Json* body = r.field("body")) {
    if (body->is_null()) {
      c.body.reset();
    } else {
      Reader b(r.label(), *body, r.path("body"));
      std::vector<Face> faces;
      b.list("faces", faces, [](Reader& f) {
        Face face;
        f.get("edges", face.edges, 0);
        f.get("triangles", face.triangles, 0);
        face.extra = f.extra();
        return face;
      });
      c.body = std::move(faces);
      c.bodyExtra = b.extra();
    }
  }
  r.get("massProperties", c.massProperties);
  r.get("massStatus", c.massStatus);
  r.list("features", c.features, [](Reader& f) { return readFeature(f, true); });
  r.list("components", c.components, [](Reader& k) {
    Component comp;
    k.get("name", comp.name);
    k.get("file", comp.file);
    k.get("suppression", comp.suppression);
    k.get("hidden", comp.hidden);
    comp.extra = k.extra();
    return comp;
  });
  c.extra = r.extra();
  return c;
}

DrawingView readView(Reader& r) {
  DrawingView v;
  r.get("name", v.name);
  r.get("position", v.position);
  r.get("outline", v.outline);
  r.get("xform", v.xform);
  r.list("annotations", v.annotations, readAnnotation);
  r.get("sketchLines", v.sketchLines, 0);
  v.extra = r.extra();
  return v;
}

DrawingView sheetView(const std::string& name) {
  DrawingView v;
  v.name = name;
  v.outline = {0, 0, 0.2794, 0.2159};
  return v;
}

Sheet readSheet(Reader& r) {
  Sheet s;
  r.get("name", s.name);
  r.get("editingTemplate", s.editingTemplate);
  r.list("features", s.features, [](Reader& f) { return readFeature(f, true); });
  if (r.field("views") == nullptr) s.views.push_back(sheetView(s.name));
  r.list("views", s.views, readView);
  s.extra = r.extra();
  return s;
}

ViewPicture readPicture(Reader& r) {
  ViewPicture p;
  r.color("background", p.background);
  r.get("image", p.image);
  r.list("rects", p.rects, [](Reader& k) {
    ViewRect rect;
    k.get("x", rect.x, -(1 << 20), 1 << 20);
    k.get("y", rect.y, -(1 << 20), 1 << 20);
    k.get("w", rect.w, 0, 1 << 20);
    k.get("h", rect.h, 0, 1 << 20);
    k.color("color", rect.color);
    rect.extra = k.extra();
    return rect;
  });
  p.extra = r.extra();
  return p;
}

// Refuses, before the parser sees the text, nesting deeper than kMaxDepth
// and objects with more than kMaxMembers fields (the order-keeping JSON
// object looks keys up one by one, so a huge object would take very long).
void checkShape(std::string_view text, std::string_view label) {
  constexpr std::size_t kMaxMembers = 4096;
  std::vector<std::pair<bool, std::size_t>> open;  // is an object, fields so far
  bool inString = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (inString) {
      if (c == '\\') ++i;
      else if (c == '"') inString = false;
    } else if (c == '"') {
      inString = true;
    } else if (c == '[' || c == '{') {
      if (open.size() >= static_cast<std::size_t>(kMaxDepth)) throw ModelFileError(std::string(label) + ": nested too deeply");
      open.emplace_back(c == '{', 1);
    } else if (c == ']' || c == '}') {
      if (!open.empty()) open.pop_back();
    } else if (c == ',' && !open.empty() && open.back().first && ++open.back().second > kMaxMembers) {
      throw ModelFileError(std::string(label) + ": an object holds too many fields");
    }
  }
}

bool endsWithNoCase(std::string_view s, std::string_view suffix) {
  return s.size() >= suffix.size() && strncasecmp(s.data() + s.size() - suffix.size(), suffix.data(), suffix.size()) == 0;
}

template <typename T>
bool hasName(const std::vector<T>& items, const std::string& name) {
  for (const T& i : items)
    if (i.name == name) return true;
  return false;
}

}  // namespace

DocType typeForPath(std::string_view path) {
  for (auto ext : {".vxlprt", ".prt", ".vxllfp"})
    if (endsWithNoCase(path, ext)) return DocType::Part;
  for (auto ext : {".vxlasm", ".asm"})
    if (endsWithNoCase(path, ext)) return DocType::Assembly;
  for (auto ext : {".vxldrw", ".drw"})
    if (endsWithNoCase(path, ext)) return DocType::Drawing;
  return DocType::None;
}

DocumentModel parse(std::string_view text, std::string_view label, DocType type) {
  if (text.size() > kMaxFileBytes) throw ModelFileError(std::string(label) + ": file too large");
  checkShape(text, label);
  Json root;
  try {
    root = Json::parse(text.begin(), text.end());
  } catch (const Json::exception& e) {
    throw ModelFileError(std::string(label) + ": not valid JSON (" + e.what() + ")");
  }
  Reader r(label, root, "");
  DocumentModel m;
  r.get("title", m.title);
  r.get("fileVersion", m.fileVersion);
  r.get("versionHistory", m.versionHistory);
  r.get("readOnly", m.readOnly);
  r.get("lockedBy", m.lockedBy);
  r.get("viewOnly", m.viewOnly);
  r.get("activeConfiguration", m.activeConfiguration);
  r.list("configurations", m.configurations, [type](Reader& c) { return readConfiguration(c, type); });
  r.list("annotations", m.annotations, readAnnotation);
  r.get("currentSheet", m.currentSheet);
  r.list("sheets", m.sheets, readSheet);
  if (const Json* deps = r.field("dependencies"); deps && !deps->is_null()) {
    std::vector<std::string> list;
    std::string p = r.path("dependencies");
    for (std::size_t i = 0; i < r.array(*deps, p).size(); ++i) list.push_back(r.stringValue((*deps)[i], Reader::item(p, i)));
    m.dependencies = std::move(list);
  }
  if (const Json* view = r.field("view"); view && !view->is_null()) {
    Reader v(label, *view, "view");
    m.view = readPicture(v);
  }
  r.get("saveErrors", m.saveErrors);
  r.get("saveWarnings", m.saveWarnings);
  if (const Json* faults = r.field("faults"); faults && !faults->is_null()) {
    if (!faults->is_object()) r.fail("faults", "must be an object of member names and descriptions");
    if (faults->size() > kMaxItems) r.fail("faults", "holds too many items");
    for (const auto& [member, description] : faults->items())
      m.faults.emplace_back(member, r.stringValue(description, "faults." + member));
  }
  m.extra = r.extra();

  if (m.configurations.empty()) {
    Configuration c;
    if (type == DocType::Part) c.body.emplace();
    m.configurations.push_back(std::move(c));
  }
  if (m.activeConfiguration.empty()) m.activeConfiguration = m.configurations.front().name;
  else if (!hasName(m.configurations, m.activeConfiguration))
    r.fail("activeConfiguration", "names no configuration of the document");
  if (type == DocType::Drawing && m.sheets.empty()) {
    Sheet s;
    s.name = "Sheet1";
    s.views.push_back(sheetView(s.name));
    m.sheets.push_back(std::move(s));
  }
  if (!m.sheets.empty()) {
    if (m.currentSheet.empty()) m.currentSheet = m.sheets.front().name;
    else if (!hasName(m.sheets, m.currentSheet)) r.fail("currentSheet", "names no sheet of the document");
  }
  return m;
}

bool readOnlyFile(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return false;
  return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || ::access(path.c_str(), W_OK) != 0;
}

DocumentModel load(const std::string& path, DocType type) {
  std::string label(platform::fileName(path));
  std::ifstream in(path, std::ios::binary);
  if (!in) throw ModelFileError(label + ": cannot be read");
  in.seekg(0, std::ios::end);
  std::streamoff size = in.tellg();
  if (size < 0) throw ModelFileError(label + ": cannot be read");
  if (static_cast<std::uint64_t>(size) > kMaxFileBytes) throw ModelFileError(label + ": file too large");
  in.seekg(0);
  std::string text(static_cast<std::size_t>(size), '\0');
  if (!in.read(text.data(), size)) throw ModelFileError(label + ": cannot be read");
  return parse(text, label, type);
}

namespace {

Json withExtra(const Json& extra) { return extra.is_object() ? extra : Json::object(); }

Json featureJson(const Feature& f) {
  Json j = withExtra(f.extra);
  j["name"] = f.name;
  j["type"] = f.type;
  if (f.error != 0) j["error"] = f.error;
  if (!f.subFeatures.empty()) {
    Json subs = Json::array();
    for (const Feature& s : f.subFeatures) subs.push_back(featureJson(s));
    j["subFeatures"] = std::move(subs);
  }
  return j;
}

Json annotationsJson(const std::vector<Annotation>& list) {
  Json out = Json::array();
  for (const Annotation& a : list) {
    Json j = withExtra(a.extra);
    j["type"] = a.type;
    out.push_back(std::move(j));
  }
  return out;
}

Json colorJson(const std::array<std::uint8_t, 3>& c) { return Json::array({c[0], c[1], c[2]}); }

}  // namespace

std::string serialize(const DocumentModel& m) {
  Json j = withExtra(m.extra);
  if (m.title) j["title"] = *m.title;
  if (m.fileVersion) j["fileVersion"] = *m.fileVersion;
  if (!m.versionHistory.empty()) j["versionHistory"] = m.versionHistory;
  if (m.readOnly) j["readOnly"] = true;
  if (!m.lockedBy.empty()) j["lockedBy"] = m.lockedBy;
  if (m.viewOnly) j["viewOnly"] = true;
  j["activeConfiguration"] = m.activeConfiguration;
  Json configs = Json::array();
  for (const Configuration& c : m.configurations) {
    Json cj = withExtra(c.extra);
    cj["name"] = c.name;
    if (c.body) {
      Json body = withExtra(c.bodyExtra), faces = Json::array();
      for (const Face& f : *c.body) {
        Json fj = withExtra(f.extra);
        fj["edges"] = f.edges;
        fj["triangles"] = f.triangles;
        faces.push_back(std::move(fj));
      }
      body["faces"] = std::move(faces);
      cj["body"] = std::move(body);
    } else {
      cj["body"] = nullptr;
    }
    cj["massProperties"] = c.massProperties;
    if (c.massStatus != 0) cj["massStatus"] = c.massStatus;
    Json features = Json::array();
    for (const Feature& f : c.features) features.push_back(featureJson(f));
    cj["features"] = std::move(features);
    if (!c.components.empty()) {
      Json comps = Json::array();
      for (const Component& k : c.components) {
        Json kj = withExtra(k.extra);
        kj["name"] = k.name;
        kj["file"] = k.file;
        kj["suppression"] = k.suppression;
        kj["hidden"] = k.hidden;
        comps.push_back(std::move(kj));
      }
      cj["components"] = std::move(comps);
    }
    configs.push_back(std::move(cj));
  }
  j["configurations"] = std::move(configs);
  if (!m.annotations.empty()) j["annotations"] = annotationsJson(m.annotations);
  if (!m.sheets.empty()) {
    j["currentSheet"] = m.currentSheet;
    Json sheets = Json::array();
    for (const Sheet& s : m.sheets) {
      Json sj = withExtra(s.extra);
      sj["name"] = s.name;
      sj["editingTemplate"] = s.editingTemplate;
      Json features = Json::array(), views = Json::array();
      for (const Feature& f : s.features) features.push_back(featureJson(f));
      for (const DrawingView& v : s.views) {
        Json vj = withExtra(v.extra);
        vj["name"] = v.name;
        vj["position"] = v.position;
        vj["outline"] = v.outline;
        vj["xform"] = v.xform;
        vj["annotations"] = annotationsJson(v.annotations);
        if (v.sketchLines != 0) vj["sketchLines"] = v.sketchLines;
        views.push_back(std::move(vj));
      }
      sj["features"] = std::move(features);
      sj["views"] = std::move(views);
      sheets.push_back(std::move(sj));
    }
    j["sheets"] = std::move(sheets);
  }
  if (m.dependencies) j["dependencies"] = *m.dependencies;
  if (m.view) {
    Json vj = withExtra(m.view->extra);
    vj["background"] = colorJson(m.view->background);
    if (!m.view->image.empty()) vj["image"] = m.view->image;
    Json rects = Json::array();
    for (const ViewRect& r : m.view->rects) {
      Json rj = withExtra(r.extra);
      rj["x"] = r.x;
      rj["y"] = r.y;
      rj["w"] = r.w;
      rj["h"] = r.h;
      rj["color"] = colorJson(r.color);
      rects.push_back(std::move(rj));
    }
    vj["rects"] = std::move(rects);
    j["view"] = std::move(vj);
  }
  if (m.saveErrors != 0) j["saveErrors"] = m.saveErrors;
  if (m.saveWarnings != 0) j["saveWarnings"] = m.saveWarnings;
  if (!m.faults.empty()) {
    Json faults = Json::object();
    for (const auto& [member, description] : m.faults) faults[member] = description;
    j["faults"] = std::move(faults);
  }
  return j.dump(2) + "\n";
}

}  // namespace rc::sim::host::modelfile
