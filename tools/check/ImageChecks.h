// The image checks of `ravelcrest check`: the host's view compared with a
// baseline image beside the document (TestBitmapCompare), and for drawings
// one image per sheet (GetBMPInSheets, then TestBitmapCompare on each file).
//
// Baselines are named after the document with its extension folded into
// the name, so no document glob matches them and a part and a drawing of
// one name keep theirs apart: bracket.vxlprt -> bracket-vxlprt.gif, its
// drawing's sheets bracket-vxldrw-sheet1.gif, ... (".cbf" with
// --image-format cbf). What each check saw is kept in the results folder:
// images/<label>/view-new.gif and view-diff.gif, sheet1-new.bmp, ...
#pragma once

#include <string>
#include <vector>

#include "tools/check/CheckCatalog.h"
#include "tools/check/CheckRunner.h"

namespace rc::tools {

// The catalog entry of the view image check.
CheckEntry viewImageCheck();

// The catalog entry that stands for the sheet images of a drawing; the
// runner expands it with sheetImageChecks().
CheckEntry sheetImagesCheck();

// Has the host save every sheet of the open drawing into the results
// folder and answers one entry per sheet, each comparing its sheet with
// the sheet's baseline. Errors of the host are raised.
std::vector<CheckEntry> sheetImageChecks(const CheckEnv& env);

// The catalog name a row's check goes by in --checks: a sheet's row
// ("TestBitmapCompare(sheet2)") goes by "GetBMPInSheets", any other by its own.
std::string catalogNameOf(const std::string& rowCheck);

}  // namespace rc::tools
