#include "Core/checks/DrawingViewChecks.h"

#include "Core/checks/CheckSkeleton.h"
#include "Core/interfaces/DocumentType.h"
#include "Core/interfaces/HostCalls.h"
#include "Core/interfaces/HostLists.h"
#include "Core/interfaces/HostLookup.h"
#include "platform/automation/Error.h"

namespace rc::core {

namespace au = rc::automation;

namespace {

// The active document when it is a drawing, else Nothing.
au::ObjectRef activeDrawing(std::int32_t processId, bool multiSession) {
  au::ObjectRef host = GetSessionHost(processId, multiSession);
  au::ObjectRef doc = activeDoc(host);
  if (au::call(doc, "GetType").toLong() != kDrawing) return nullptr;
  return doc;
}

// The first drawing view: the view after the sheet's own.
au::ObjectRef firstDrawingView(const au::ObjectRef& doc) {
  return au::callObject(au::callObject(doc, "GetFirstView"), "GetNextView");
}

au::ObjectRef nextView(const au::ObjectRef& view) { return au::callObject(view, "GetNextView"); }

// Adds one to a 16-bit view counter (Overflow past 32767, which also ends a
// view list that never ends).
void countView(std::int32_t& views) {
  if (views == 32767) au::raise(au::err::Overflow);
  ++views;
}

struct Point {
  double x = 0, y = 0;
};

Point viewPosition(const au::ObjectRef& view) {
  au::Variant position = au::call(view, "position");
  return {listItem(position, 0).toDouble(), listItem(position, 1).toDouble()};
}

// Selects a drawing view at its position; `member` replaces the selection
// (SelectByID) or adds to it (andSelectByID).
void selectView(const au::ObjectRef& doc, const au::ObjectRef& view, const char* member) {
  Point p = viewPosition(view);
  au::call(doc, member, "", "DRAWINGVIEW", p.x, p.y, 0);
}

// a / b, raising Division by zero as the host language does for b = 0.
double divide(double a, double b) {
  if (b == 0) au::raise(au::err::DivisionByZero);
  return a / b + 0.0;  // + 0.0 turns -0 into 0
}

}  // namespace

void CutPasteViews(std::int32_t glbProcessID, bool MultiSession) {
  au::ObjectRef doc = activeDrawing(glbProcessID, MultiSession);
  if (!doc) return;
  au::ObjectRef view = firstDrawingView(doc);
  if (!view) return;
  std::int32_t views = 0;
  for (; view; view = nextView(view)) {
    selectView(doc, view, "andSelectByID");
    countView(views);
  }
  au::call(doc, "EditCut");
  au::call(doc, "NewSheet3", "TestSheetMFD", 0, 13, 1, 5, 0, "*.drt", 0.2794, 0.2159, "Default");
  au::call(doc, "SelectByID", "", "SHEET", 0.01, 0.01, 0);
  au::call(doc, "Paste");
  au::call(doc, "EditUndo", views + 2);
}

void SelectEachView(std::int32_t glbProcessID, bool MultiSession) {
  au::ObjectRef doc = activeDrawing(glbProcessID, MultiSession);
  if (!doc) return;
  for (au::ObjectRef view = firstDrawingView(doc); view; view = nextView(view)) selectView(doc, view, "SelectByID");
}

void SectionEachView(std::int32_t glbProcessID, bool MultiSession) {
  au::ObjectRef doc = activeDrawing(glbProcessID, MultiSession);
  if (!doc) return;
  const au::ObjectRef first = firstDrawingView(doc);
  if (!first) return;
  std::int32_t views = 0;
  for (au::ObjectRef view = first; view; view = nextView(view)) countView(views);

  au::ObjectRef view = first;
  for (std::int32_t k = 0; k < views; ++k) {
    au::Variant outline = au::call(view, "GetOutline");
    const double right = listItem(outline, 2).toDouble();
    const double top = listItem(outline, 3).toDouble();
    const double height = top - listItem(outline, 1).toDouble();
    const double scale = listItem(au::call(view, "GetXform"), 2).toDouble();
    selectView(doc, view, "SelectByID");
    au::call(doc, "EditSketch");
    const double half = divide(height, 2 * scale);
    au::call(doc, "CreateCenterLineVB", 0, -half + 0.0, 0, 0, half, 0);
    au::call(doc, "CreateSectionViewAt", right, top, 0, 0, 0);
    au::call(doc, "EditUndo", 2);
    view = nextView(view);
  }
}

std::int16_t ViewCutPaste(const SessionContext& s) {
  return runCheck(s, "ViewCutPaste", [&] { CutPasteViews(s.glbProcessID, s.MultiSession); }, OnFailure::TraceThenExit);
}

void InsertBOM(const SessionContext& s) {
  runCheck(s, "InsertBOM", [&] { SelectEachView(s.glbProcessID, s.MultiSession); }, OnFailure::TraceThenExit);
}

std::int16_t CreateSectionView(const SessionContext& s) {
  return runCheck(s, "SectionView", [&] { SectionEachView(s.glbProcessID, s.MultiSession); }, OnFailure::TraceThenExit);
}

}  // namespace rc::core
