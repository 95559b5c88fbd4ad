// The text form of the settings store, read and written as a whole.
//
//   ; a comment line (also "#")
//   [HKEY_CURRENT_USER\Software\Vexlar\Vexlar 2007\Keystead]
//   "TempAdminUser"="admin"
//   "Note"="two\nlines, a \"quote\" and a \\ backslash"
//
// A key path stands bare between the brackets (it may not hold a line end);
// names and data stand in double quotes with the escapes \\ \" \n \r \t and
// \xHH. Blank lines are ignored. CR LF and LF line ends are read; LF is
// written. Comments stay with the key they stand in.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace rc::platform::settings_text {

struct Line {
  bool comment = false;
  std::string text;  // a comment line as written
  std::string name;  // a value
  std::string data;
};

struct Section {
  std::string key;  // "" for the lines in front of the first key
  std::vector<Line> lines;
};

struct Document {
  std::vector<Section> sections;  // sections[0] is always the unnamed one
};

// Whether two key paths or value names are the same (ASCII case ignored).
bool sameName(std::string_view a, std::string_view b);

// `key` without its trailing "\" characters.
std::string_view trimKey(std::string_view key);

// Parses `text`. A malformed line raises an AutomationError whose
// description names `fileName` and the line number; a value named twice
// keeps its last data.
Document parse(std::string_view text, std::string_view fileName);

// The text of `doc`.
std::string format(const Document& doc);

// The quoted, escaped form of `s`, as names and data are written.
std::string quote(std::string_view s);

}  // namespace rc::platform::settings_text
