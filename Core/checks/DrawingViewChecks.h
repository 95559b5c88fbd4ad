// Editing operations on the views of the active drawing (modDrawingViews),
// and the clsApplication checks that wrap them. The routines act only on a
// drawing (kDrawing); its first view is the sheet, the drawing views
// follow it along GetNextView. After the host lookup they trap nothing.
#pragma once

#include <cstdint>

#include "Core/frame/SessionContext.h"

namespace rc::core {

// Selects every drawing view, cuts them, adds the sheet "TestSheetMFD",
// pastes them onto it, then undoes (views + 2 steps).
void CutPasteViews(std::int32_t glbProcessID, bool MultiSession);

// Selects each drawing view alone, in turn.
void SelectEachView(std::int32_t glbProcessID, bool MultiSession);

// On each drawing view: sketches a vertical centre line through the sketch
// origin, creates a section view at the outline's top-right corner, and
// undoes both (2 steps). A view whose transform's third number is 0 raises
// Division by zero.
void SectionEachView(std::int32_t glbProcessID, bool MultiSession);

// The wrappers: Enter line, routine, Exit line; an error writes the Failed
// line and still the Exit line ("SectionView - ..." for CreateSectionView).
std::int16_t ViewCutPaste(const SessionContext& session);
void InsertBOM(const SessionContext& session);
std::int16_t CreateSectionView(const SessionContext& session);

}  // namespace rc::core
