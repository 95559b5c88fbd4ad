// The rules for names the vault takes: document names, revision labels and
// user names.
#pragma once

#include <string>
#include <string_view>

namespace rc::sim::vault {

// A document name is a plain file name: not empty, not "." or "..", and
// without "/", "\", ".." , NUL or control characters. Raises Refused
// naming the problem otherwise.
void checkDocumentName(std::string_view name);
// Whether `name` passes checkDocumentName.
bool isDocumentName(std::string_view name);

// A revision label is a plain file name part, so that the tasks can name a
// local copy after it (NAME_bk_<label>): the rules of a document name.
// Raises Refused naming the problem otherwise.
void checkRevisionLabel(std::string_view label);
// Whether `label` passes checkRevisionLabel.
bool isRevisionLabel(std::string_view label);

// A user name (or other label): not empty, at most 255 bytes, without
// control characters. Raises Refused naming `what` otherwise.
void checkLabel(std::string_view label, std::string_view what);

// `text` with control characters written as \n, \t, \r or \xNN, for one-line
// output.
std::string printable(std::string_view text);

}  // namespace rc::sim::vault
