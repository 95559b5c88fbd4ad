// TestBitmapCompare: the image regression check of clsApplication.
#pragma once

#include <cstdint>
#include <string>

#include "Core/frame/SessionContext.h"

namespace rc::core {

// Captures the view `ViewHandle` (mode `param`: 3 takes the image from the
// work file, 1 captures the last child of the window's top-level window
// and puts it into ViewHandle, any other sizes the window first), compares
// it under `tol` with the baseline sFileNameBL (GIF or CBF, by its last
// three characters), writes the difference image to sFileNameDiff in the
// baseline's format when they differ, and creates the baseline when it is
// missing. The work file is sFileNameDiff with "bmp" for its last three
// characters. Answers 0 when the test ran to its end, 1 when it could not
// run or failed; every object it made is released on every path. Records in
// LastOutcome whether it made the baseline, or agreed or differed with it.
std::int16_t TestBitmapCompare(SessionContext& session, std::int32_t& ViewHandle, const std::string& sFileNameBL,
                               const std::string& sFileNameDiff, std::int16_t tol, std::int16_t param);

}  // namespace rc::core
