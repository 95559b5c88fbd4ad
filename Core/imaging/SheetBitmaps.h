// GetBMPInSheets: one bitmap file per sheet of the active drawing.
#pragma once

#include <string>

namespace rc::core {

// Has the host save each sheet of its active document, in order, as
// BMPFilePathNameInput & n & ".BMP" (n from 1) at 400 x 400, then activates
// the sheet that was current before. Nothing is trapped.
void GetBMPInSheets(const std::string& BMPFilePathNameInput);

}  // namespace rc::core
