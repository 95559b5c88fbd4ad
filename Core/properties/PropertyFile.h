// Properties files: baseline values stored as lines
//   <key> = <value>      Build: <build>, Date: <short date>
// Files are only appended to; the first matching line counts.
#pragma once

#include <string>
#include <string_view>

namespace rc::core {

// The value text of a line that belongs to `key` (its first key.size()
// characters are the key): from the fourth character after the key up to the
// first apostrophe, else up to the first "Build", else to the end. An
// apostrophe or "Build" in front of the value start raises 5.
std::string_view propertyValueText(std::string_view line, std::string_view key);

// The baseline text of `key` in `file`: the first matching line's value
// (first-match mode) or, with `sumMode`, the sum of every matching value as
// a number text. "-1" when the file or the key is missing. A byte-order
// mark at the start of the file is skipped. No trap: an
// unreadable file, or a value that is not a number in sum mode, raises.
std::string GetProperty(std::string_view key, std::string_view file, bool sumMode);

// Appends the baseline line for `key`, on a line of its own even when the
// file's last line has no line end. Returns 0, or 1 after writing the two
// failure lines to the module trace when the file cannot be written (also
// when it is a symbolic link). A key, value or build holding CR or LF raises
// 5 and writes nothing.
std::int16_t SetProperty(std::string_view key, std::string_view file, std::string_view value, std::string_view build);

// The properties file of a document: the text of `inputFile` in front of the
// first occurrence of `nameOnly`, then `nameOnly`, then ".properties".
// Raises 5 when `nameOnly` does not occur in `inputFile`.
std::string propertiesFilePath(std::string_view inputFile, std::string_view nameOnly);

}  // namespace rc::core
