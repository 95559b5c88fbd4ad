#include "sim/host/ModelFile.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <initializer_list>
#include <limits>

#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/os/Paths.h"
#include "sim/host/JsonText.h"

namespace rc::sim::host::modelfile {

namespace {

// Reads the known fields of a document at a JSON cursor, keeping unknown
// ones as text. Fields are named in messages by their path
// ("configurations[0].features[2]"). Every item read is charged against a
// memory budget, so that a file of many tiny items is refused instead of
// taking many times its size.
class Reader {
 public:
  Reader(std::string_view label, json::Cursor& cursor, std::size_t budget)
      : label_(label), cursor_(cursor), budget_(budget) {}

  [[noreturn]] void fail(const std::string& field, std::string_view why) const {
    throw ModelFileError(std::string(label_) + ": field '" + (field.empty() ? std::string("(document)") : field) +
                         "' " + std::string(why));
  }

  static std::string path(const std::string& where, std::string_view key) {
    return where.empty() ? std::string(key) : where + "." + std::string(key);
  }
  static std::string item(const std::string& p, std::size_t i) { return p + "[" + std::to_string(i) + "]"; }

  // Reads the object at the cursor as the record at `where`: `known(key,
  // path)` reads the value of each field it knows and answers true; the
  // other fields are appended to `extra`.
  template <typename Fn>
  void record(const std::string& where, std::string& extra, Fn known) {
    if (cursor_.peek() != json::Kind::Object) fail(where, "must be an object");
    cursor_.beginObject();
    std::string key;
    while (cursor_.nextKey(key)) {
      std::string rawKey(cursor_.rawKey());
      if (known(key, path(where, key))) continue;
      if (!extra.empty()) extra += ',';
      extra += rawKey;
      extra += ':';
      cursor_.skipValue(&extra);
    }
    if (extra.capacity() > extra.size() + extra.size() / 4) extra.shrink_to_fit();
    chargeText(extra);
  }

  // Consumes a null when one comes next; answers whether it did.
  bool null() {
    if (cursor_.peek() != json::Kind::Null) return false;
    cursor_.readNull();
    return true;
  }

  std::int32_t longValue(const std::string& p, std::int64_t lo = INT32_MIN, std::int64_t hi = INT32_MAX) {
    if (cursor_.peek() != json::Kind::Number) fail(p, "must be a whole number");
    json::Number n = cursor_.readNumber();
    if (n.integer) {
      // Limits are 32-bit, so a magnitude past 2^40 is out of range either way.
      if (n.magnitude > (std::uint64_t{1} << 40)) fail(p, "is out of range");
      auto v = static_cast<std::int64_t>(n.magnitude);
      if (n.negative) v = -v;
      if (v < lo || v > hi) fail(p, "is out of range");
      return static_cast<std::int32_t>(v);
    }
    double d = n.value;
    if (!std::isfinite(d) || d != std::floor(d)) fail(p, "must be a whole number");
    if (d < static_cast<double>(lo) || d > static_cast<double>(hi)) fail(p, "is out of range");
    return static_cast<std::int32_t>(d);
  }
  double doubleValue(const std::string& p) {
    if (cursor_.peek() != json::Kind::Number) fail(p, "must be a number");
    double d = cursor_.readNumber().value;
    if (!std::isfinite(d)) fail(p, "must be a finite number");
    return d;
  }
  std::string stringValue(const std::string& p) {
    if (cursor_.peek() != json::Kind::String) fail(p, "must be a text");
    std::string s = cursor_.readString();
    chargeText(s);
    return s;
  }
  bool boolValue(const std::string& p) {
    if (cursor_.peek() != json::Kind::Boolean) fail(p, "must be true or false");
    return cursor_.readBoolean();
  }
  template <std::size_t N>
  void numbers(const std::string& p, std::array<double, N>& out) {
    std::string why = "must be a list of " + std::to_string(N) + " numbers";
    if (cursor_.peek() != json::Kind::Array || cursor_.countItems() != N) fail(p, why);
    cursor_.beginArray();
    for (std::size_t i = 0; cursor_.nextItem(); ++i) out[i] = doubleValue(item(p, i));
  }
  void color(const std::string& p, std::array<std::uint8_t, 3>& out) {
    if (cursor_.peek() != json::Kind::Array || cursor_.countItems() != 3) fail(p, "must be a list of 3 numbers from 0 to 255");
    cursor_.beginArray();
    for (std::size_t i = 0; cursor_.nextItem(); ++i) out[i] = static_cast<std::uint8_t>(longValue(item(p, i), 0, 255));
  }
  // Reads a list with `one(path)` for each item.
  template <typename T, typename Fn>
  void list(const std::string& p, std::vector<T>& out, Fn one) {
    if (cursor_.peek() != json::Kind::Array) fail(p, "must be a list");
    std::size_t n = cursor_.countItems();
    if (n > kMaxItems) fail(p, "holds too many items (at most " + std::to_string(kMaxItems) + ")");
    charge(n * sizeof(T) + 16);
    out.clear();
    out.shrink_to_fit();
    out.reserve(n);
    cursor_.beginArray();
    for (std::size_t i = 0; cursor_.nextItem(); ++i) {
      if (i >= n) fail(p, "must be a list");  // the quick count disagrees with the text
      out.push_back(one(item(p, i)));
    }
  }
  void list(const std::string& p, std::vector<double>& out) {
    list(p, out, [this](const std::string& at) { return doubleValue(at); });
  }
  void list(const std::string& p, std::vector<std::string>& out) {
    list(p, out, [this](const std::string& at) { return stringValue(at); });
  }

