#include "sim/host/Dependencies.h"

#include <algorithm>
#include <filesystem>
#include <set>

#include "platform/os/Files.h"
#include "platform/os/Paths.h"
#include "sim/host/DocumentFiles.h"
#include "sim/host/ModelFile.h"
#include "sim/host/geometry/GeometryDocument.h"

namespace rc::sim::host::dependencies {

namespace {

bool isAbsolute(std::string_view file) {
  return (!file.empty() && platform::isSeparator(file.front())) || (file.size() >= 2 && file[1] == ':');
}

std::vector<std::string> directFiles(const DocumentModel& model, DocType type) {
  if (model.dependencies) return *model.dependencies;
  std::vector<std::string> files;
  if (type == DocType::Drawing) {
    // The geometry files its views are drawn from.
    for (const Sheet& s : model.sheets)
      for (const DrawingView& v : s.views)
        if (auto m = geometry::viewModel(v); m && std::find(files.begin(), files.end(), m->first) == files.end())
          files.push_back(m->first);
    return files;
  }
  if (type != DocType::Assembly) return files;
  for (const Configuration& c : model.configurations)
    for (const Component& k : c.components)
      if (!k.file.empty() && std::find(files.begin(), files.end(), k.file) == files.end()) files.push_back(k.file);
  return files;
}

// The state of one walk: the files seen (by identity, or by path when they
// do not exist) and the bytes it may still read.
struct Walk {
  bool traverse = false;
  std::set<documentfiles::FileId> files;
  std::set<std::string> missing;
  std::uint64_t bytesLeft = kMaxWalkBytes;
  Listing listing;

  // Whether `path` names a file not seen before; marks it seen.
  bool first(const std::string& path) {
    if (auto id = documentfiles::identity(path)) return files.insert(*id).second;
    return missing.insert(path).second;
  }
};

void walk(const DocumentModel& model, const std::string& docPath, DocType type, int depth, Walk& w);

// Follows the dependency at `path`: reads it (within the walk's byte
// budget) and walks its own dependencies.
void follow(const std::string& path, int depth, Walk& w) {
  DocType type = modelfile::typeForPath(path);
  if (!w.traverse || depth + 1 >= kMaxDepth || type == DocType::None || !platform::fileExists(path)) return;
  std::uint64_t size = documentfiles::size(path).value_or(0);
  if (size > modelfile::kMaxFileBytes) return;  // refused unread: its own list is unknown
  if (size > w.bytesLeft) {
    w.listing.stopped = std::string(platform::fileName(path)) + ": not searched for dependencies: the search read " +
                        std::to_string(kMaxWalkBytes >> 20) + " MiB of files already";
    return;
  }
  w.bytesLeft -= size;
  try {
    DocumentModel child = modelfile::load(path, type);
    walk(child, path, type, depth + 1, w);
  } catch (const ModelFileError&) {
    // A dependency that cannot be read still counts; its own list is unknown.
  }
}

void walk(const DocumentModel& model, const std::string& docPath, DocType type, int depth, Walk& w) {
  for (const std::string& file : directFiles(model, type)) {
    if (w.listing.pairs.size() >= kMaxEntries) return;
    std::string path = resolve(docPath, file);
    if (!w.first(path)) continue;
    w.listing.pairs.emplace_back(std::string(platform::fileName(path)), path);
    follow(path, depth, w);
  }
}

}  // namespace

std::string resolve(const std::string& docPath, const std::string& file) {
  std::string path = isAbsolute(file) ? platform::nativePath(file)
                                      : platform::joinPath(platform::folderOf(docPath), file);
  return std::filesystem::path(path).lexically_normal().string();
}

Listing of(const DocumentModel& model, const std::string& docPath, DocType type, bool traverse) {
  Walk w;
  w.traverse = traverse;
  w.first(docPath);
  walk(model, docPath, type, 0, w);
  return std::move(w.listing);
}

Listing ofFile(const std::string& docPath, bool traverse) {
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
