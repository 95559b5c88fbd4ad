#include "sim/host/geometry/GeometryFormat.h"

#include <fstream>

namespace rc::sim::host::geometry {

namespace {

bool endsWithNoCase(std::string_view s, std::string_view suffix) {
  if (s.size() < suffix.size()) return false;
  for (std::size_t i = 0; i < suffix.size(); ++i) {
    char c = s[s.size() - suffix.size() + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != suffix[i]) return false;
  }
  return true;
}

}  // namespace

bool isGeometryPath(std::string_view path) {
  return endsWithNoCase(path, ".step") || endsWithNoCase(path, ".stp") || endsWithNoCase(path, ".brep");
}

Format formatOf(std::string_view head) {
  if (head.substr(0, 3) == "\xEF\xBB\xBF") head.remove_prefix(3);
  while (!head.empty() && (head.front() == ' ' || head.front() == '\t' || head.front() == '\r' || head.front() == '\n'))
    head.remove_prefix(1);
  if (head.substr(0, 13) == "ISO-10303-21;") return Format::Step;
  if (head.substr(0, 19) == "DBRep_DrawableShape" || head.substr(0, 16) == "CASCADE Topology") return Format::Brep;
  return Format::Unknown;
}

Format formatOfFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return Format::Unknown;
  char buf[256];
  in.read(buf, sizeof buf);
  return formatOf(std::string_view(buf, static_cast<std::size_t>(in.gcount())));
}

bool stepHasProductStructure(const std::string& path) {
  constexpr std::string_view word = "NEXT_ASSEMBLY_USAGE_OCCURRENCE";
  std::ifstream in(path, std::ios::binary);
  std::string carry, block(1 << 16, '\0');
  while (in.read(block.data(), static_cast<std::streamsize>(block.size())) || in.gcount() > 0) {
    std::string text = carry + block.substr(0, static_cast<std::size_t>(in.gcount()));
    if (text.find(word) != std::string::npos) return true;
    carry = text.substr(text.size() > word.size() ? text.size() - word.size() : 0);
  }
  return false;
}

std::string sidecarPath(const std::string& path) { return path + ".json"; }

}  // namespace rc::sim::host::geometry
