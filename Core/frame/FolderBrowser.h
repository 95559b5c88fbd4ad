// The folder-browse dialog of the component frame.
#pragma once

#include <string>

#include "platform/automation/Variant.h"

namespace rc::core {

// Converts `title` to a String in place and answers the folder the user
// chose, or "" when none was chosen (also where no interactive picker
// exists).
std::string BrowseForFolder(automation::Variant& title);

}  // namespace rc::core
