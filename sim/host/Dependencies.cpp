#include "sim/host/Dependencies.h"

#include <filesystem>
#include <set>

#include "platform/os/Files.h"
#include "platform/os/Paths.h"
#include "sim/host/ModelFile.h"

namespace rc::sim::host::dependencies {

namespace {

bool isAbsolute(std::string_view file) {
  return (!file.empty() && platform::isSeparator(file.front())) || (file.size() >= 2 && file[1] == ':');
}

std::vector<std::string> directFiles(const DocumentModel& model, DocType type) {
  if (model.dependencies) return *model.dependencies;
  std::vector<std::string> files;
  if (type != DocType::Assembly) return files;
  for (const Configuration& c : model.configurations)
    for (const Component& k : c.components)
      if (!k.file.empty() && std::find(files.begin(), files.end(), k.file) == files.end()) files.push_back(k.file);
  return files;
}

void walk(const DocumentModel& model, const std::string& docPath, DocType type, bool traverse, int depth,
          std::set<std::string>& seen, Pairs& out) {
  for (const std::string& file : directFiles(model, type)) {
    if (out.size() >= kMaxEntries) return;
    std::string path = resolve(docPath, file);
    if (!seen.insert(path).second) continue;
    out.emplace_back(std::string(platform::fileName(path)), path);
    DocType childType = modelfile::typeForPath(path);
    if (!traverse || depth + 1 >= kMaxDepth || childType == DocType::None || !platform::fileExists(path)) continue;
    try {
      DocumentModel child = modelfile::load(path, childType);
      walk(child, path, childType, traverse, depth + 1, seen, out);
    } catch (const ModelFileError&) {
      // A dependency that cannot be read still counts; its own list is unknown.
    }
  }
}

}  // namespace

std::string resolve(const std::string& docPath, const std::string& file) {
  std::string path = isAbsolute(file) ? platform::nativePath(file)
                                      : platform::joinPath(platform::folderOf(docPath), file);
  return std::filesystem::path(path).lexically_normal().string();
}

Pairs of(const DocumentModel& model, const std::string& docPath, DocType type, bool traverse) {
  Pairs out;
  std::set<std::string> seen{docPath};
  walk(model, docPath, type, traverse, 0, seen, out);
  return out;
}

Pairs ofFile(const std::string& docPath, bool traverse) {
  DocType type = modelfile::typeForPath(docPath);
  if (type == DocType::None || !platform::fileExists(docPath)) return {};
  try {
    return of(modelfile::load(docPath, type), docPath, type, traverse);
  } catch (const ModelFileError&) {
    return {};
  }
}

std::vector<std::string> flatten(const Pairs& pairs) {
  std::vector<std::string> out;
  out.reserve(pairs.size() * 2);
  for (const auto& [name, path] : pairs) {
    out.push_back(name);
    out.push_back(path);
  }
  return out;
}

}  // namespace rc::sim::host::dependencies
