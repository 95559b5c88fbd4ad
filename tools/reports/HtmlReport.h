// The HTML report of a run: one self-contained page (styles, script and
// images inline; nothing fetched) with the summary at the top, then one
// section per document: its checks' status, values and messages, the images
// of image checks side by side with a slider laying the new image over the
// baseline, and the document's journal.
#pragma once

#include <string>

#include "tools/results/RunResults.h"

namespace rc::tools {

// `imageFolder` is the folder the rows' image paths are relative to (the
// results folder); an image that cannot be read is named instead of shown.
std::string htmlReport(const RunResults& results, const std::string& imageFolder);

}  // namespace rc::tools
