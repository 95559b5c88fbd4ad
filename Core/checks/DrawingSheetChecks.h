// The drawing sheet checks (modDrawingSheets): the per-sheet report of failed features and the
// walk that activates every sheet and toggles its edit mode.
#pragma once

#include <cstdint>
#include <string_view>

#include "Core/frame/SessionContext.h"

namespace rc::core {

// Writes "RavelcrestDrawingSheetCount.dat" (the sheet count) and
// "RavelcrestDrawing.dat" (per sheet: name, feature count, failed features,
// bitmap path) into `WorkDir`, then re-activates the starting sheet. With
// MultiSession an error writes "FailFeatureInSheets - Failed" and ends the
// run; without it the error is raised to the caller. Files keep what was
// written before an error.
void FailFeatureInSheets(const SessionContext& session, std::string_view WorkDir, std::string_view BMPResultPathName);

// Activates every sheet, toggles it between sheet and sheet-format editing
// and back, and ends on the starting sheet: 0; 1 after an error.
std::int16_t ActivateSheets(const SessionContext& session);

}  // namespace rc::core
