// The editing state of one open document: the selection, the clipboard,
// sketch mode and the undo history, and the in-memory edits that EditUndo
// takes back. The undo steps are cut, paste, new sheet, sketch, centre line,
// section view and configuration changes; selecting is not a step. Every
// step stores a snapshot of what it may change first; undo restores it.
#pragma once

#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/host/Model.h"

namespace rc::sim::host {

struct SelectionItem {
  std::string type;   // "DRAWINGVIEW", "SHEET", "COMPONENT", "FACE", ...
  std::string name;   // the entity's name
  std::string sheet;  // for views: the sheet that holds the view
  double x = 0, y = 0, z = 0;
};

class DocumentEditor {
 public:
  // The most changes EditUndo can take back.
  static constexpr std::size_t kUndoDepth = 64;

  explicit DocumentEditor(DocumentModel& model) : model_(model) {}

  const std::vector<SelectionItem>& selection() const { return selection_; }

  // SelectByID / andSelectByID: selects the entity of `type` named `name`,
  // or when `name` is empty the one at (x, y); answers whether one was found.
  bool select(std::string_view name, std::string_view type, double x, double y, double z, bool append);
  // Adds a face of the active configuration's body to the selection.
  bool selectFace(std::size_t faceIndex, bool append);
  void clearSelection();

  // Cuts the selected drawing views to the clipboard; answers whether any were cut.
  bool cut();
  // Pastes the clipboard's views onto the current sheet.
  bool paste();
  // Adds and activates a sheet `width` x `height` metres; false when the name is taken.
  bool newSheet(std::string_view name, double width, double height);
  // Enters sketch mode in the selected drawing view (or the sheet).
  bool editSketch();
  // Adds a centre line to the sketch; false outside sketch mode.
  bool centerLine();
  // Creates a section view of the sketched view at (x, y) on the current
  // sheet; answers its index in the sheet's views.
  std::optional<std::size_t> sectionView(double x, double y);
  // Takes back the last `n` steps (fewer when fewer were made); answers how many.
  std::int32_t undo(std::int32_t n);
  // Stores the state an undo step returns to; callers that change the
  // active configuration or component properties call it first.
  void checkpoint();

  // The current sheet, or nullptr (parts and assemblies).
  Sheet* currentSheet();

 private:
  struct Snapshot {
    std::vector<Sheet> sheets;
    std::string currentSheet;
    std::vector<SelectionItem> selection;
    std::string sketchView;
    std::string activeConfiguration;
    std::vector<std::vector<Component>> components;  // per configuration
  };
  DrawingView* findView(std::string_view sheet, std::string_view name);

  DocumentModel& model_;
  std::vector<SelectionItem> selection_;
  std::string sketchView_;  // the view being sketched in; empty outside sketch mode
  std::vector<DrawingView> clipboard_;
  std::vector<Feature> clipboardFeatures_;
  std::deque<Snapshot> history_;
};

}  // namespace rc::sim::host
