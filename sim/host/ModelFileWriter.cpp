// Writing a document model back as JSON text: each record's kept unknown
// fields first, in their order, then its known fields.
#include "sim/host/JsonText.h"
#include "sim/host/ModelFile.h"

namespace rc::sim::host::modelfile {

namespace {

void writeFeature(json::Writer& w, const Feature& f) {
  w.beginObject();
  w.rawMembers(f.extra);
  w.key("name");
  w.value(f.name);
  w.key("type");
  w.value(f.type);
  if (f.error != 0) {
    w.key("error");
    w.value(f.error);
  }
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
    w.key("type");
    w.value(a.type);
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
    w.key("edges");
    w.value(f.edges);
    w.key("triangles");
    w.value(f.triangles);
    w.endObject();
  }
  w.endArray();
  w.endObject();
}

void writeConfiguration(json::Writer& w, const Configuration& c) {
  w.beginObject();
  w.rawMembers(c.extra);
  w.key("name");
  w.value(c.name);
  writeBody(w, c);
  writeNumbers(w, "massProperties", c.massProperties);
  if (c.massStatus != 0) {
    w.key("massStatus");
    w.value(c.massStatus);
  }
  writeFeatures(w, c.features);
  if (!c.components.empty()) {
    w.key("components");
    w.beginArray();
    for (const Component& k : c.components) {
      w.beginObject();
      w.rawMembers(k.extra);
      w.key("name");
      w.value(k.name);
      w.key("file");
      w.value(k.file);
      w.key("suppression");
      w.value(k.suppression);
      w.key("hidden");
      w.value(k.hidden);
      w.endObject();
    }
    w.endArray();
  }
  w.endObject();
}

void writeSheet(json::Writer& w, const Sheet& s) {
  w.beginObject();
  w.rawMembers(s.extra);
  w.key("name");
  w.value(s.name);
  w.key("editingTemplate");
  w.value(s.editingTemplate);
  writeFeatures(w, s.features);
  w.key("views");
  w.beginArray();
  for (const DrawingView& v : s.views) {
    w.beginObject();
    w.rawMembers(v.extra);
    w.key("name");
    w.value(v.name);
    writeNumbers(w, "position", v.position);
    writeNumbers(w, "outline", v.outline);
    writeNumbers(w, "xform", v.xform);
    writeAnnotations(w, v.annotations);
    if (v.sketchLines != 0) {
      w.key("sketchLines");
      w.value(v.sketchLines);
    }
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
  if (!p.image.empty()) {
    w.key("image");
    w.value(p.image);
  }
  w.key("rects");
  w.beginArray();
  for (const ViewRect& r : p.rects) {
    w.beginObject();
    w.rawMembers(r.extra);
    w.key("x");
    w.value(r.x);
    w.key("y");
    w.value(r.y);
    w.key("w");
    w.value(r.w);
    w.key("h");
    w.value(r.h);
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
  if (m.title) {
    w.key("title");
    w.value(*m.title);
  }
  if (m.fileVersion) {
    w.key("fileVersion");
    w.value(*m.fileVersion);
  }
  if (!m.versionHistory.empty()) writeStrings(w, "versionHistory", m.versionHistory);
  if (m.readOnly) {
    w.key("readOnly");
    w.value(true);
  }
  if (!m.lockedBy.empty()) {
    w.key("lockedBy");
    w.value(m.lockedBy);
  }
  if (m.viewOnly) {
    w.key("viewOnly");
    w.value(true);
  }
  w.key("activeConfiguration");
  w.value(m.activeConfiguration);
  w.key("configurations");
  w.beginArray();
  for (const Configuration& c : m.configurations) writeConfiguration(w, c);
  w.endArray();
  if (!m.annotations.empty()) writeAnnotations(w, m.annotations);
  if (!m.sheets.empty()) {
    w.key("currentSheet");
    w.value(m.currentSheet);
    w.key("sheets");
    w.beginArray();
    for (const Sheet& s : m.sheets) writeSheet(w, s);
    w.endArray();
  }
  if (m.dependencies) writeStrings(w, "dependencies", *m.dependencies);
  if (m.view) writePicture(w, *m.view);
  if (m.saveErrors != 0) {
    w.key("saveErrors");
    w.value(m.saveErrors);
  }
  if (m.saveWarnings != 0) {
    w.key("saveWarnings");
    w.value(m.saveWarnings);
  }
  if (!m.faults.empty()) {
    w.key("faults");
    w.beginObject();
    for (const auto& [member, description] : m.faults) {
      w.key(member);
      w.value(description);
    }
    w.endObject();
  }
  w.endObject();
  return w.indented() + "\n";
}

}  // namespace rc::sim::host::modelfile