  // Takes `bytes` from the budget; refuses the file when it runs out.
  void charge(std::size_t bytes) {
    if (bytes > budget_)
      throw ModelFileError(std::string(label_) + ": holds too many items for its size (a document may take at most " +
                           std::to_string(kMemoryFactor) + " times its file size in memory, or " +
                           std::to_string(kMinMemory >> 20) + " MiB)");
    budget_ -= bytes;
  }
  // Charges the heap block of a text (short texts live inside the string).
  void chargeText(const std::string& s) {
    if (s.capacity() > 15) charge(s.capacity() + 16);
  }

  std::string_view label() const { return label_; }
  json::Cursor& cursor() { return cursor_; }

 private:
  std::string_view label_;
  json::Cursor& cursor_;
  std::size_t budget_;
};

Feature readFeature(Reader& r, const std::string& where, bool withSubFeatures) {
  Feature f;
  r.record(where, f.extra, [&](std::string_view key, const std::string& p) {
    if (key == "name") f.name = r.stringValue(p);
    else if (key == "type") f.type = r.stringValue(p);
    else if (key == "error") f.error = r.longValue(p);
    else if (key == "subFeatures" && withSubFeatures)
      r.list(p, f.subFeatures, [&r](const std::string& at) { return readFeature(r, at, false); });
    else return false;
    return true;
  });
  return f;
}

Annotation readAnnotation(Reader& r, const std::string& where) {
  Annotation a;
  r.record(where, a.extra, [&](std::string_view key, const std::string& p) {
    if (key != "type") return false;
    a.type = r.longValue(p);
    return true;
  });
  return a;
}

std::vector<Face> readBody(Reader& r, const std::string& where, std::string& extra) {
  std::vector<Face> faces;
  r.record(where, extra, [&](std::string_view key, const std::string& p) {
    if (key != "faces") return false;
    r.list(p, faces, [&r](const std::string& at) {
      Face face;
      r.record(at, face.extra, [&](std::string_view k, const std::string& fp) {
        if (k == "edges") face.edges = r.longValue(fp, 0);
        else if (k == "triangles") face.triangles = r.longValue(fp, 0);
        else return false;
        return true;
      });
      return face;
    });
    return true;
  });
  return faces;
}

Component readComponent(Reader& r, const std::string& where) {
  Component comp;
  r.record(where, comp.extra, [&](std::string_view key, const std::string& p) {
    if (key == "name") comp.name = r.stringValue(p);
    else if (key == "file") comp.file = r.stringValue(p);
    else if (key == "suppression") comp.suppression = r.longValue(p);
    else if (key == "hidden") comp.hidden = r.boolValue(p);
    else return false;
    return true;
  });
  return comp;
}

Configuration readConfiguration(Reader& r, const std::string& where, DocType type) {
  Configuration c;
  if (type == DocType::Part) c.body.emplace();
  r.record(where, c.extra, [&](std::string_view key, const std::string& p) {
    if (key == "name") {
      c.name = r.stringValue(p);
    } else if (key == "body") {
      c.bodyExtra.clear();
      if (r.null()) c.body.reset();
      else c.body = readBody(r, p, c.bodyExtra);
    } else if (key == "massProperties") {
      r.numbers(p, c.massProperties);
    } else if (key == "massStatus") {
      c.massStatus = r.longValue(p);
    } else if (key == "features") {
      r.list(p, c.features, [&r](const std::string& at) { return readFeature(r, at, true); });
    } else if (key == "components") {
      r.list(p, c.components, [&r](const std::string& at) { return readComponent(r, at); });
    } else {
      return false;
    }
    return true;
  });
  return c;
}

DrawingView readView(Reader& r, const std::string& where) {
  DrawingView v;
  r.charge(v.xform.capacity() * sizeof(double) + 16);
  r.record(where, v.extra, [&](std::string_view key, const std::string& p) {
    if (key == "name") v.name = r.stringValue(p);
    else if (key == "position") r.numbers(p, v.position);
    else if (key == "outline") r.numbers(p, v.outline);
    else if (key == "xform") r.list(p, v.xform);
    else if (key == "annotations") r.list(p, v.annotations, [&r](const std::string& at) { return readAnnotation(r, at); });
    else if (key == "sketchLines") v.sketchLines = r.longValue(p, 0);
    else return false;
    return true;
  });
  return v;
}

DrawingView sheetView(const std::string& name) {
  DrawingView v;
  v.name = name;
  v.outline = {0, 0, 0.2794, 0.2159};
  return v;
}

Sheet readSheet(Reader& r, const std::string& where) {
  Sheet s;
  bool hasViews = false;
  r.record(where, s.extra, [&](std::string_view key, const std::string& p) {
    if (key == "name") s.name = r.stringValue(p);
    else if (key == "editingTemplate") s.editingTemplate = r.boolValue(p);
    else if (key == "features") r.list(p, s.features, [&r](const std::string& at) { return readFeature(r, at, true); });
    else if (key == "views") r.list(p, s.views, [&r](const std::string& at) { return readView(r, at); });
    else return false;
    hasViews = hasViews || key == "views";
    return true;
  });
  if (!hasViews) {
    r.charge(sizeof(DrawingView) + 3 * sizeof(double) + 64);
    s.views.push_back(sheetView(s.name));
  }
  return s;
}

ViewRect readRect(Reader& r, const std::string& where) {
  ViewRect rect;
  r.record(where, rect.extra, [&](std::string_view key, const std::string& p) {
    if (key == "x") rect.x = r.longValue(p, -(1 << 20), 1 << 20);
    else if (key == "y") rect.y = r.longValue(p, -(1 << 20), 1 << 20);
    else if (key == "w") rect.w = r.longValue(p, 0, 1 << 20);
    else if (key == "h") rect.h = r.longValue(p, 0, 1 << 20);
    else if (key == "color") r.color(p, rect.color);
    else return false;
    return true;
  });
  return rect;
}

ViewPicture readPicture(Reader& r, const std::string& where) {
  ViewPicture pic;
  r.record(where, pic.extra, [&](std::string_view key, const std::string& p) {
    if (key == "background") r.color(p, pic.background);
    else if (key == "image") pic.image = r.stringValue(p);
    else if (key == "rects") r.list(p, pic.rects, [&r](const std::string& at) { return readRect(r, at); });
    else return false;
    return true;
  });
  return pic;
}

void readFaults(Reader& r, const std::string& p, std::vector<std::pair<std::string, std::string>>& out) {
  json::Cursor& c = r.cursor();
  if (c.peek() != json::Kind::Object) r.fail(p, "must be an object of member names and descriptions");
  out.clear();
  c.beginObject();
  std::string member;
  while (c.nextKey(member)) {
    std::string description = r.stringValue(p + "." + member);
    r.charge(sizeof(out.front()) * 2);
    r.chargeText(member);
    // A member named twice keeps its place and its last description.
    auto it = std::find_if(out.begin(), out.end(), [&](const auto& f) { return f.first == member; });
    if (it != out.end()) it->second = std::move(description);
    else out.emplace_back(member, std::move(description));
  }
}

// Reads the document's own fields.
void readDocument(Reader& r, DocumentModel& m, DocType type) {
  r.record("", m.extra, [&](std::string_view key, const std::string& p) {
    if (key == "title") m.title = r.null() ? std::nullopt : std::optional(r.stringValue(p));
    else if (key == "fileVersion") m.fileVersion = r.null() ? std::nullopt : std::optional(r.longValue(p));
    else if (key == "versionHistory") r.list(p, m.versionHistory);
    else if (key == "readOnly") m.readOnly = r.boolValue(p);
    else if (key == "lockedBy") m.lockedBy = r.stringValue(p);
    else if (key == "viewOnly") m.viewOnly = r.boolValue(p);
    else if (key == "activeConfiguration") m.activeConfiguration = r.stringValue(p);
    else if (key == "configurations")
      r.list(p, m.configurations, [&r, type](const std::string& at) { return readConfiguration(r, at, type); });
    else if (key == "annotations") r.list(p, m.annotations, [&r](const std::string& at) { return readAnnotation(r, at); });
    else if (key == "currentSheet") m.currentSheet = r.stringValue(p);
    else if (key == "sheets") r.list(p, m.sheets, [&r](const std::string& at) { return readSheet(r, at); });
    else if (key == "dependencies") {
      if (r.null()) m.dependencies.reset();
      else r.list(p, m.dependencies.emplace());
    } else if (key == "view") {
      if (r.null()) m.view.reset();
      else m.view = readPicture(r, p);
    } else if (key == "saveErrors") m.saveErrors = r.longValue(p);
    else if (key == "saveWarnings") m.saveWarnings = r.longValue(p);
    else if (key == "faults") {
      if (r.null()) m.faults.clear();
      else readFaults(r, p, m.faults);
    } else return false;
    return true;
  });
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
  json::Cursor cursor(text, kMaxDepth);
  Reader r(label, cursor, std::max(kMemoryFactor * text.size(), kMinMemory));
  DocumentModel m;
  try {
    readDocument(r, m, type);
    cursor.expectEnd();
  } catch (const json::SyntaxError& e) {
    throw ModelFileError(std::string(label) + ": not valid JSON (" + e.what() + ")");
  }

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

}  // namespace rc::sim::host::modelfile
