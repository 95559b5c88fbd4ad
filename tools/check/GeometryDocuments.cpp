#include "tools/check/GeometryDocuments.h"

#include <filesystem>
#include <fstream>

#include <nlohmann/json.hpp>

#include "Core/interfaces/DocumentType.h"
#include "sim/host/geometry/GeometryFormat.h"

namespace rc::tools {

namespace geometry = rc::sim::host::geometry;

namespace {

// The largest sidecar read; a bigger one is left to the host to refuse.
constexpr std::uintmax_t kMaxSidecarBytes = 32 << 20;

}  // namespace

bool isGeometryDocument(std::string_view path) { return geometry::isGeometryPath(path); }

int geometryDocumentType(const std::string& path) {
  if (geometry::formatOfFile(path) == geometry::Format::Step && geometry::stepHasProductStructure(path))
    return core::kAssembly;
  return core::kPart;
}

std::set<std::string> sidecarFields(const std::string& path) {
  std::set<std::string> fields;
  std::string sidecar = geometry::sidecarPath(path);
  std::error_code ec;
  auto size = std::filesystem::file_size(sidecar, ec);
  if (ec || size > kMaxSidecarBytes) return fields;
  std::ifstream in(sidecar, std::ios::binary);
  std::string text(static_cast<std::size_t>(size), '\0');
  if (!in.read(text.data(), static_cast<std::streamsize>(size))) return fields;
  nlohmann::json j = nlohmann::json::parse(text, nullptr, false);
  if (!j.is_object()) return fields;
  for (const auto& [key, value] : j.items()) fields.insert(key);
  if (auto c = j.find("configurations"); c != j.end() && c->is_array())
    for (const auto& config : *c)
      if (config.is_object() && config.contains("features")) fields.insert("features");
  return fields;
}

}  // namespace rc::tools
