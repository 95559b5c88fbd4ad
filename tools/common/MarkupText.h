// Text for the XML and HTML reports: any bytes a journal line or a path
// holds made into valid UTF-8 without the control characters XML forbids,
// then escaped; and files inlined as base64 data.
#pragma once

#include <string>
#include <string_view>

namespace rc::tools {

// `text` with every invalid UTF-8 sequence and every control character
// other than tab, line feed and carriage return replaced by U+FFFD, and
// & < > " ' escaped.
std::string escapeMarkup(std::string_view text);

// Base64 of `data` (RFC 4648, with padding).
std::string base64(std::string_view data);

}  // namespace rc::tools
