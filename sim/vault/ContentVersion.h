// The host file version of a document's content: the number under the
// top-level key "fileVersion" of a host model file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace rc::sim::vault {

// The fileVersion of the file at `path`, or nullopt when the file is no
// JSON object or has no integer fileVersion in 32 bits. Reads no further
// than the key.
std::optional<std::int32_t> contentFileVersion(const std::string& path);

}  // namespace rc::sim::vault
