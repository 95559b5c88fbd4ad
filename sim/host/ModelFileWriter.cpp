// Writing a document model back as JSON text: each record's kept unknown
// fields first, in their order, then its known fields.
#include "sim/host/JsonText.h"
#include "sim/host/ModelFile.h"

namespace rc::sim::host::modelfile {

namespace {

void writeFeature(json::Writer& w, const Feature& f) {
  w.beginObject();
  w.rawMembers(f.extra);
  w.member("name", f.name);
  w.member("type", f.type);
  if (f.error != 0) w.member("error", f.error);
  if (!f.subFeatures.empty()) {
    w.key("subFeatures");
    w.beginArray();
    for (const Feature& s : f.subFeatures) writeFeature(w, s);
    w.endArray();
  }
  w.endObject();
}

void writeFeatures(json::Writer& w, const std::vector<Feature>& list) {
  w.key("features");
  w.beginArray();
  for (const Feature& f : list) writeFeature(w, f);
  w.endArray();
}

void writeAnnotations(json::Writer& w, const std::vector<Annotation>& list) {
  w.key("annotations");
  w.beginArray();
  for (const Annotation& a : list) {
    w.beginObject();
    w.rawMembers(a.extra);
    w.member("type", a.type);
    w.endObject();
  }
  w.endArray();
}

template <typename List>
void writeNumbers(json::Writer& w, std::string_view key, const List& list) {
  w.key(key);
  w.beginArray();
  for (double d : list) w.value(d);
  w.endArray();
}

void writeStrings(json::Writer& w, std::string_view key, const std::vector<std::string>& list) {
  w.key(key);
  w.beginArray();
  for (const std::string& s : list) w.value(s);
  w.endArray();
}

void writeColor(json::Writer& w, std::string_view key, const std::array<std::uint8_t, 3>& c) {
  w.key(key);
  w.beginArray();
  for (std::uint8_t v : c) w.value(static_cast<std::int32_t>(v));
  w.endArray();
}

void writeBody(json::Writer& w, const Configuration& c) {
  w.key("body");
  if (!c.body) {
    w.null();
    return;
  }
  w.beginObject();
  w.rawMembers(c.bodyExtra);
  w.key("faces");
  w.beginArray();
  for (const Face& f : *c.body) {
    w.beginObject();
    w.rawMembers(f.extra);
    w.member("edges", f.edges);
    w.member("triangles", f.triangles);
    w.endObject();
  }
  w.endArray();
  w.endObject();
}

void writeConfiguration(json::Writer& w, const Configuration& c) {
  w.beginObject();
  w.rawMembers(c.extra);
  w.member("name", c.name);
  writeBody(w, c);
  writeNumbers(w, "massProperties", c.massProperties);
  if (c.massStatus != 0) w.member("massStatus", c.massStatus);
  writeFeatures(w, c.features);
  if (!c.components.empty()) {
    w.key("components");
    w.beginArray();
    for (const Component& k : c.components) {
      w.beginObject();
      w.rawMembers(k.extra);
      w.member("name", k.name);
      w.member("file", k.file);
      w.member("suppression", k.suppression);
      w.member("hidden", k.hidden);
      w.endObject();
    }
    w.endArray();
  }
  w.endObject();
}

void writeSheet(json::Writer& w, const Sheet& s) {
  w.beginObject();
  w.rawMembers(s.extra);
  w.member("name", s.name);
  w.member("editingTemplate", s.editingTemplate);
  writeFeatures(w, s.features);
  w.key("views");
  w.beginArray();
  for (const DrawingView& v : s.views) {
    w.beginObject();
    w.rawMembers(v.extra);
    w.member("name", v.name);
    writeNumbers(w, "position", v.position);
    writeNumbers(w, "outline", v.outline);
    writeNumbers(w, "xform", v.xform);
    writeAnnotations(w, v.annotations);
    if (v.sketchLines != 0) w.member("sketchLines", v.sketchLines);
    w.endObject();
  }
  w.endArray();
  w.endObject();
}

void writePicture(json::Writer& w, const ViewPicture& p) {
  w.key("view");
  w.beginObject();
  w.rawMembers(p.extra);
  writeColor(w, "background", p.background);
  if (!p.image.empty()) w.member("image", p.image);
  w.key("rects");
  w.beginArray();
  for (const ViewRect& r : p.rects) {
    w.beginObject();
    w.rawMembers(r.extra);
    w.member("x", r.x);
    w.member("y", r.y);
    w.member("w", r.w);
    w.member("h", r.h);
    writeColor(w, "color", r.color);
    w.endObject();
  }
  w.endArray();
  w.endObject();
}

}  // namespace

std::string serialize(const DocumentModel& m) {
  json::Writer w;
  w.beginObject();
  w.rawMembers(m.extra);
  if (m.title) w.member("title", *m.title);
  if (m.fileVersion) w.member("fileVersion", *m.fileVersion);
  if (!m.versionHistory.empty()) writeStrings(w, "versionHistory", m.versionHistory);
  if (m.readOnly) w.member("readOnly", true);
  if (!m.lockedBy.empty()) w.member("lockedBy", m.lockedBy);
  if (m.viewOnly) w.member("viewOnly", true);
  w.member("activeConfiguration", m.activeConfiguration);
  w.key("configurations");
  w.beginArray();
  for (const Configuration& c : m.configurations) writeConfiguration(w, c);
  w.endArray();
  if (!m.annotations.empty()) writeAnnotations(w, m.annotations);
  if (!m.sheets.empty()) {
    w.member("currentSheet", m.currentSheet);
    w.key("sheets");
    w.beginArray();
    for (const Sheet& s : m.sheets) writeSheet(w, s);
    w.endArray();
  }
  if (m.dependencies) writeStrings(w, "dependencies", *m.dependencies);
  if (m.view) writePicture(w, *m.view);
  if (m.saveErrors != 0) w.member("saveErrors", m.saveErrors);
  if (m.saveWarnings != 0) w.member("saveWarnings", m.saveWarnings);
  if (!m.faults.empty()) {
    w.key("faults");
    w.beginObject();
    for (const auto& [member, description] : m.faults) {
      w.member(member, description);
    }
    w.endObject();
  }
  w.endObject();
  return w.indented() + "\n";
}

}  // namespace rc::sim::host::modelfile
