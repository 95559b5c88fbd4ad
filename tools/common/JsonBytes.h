// Texts the tool keeps in JSON files (results.json, last-run.json) that may
// hold bytes that are not UTF-8: a document's path on a Latin-1 file system,
// a model's text. JSON text writes such bytes as U+FFFD; the bytes
// themselves go beside the field as "<field>Bytes", in hex, only when they
// differ, so the files stay as other tools read them.
#pragma once

#include <nlohmann/json.hpp>

#include <string>

namespace rc::tools {

// Sets `j[name]` to `value`, and `j[name + "Bytes"]` too when `value` is
// not valid UTF-8.
void putText(nlohmann::json& j, const std::string& name, const std::string& value);

// The text `putText` kept under `name`: the bytes of "<name>Bytes" when it
// is there and well formed, else `j[name]`, else `fallback`. A field of
// the wrong type raises nlohmann::json::type_error.
std::string takeText(const nlohmann::json& j, const std::string& name, const std::string& fallback = "");

}  // namespace rc::tools
