// Document files: JSON text to DocumentModel and back.
//
// Reading validates every known field and refuses, with a message that
// names the file and the field, anything of the wrong type or out of range;
// it also refuses files that are too large, too deeply nested or hold too
// many items, so that a damaged or hostile file cannot exhaust the process.
// No document tree is built: known fields go straight into the model and
// unknown ones are kept as text.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "sim/host/Model.h"

namespace rc::sim::host {

// A document file that cannot be read; what() names the file and the reason.
class ModelFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

namespace modelfile {

inline constexpr std::size_t kMaxFileBytes = 32u << 20;
inline constexpr int kMaxDepth = 24;
inline constexpr std::size_t kMaxItems = 100000;
// What reading a document may take in memory, beyond its text: this many
// times the file's size, or kMinMemory for small files. Unknown fields are
// kept as their text, so only the known items count; a file of very many
// tiny items is refused.
inline constexpr std::size_t kMemoryFactor = 7;
inline constexpr std::size_t kMinMemory = 16u << 20;

// The document type an extension stands for (None for any other).
DocType typeForPath(std::string_view path);

// Parses `text`; `label` (the file name) starts every message. Defaults are
// filled in for `type`: one "Default" configuration, a part's empty body,
// a drawing's "Sheet1" with its sheet view, the active configuration and
// current sheet.
DocumentModel parse(std::string_view text, std::string_view label, DocType type);

// Whether the existing file at `path` is read-only: it has no write
// permission bit (the read-only attribute, which binds every user, root
// included), or this process may not write it.
bool readOnlyFile(const std::string& path);

// Reads and parses the file at the native path `path`.
DocumentModel load(const std::string& path, DocType type);

// The JSON text of `model`, known fields and kept unknown fields.
std::string serialize(const DocumentModel& model);

}  // namespace modelfile
}  // namespace rc::sim::host
