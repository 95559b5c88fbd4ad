#include "sim/host/DocumentEditor.h"

#include <algorithm>
#include <cmath>

#include <strings.h>

namespace rc::sim::host {

namespace {

bool sameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

bool near(double a, double b) { return std::fabs(a - b) <= 1e-9 * std::max({1.0, std::fabs(a), std::fabs(b)}); }

// The drawing view of `sheet` (after the sheet's own view) named `name`, or
// when the name is empty the topmost one at (x, y): its position first, then
// its outline.
const DrawingView* viewAt(const Sheet& sheet, std::string_view name, double x, double y) {
  if (sheet.views.size() < 2) return nullptr;
  auto begin = sheet.views.begin() + 1;
  if (!name.empty()) {
    std::string_view bare = name.substr(0, name.find('@'));
    for (auto it = begin; it != sheet.views.end(); ++it)
      if (sameText(it->name, name) || sameText(it->name, bare)) return &*it;
    return nullptr;
  }
  for (auto it = begin; it != sheet.views.end(); ++it)
    if (near(it->position[0], x) && near(it->position[1], y)) return &*it;
  for (auto it = sheet.views.rbegin(); it + 1 != sheet.views.rend(); ++it) {
    const auto& o = it->outline;
    if (x >= std::min(o[0], o[2]) && x <= std::max(o[0], o[2]) && y >= std::min(o[1], o[3]) && y <= std::max(o[1], o[3]))
      return &*it;
  }
  return nullptr;
}

}  // namespace

Sheet* DocumentEditor::currentSheet() {
  for (Sheet& s : model_.sheets)
    if (s.name == model_.currentSheet) return &s;
  return nullptr;
}

DrawingView* DocumentEditor::findView(std::string_view sheet, std::string_view name) {
  for (Sheet& s : model_.sheets) {
    if (s.name != sheet) continue;
    for (DrawingView& v : s.views)
      if (v.name == name) return &v;
  }
  return nullptr;
}

void DocumentEditor::checkpoint() {
  std::vector<std::vector<Component>> components;
  components.reserve(model_.configurations.size());
  for (const Configuration& c : model_.configurations) components.push_back(c.components);
  history_.push_back(Snapshot{model_.sheets, model_.currentSheet, selection_, sketchView_, model_.activeConfiguration,
                              std::move(components)});
  if (history_.size() > kUndoDepth) history_.pop_front();
}

bool DocumentEditor::select(std::string_view name, std::string_view type, double x, double y, double z, bool append) {
  SelectionItem item;
  item.type = std::string(type);
  item.x = x;
  item.y = y;
  item.z = z;
  if (sameText(type, "DRAWINGVIEW")) {
    Sheet* sheet = currentSheet();
    const DrawingView* view = sheet ? viewAt(*sheet, name, x, y) : nullptr;
    if (!view) return false;
    item.type = "DRAWINGVIEW";
    item.name = view->name;
    item.sheet = sheet->name;
  } else if (sameText(type, "SHEET")) {
    Sheet* sheet = currentSheet();
    if (!sheet) return false;
    if (!name.empty() && !sameText(name, sheet->name)) {
      auto it = std::find_if(model_.sheets.begin(), model_.sheets.end(), [&](const Sheet& s) { return sameText(s.name, name); });
      if (it == model_.sheets.end()) return false;
      sheet = &*it;
    }
    item.type = "SHEET";
    item.name = sheet->name;
    item.sheet = sheet->name;
  } else if (sameText(type, "COMPONENT")) {
    std::string_view bare = name.substr(0, name.find('@'));
    bool found = false;
    for (const Configuration& c : model_.configurations) {
      if (c.name != model_.activeConfiguration) continue;
      for (const Component& k : c.components)
        if (sameText(k.name, bare) || sameText(k.name, name)) {
          item.name = k.name;
          found = true;
        }
    }
    if (!found) return false;
    item.type = "COMPONENT";
  } else {
    item.name = std::string(name);
  }
  if (!append) selection_.clear();
  selection_.push_back(std::move(item));
  return true;
}

bool DocumentEditor::selectFace(std::size_t faceIndex, bool append) {
  if (!append) selection_.clear();
  selection_.push_back(SelectionItem{"FACE", "Face" + std::to_string(faceIndex + 1), "", 0, 0, 0});
  return true;
}

void DocumentEditor::clearSelection() {
  selection_.clear();
}

bool DocumentEditor::cut() {
  std::vector<DrawingView> views;
  std::vector<Feature> features;
  std::vector<Sheet> before = model_.sheets;
  for (const SelectionItem& item : selection_) {
    if (item.type != "DRAWINGVIEW") continue;
    for (Sheet& s : model_.sheets) {
      if (s.name != item.sheet || s.views.size() < 2) continue;
      auto it = std::find_if(s.views.begin() + 1, s.views.end(), [&](const DrawingView& v) { return v.name == item.name; });
      if (it == s.views.end()) continue;
      views.push_back(*it);
      auto f = std::find_if(s.features.begin(), s.features.end(), [&](const Feature& x) { return x.name == item.name; });
      if (f != s.features.end()) {
        features.push_back(*f);
        s.features.erase(f);
      }
      s.views.erase(it);
    }
  }
  if (views.empty()) return false;
  // The snapshot must hold the sheets as they were before the views went.
  std::swap(model_.sheets, before);
  checkpoint();
  std::swap(model_.sheets, before);
  clipboard_ = std::move(views);
  clipboardFeatures_ = std::move(features);
  selection_.clear();
  return true;
}

bool DocumentEditor::paste() {
  Sheet* sheet = currentSheet();
  if (!sheet || clipboard_.empty()) return false;
  checkpoint();
  sheet = currentSheet();
  if (sheet->views.empty()) sheet->views.push_back(DrawingView{sheet->name, {}, {}, {0, 0, 1}, {}, 0, {}});
  for (const DrawingView& v : clipboard_) sheet->views.push_back(v);
  for (const Feature& f : clipboardFeatures_) sheet->features.push_back(f);
  return true;
}

bool DocumentEditor::newSheet(std::string_view name, double width, double height) {
  std::string n(name);
  if (n.empty()) n = "Sheet" + std::to_string(model_.sheets.size() + 1);
  for (const Sheet& s : model_.sheets)
    if (sameText(s.name, n)) return false;
  checkpoint();
  Sheet s;
  s.name = n;
  DrawingView own;
  own.name = n;
  own.outline = {0, 0, std::isfinite(width) ? width : 0, std::isfinite(height) ? height : 0};
  s.views.push_back(std::move(own));
  model_.sheets.push_back(std::move(s));
  model_.currentSheet = n;
  return true;
}

bool DocumentEditor::editSketch() {
  Sheet* sheet = currentSheet();
  if (!sheet) return false;
  std::string target = sheet->views.empty() ? std::string() : sheet->views.front().name;
  for (const SelectionItem& item : selection_)
    if (item.type == "DRAWINGVIEW" && item.sheet == sheet->name) target = item.name;
  if (target.empty()) return false;
  checkpoint();
  sketchView_ = target;
  return true;
}

bool DocumentEditor::centerLine() {
  Sheet* sheet = currentSheet();
  if (!sheet || sketchView_.empty()) return false;
  DrawingView* v = findView(sheet->name, sketchView_);
  if (!v || v->sketchLines == INT32_MAX) return false;
  checkpoint();
  findView(model_.currentSheet, sketchView_)->sketchLines += 1;
  return true;
}

std::optional<std::size_t> DocumentEditor::sectionView(double x, double y) {
  Sheet* sheet = currentSheet();
  if (!sheet || sketchView_.empty() || !std::isfinite(x) || !std::isfinite(y)) return std::nullopt;
  DrawingView* source = findView(sheet->name, sketchView_);
  if (!source || source->sketchLines == 0) return std::nullopt;
  // Section views are named "Section View A", "Section View B", ... by how
  // many the document holds.
  std::size_t count = 0;
  for (const Sheet& s : model_.sheets)
    for (const DrawingView& v : s.views)
      if (v.name.rfind("Section View ", 0) == 0) ++count;
  std::string label;
  for (std::size_t n = count;; n = n / 26 - 1) {
    label.insert(label.begin(), static_cast<char>('A' + n % 26));
    if (n < 26) break;
  }
  DrawingView section = *source;
  section.name = "Section View " + label;
  section.annotations.clear();
  section.sketchLines = 0;
  section.extra.clear();
  double halfW = (source->outline[2] - source->outline[0]) / 2;
  double halfH = (source->outline[3] - source->outline[1]) / 2;
  section.position = {x, y};
  section.outline = {x - halfW, y - halfH, x + halfW, y + halfH};
  checkpoint();
  sheet = currentSheet();
  sheet->views.push_back(section);
  sheet->features.push_back(Feature{section.name, "SectionView", 0, {}, {}});
  return sheet->views.size() - 1;
}

std::int32_t DocumentEditor::undo(std::int32_t n) {
  std::int32_t done = 0;
  std::optional<Snapshot> restore;
  while (done < n && !history_.empty()) {
    restore = std::move(history_.back());
    history_.pop_back();
    ++done;
  }
  if (restore) {
    model_.sheets = std::move(restore->sheets);
    model_.currentSheet = std::move(restore->currentSheet);
    selection_ = std::move(restore->selection);
    sketchView_ = std::move(restore->sketchView);
    model_.activeConfiguration = std::move(restore->activeConfiguration);
    // Configurations are never added or removed, so the lists line up.
    for (std::size_t i = 0; i < model_.configurations.size() && i < restore->components.size(); ++i)
      model_.configurations[i].components = std::move(restore->components[i]);
  }
  return done;
}

}  // namespace rc::sim::host
