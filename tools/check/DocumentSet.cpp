#include "tools/check/DocumentSet.h"
#include "tools/check/GeometryDocuments.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <set>
#include <system_error>

#include "Core/interfaces/DocumentType.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/Registry.h"
#include "platform/automation/SafeArray.h"
#include "platform/os/Paths.h"
#include "tools/check/CheckCatalog.h"
#include "tools/common/Command.h"

namespace rc::tools {

namespace fs = std::filesystem;
namespace au = rc::automation;

namespace {

fs::path absoluteNormal(const fs::path& p) { return fs::absolute(p).lexically_normal(); }

// The path a command-line name stands for: literal when a file or folder of
// that name exists (a backslash is then part of a name), else with "\" read
// as a separator.
fs::path pathOfArgument(const std::string& given) {
  std::error_code ec;
  if (fs::exists(fs::path(given), ec)) return absoluteNormal(given);
  return absoluteNormal(platform::nativePath(given));
}

bool isDotName(const fs::path& p) {
  std::string name = p.filename().string();
  return !name.empty() && name[0] == '.';
}

// Why `path`, named on the command line or found in a folder with a
// document's name and neither a folder nor a regular file, is no document
// that can be opened.
std::string missingDocumentProblem(const fs::path& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0)
    return errno == ENOENT || errno == ENOTDIR ? "no such document" : std::generic_category().message(errno);
  if (S_ISLNK(st.st_mode)) {
    if (::stat(path.c_str(), &st) == 0) return "a link to something that is not a document file";
    if (errno == ENOENT) return "a link whose target is missing";
    if (errno == ELOOP) return "a link in a loop of links";
    return "a link that cannot be followed: " + std::generic_category().message(errno);
  }
  if (S_ISFIFO(st.st_mode)) return "a FIFO, not a document file";
  if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) return "a device, not a document file";
  if (S_ISSOCK(st.st_mode)) return "a socket, not a document file";
  return "no such document";
}

// Whether the folder `path` cannot be listed and entered (answers why, or "").
std::string unreadableFolder(const fs::path& path) {
  if (::access(path.c_str(), R_OK | X_OK) == 0) return "";
  return std::generic_category().message(errno);
}

// Adds the documents in `folder` and below to `found` (sorted), and to
// `unusable`, with why, each folder among them that cannot be read and each
// entry named as a document that is no file (a dangling link, a FIFO).
void addFolder(const fs::path& folder, std::vector<fs::path>& found,
               std::vector<std::pair<fs::path, std::string>>& unusable) {
  if (std::string why = unreadableFolder(folder); !why.empty()) {
    unusable.emplace_back(folder, "a folder that cannot be read (" + why + "): its documents are not checked");
    return;
  }
  std::vector<fs::path> documents;
  std::error_code ec;
  fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    const fs::directory_entry& e = *it;
    if (isDotName(e.path())) {
      if (e.is_directory(ec)) it.disable_recursion_pending();
      continue;
    }
    if (!e.is_symlink(ec) && e.is_directory(ec)) {
      if (std::string why = unreadableFolder(e.path()); !why.empty()) {
        unusable.emplace_back(e.path().lexically_normal(),
                              "a folder that cannot be read (" + why + "): its documents are not checked");
        it.disable_recursion_pending();
      }
      continue;
    }
    if (documentTypeOf(e.path().string()) == 0) continue;
    if (e.is_regular_file(ec)) documents.push_back(e.path().lexically_normal());
    else if (!e.is_directory(ec)) unusable.emplace_back(e.path().lexically_normal(), missingDocumentProblem(e.path()));
  }
  std::sort(documents.begin(), documents.end());
  found.insert(found.end(), documents.begin(), documents.end());
}

// The deepest folder that holds every path of `paths` (files).
fs::path commonFolder(const std::vector<fs::path>& paths) {
  if (paths.empty()) return {};
  fs::path common = paths.front().parent_path();
  for (const fs::path& p : paths) {
    fs::path folder = p.parent_path();
    fs::path shared;
    auto a = common.begin(), b = folder.begin();
    for (; a != common.end() && b != folder.end() && *a == *b; ++a, ++b) shared /= *a;
    common = shared;
  }
  return common;
}

bool isInside(const fs::path& inner, const fs::path& outer) {
  auto a = outer.begin(), b = inner.begin();
  for (; a != outer.end(); ++a, ++b)
    if (b == inner.end() || *a != *b) return false;
  return true;
}

// The existing documents `document` references, directly or through others.
std::vector<fs::path> referencesOf(const au::ObjectRef& host, const fs::path& document) {
  std::vector<fs::path> refs;
  au::Variant list = au::call(host, "GetDocumentDependencies2",
                              {au::Variant(document.string()), au::Variant(true), au::Variant(true), au::Variant(false)});
  if (!list.isArray()) return refs;
  const std::vector<au::Variant>& items = list.asArray().items();
  std::error_code ec;
  for (std::size_t i = 1; i < items.size(); i += 2) {
    fs::path p = absoluteNormal(items[i].toText());
    if (fs::is_regular_file(p, ec)) refs.push_back(p);
  }
  return refs;
}

// Files beside `document` that belong to it: "bracket-view.bmp" and
// "bracket.gif" for bracket.vxlprt; never documents or baseline files.
std::vector<fs::path> companionsOf(const fs::path& document) {
  std::vector<fs::path> found;
  std::string stem = document.stem().string();
  std::error_code ec;
  for (fs::directory_iterator it(document.parent_path(), ec), end; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    if (name.size() <= stem.size() || name.compare(0, stem.size(), stem) != 0) continue;
    if (name[stem.size()] != '-' && name[stem.size()] != '.') continue;
    if (documentTypeOf(name) != 0 || isBaselineFile(name) || !it->is_regular_file(ec)) continue;
    found.push_back(it->path());
  }
  return found;
}

// Copies `from` to `to` unless they are the same file; a link at `to` is
// replaced, never written through.
void copyOne(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  if (fs::exists(to, ec) && fs::equivalent(from, to, ec)) return;
  fs::create_directories(to.parent_path());
  if (fs::is_symlink(fs::symlink_status(to, ec))) fs::remove(to);
  fs::copy_file(from, to, fs::copy_options::overwrite_existing);
}

// Why `path` cannot serve as a folder of the tool's state: "" when it is a
// folder or is missing (it is made then).
std::string stateEntryProblem(const fs::path& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return "";
  if (S_ISLNK(st.st_mode))
    return path.string() + " is a symbolic link; the tool keeps a document's state only in a folder of its own "
                           "beside it (remove the link)";
  if (!S_ISDIR(st.st_mode)) return path.string() + " is not a folder; the tool keeps a document's state there";
  return "";
}

}  // namespace

std::string stateFolderProblem(const std::string& path) {
  const fs::path states = fs::path(path).parent_path() / std::string(kStateFolderName);
  if (std::string problem = stateEntryProblem(states); !problem.empty()) return problem;
  // A name with a backslash is reached through a link of the tool's own
  // in the state folder (hostPathOf), which stands where its folder would.
  if (hostPathOf(path) != path) return "";
  const fs::path own = states / std::string(platform::fileName(path));
  if (std::string problem = stateEntryProblem(own); !problem.empty()) return problem;
  return stateEntryProblem(own / "new");
}

int documentTypeOf(std::string_view path) {
  // The extension as the file system reads it: a hidden ".vxlprt" has none.
  const std::string ext = fs::path(std::string(platform::fileName(path))).extension().string();
  if (const core::DocumentExtension* e = core::findDocumentExtension(ext.empty() ? ext : ext.substr(1)))
    return e->hostType;  // a library feature part too: the host opens it as a part
  if (isGeometryDocument(path)) return 1;  // the content tells a part from an assembly
  return 0;
}

std::string hostPathOf(const std::string& path) {
  fs::path doc(path);
  std::string name = doc.filename().string();
  if (name.find('\\') == std::string::npos || doc.parent_path().string().find('\\') != std::string::npos) return path;
  std::string alias = name;
  for (std::size_t p = 0; (p = alias.find('\\', p)) != std::string::npos; p += 3) alias.replace(p, 1, "%5C");
  fs::path folder = doc.parent_path() / std::string(kStateFolderName);
  fs::path link = folder / alias;
  fs::path target = fs::path("..") / name;
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (fs::is_symlink(fs::symlink_status(link, ec)) && fs::read_symlink(link, ec) == target) return link.string();
  fs::remove(link, ec);
  fs::create_symlink(target, link, ec);
  return ec ? path : link.string();
}

std::vector<DocumentItem> collectDocuments(const std::vector<std::string>& arguments, std::ostream& notes) {
  std::vector<DocumentItem> items;
  // A document is known by its folder's real path and its own name: the
  // same file reached through a link to its folder is checked once (its
  // baselines beside it are the same), while a link to a document beside
  // it is a document of its own (named differently, with baselines of its
  // own).
  std::set<fs::path> seen;
  auto add = [&](const std::string& given, const fs::path& path) {
    std::error_code ec;
    fs::path folder = fs::weakly_canonical(path.parent_path(), ec);
    if (ec) folder = path.parent_path();
    if (seen.insert(folder / path.filename()).second) items.push_back(DocumentItem{given, path.string(), "", ""});
  };
  for (const std::string& given : arguments) {
    fs::path path = pathOfArgument(given);
    std::error_code ec;
    if (fs::is_directory(path, ec)) {
      std::vector<fs::path> found;
      std::vector<std::pair<fs::path, std::string>> unusable;
      addFolder(path, found, unusable);
      if (found.empty() && unusable.empty()) notes << "ravelcrest: check: no documents in folder " << given << "\n";
      for (const fs::path& p : found) add(p.string(), p);
      // What cannot be checked is a FAILED row, never a silent gap (its path
      // kept, so that a suite file's skip globs still leave it out).
      std::sort(unusable.begin(), unusable.end());
      for (const auto& [entry, why] : unusable)
        items.push_back(DocumentItem{entry.string(), entry.string(), entry.string(), why});
    } else if (isBaselineFile(given)) {
      notes << "ravelcrest: check: skipping " << given << ": a baseline file, not a document\n";
    } else if (fs::is_regular_file(path, ec)) {
      add(given, path);
    } else {
      items.push_back(DocumentItem{given, "", given, missingDocumentProblem(path)});
    }
  }
  std::vector<fs::path> present;
  for (const DocumentItem& d : items)
    if (d.problem.empty()) present.emplace_back(d.path);
  fs::path common = commonFolder(present);
  for (DocumentItem& d : items)
    if (d.problem.empty()) d.label = fs::path(d.path).lexically_relative(common).string();
  return items;
}

void copyIntoWorkFolder(std::vector<DocumentItem>& documents, const std::string& work) {
  fs::path target = absoluteNormal(work);
  fs::path resolvedTarget = fs::weakly_canonical(target);
  au::ObjectRef host = au::createObject("Vexlar.Application");
  std::vector<fs::path> sources;
  std::set<fs::path> seen;
  auto add = [&](const fs::path& p) {
    if (seen.insert(p).second) sources.push_back(p);
  };
  for (const DocumentItem& d : documents) {
    if (!d.problem.empty()) continue;
    add(d.path);
    for (const fs::path& c : companionsOf(d.path)) add(c);
    for (const fs::path& r : referencesOf(host, d.path)) {
      add(r);
      for (const fs::path& c : companionsOf(r)) add(c);
    }
  }
  for (const fs::path& s : sources) {
    fs::path folder = fs::weakly_canonical(s.parent_path());
    if (isInside(resolvedTarget, folder))
      throw UsageError("check: the work folder " + work + " is inside " + folder.string() +
                       ", a folder of the documents it would copy; choose a work folder outside it");
  }
  if (sources.empty()) return;
  fs::path root = commonFolder(sources);
  fs::path base = target / root.filename();
  // A work folder that holds the documents' folder (its parent) would take
  // the copies at the documents' own places: the run would write beside
  // the documents after all.
  std::error_code ec;
  if (fs::weakly_canonical(base, ec) == fs::weakly_canonical(root, ec))
    throw UsageError("check: the work folder " + work + " holds " + root.string() +
                     ", the folder of the documents it would copy, so the copies would be the documents themselves; "
                     "choose a work folder outside it");
  try {
    for (const fs::path& s : sources) copyOne(s, base / s.lexically_relative(root));
  } catch (const fs::filesystem_error& e) {
    throw UsageError("check: cannot copy the documents into the work folder " + work + ": " + e.code().message() +
                     " (" + e.path1().string() + ")");
  }
  for (DocumentItem& d : documents)
    if (d.problem.empty()) d.path = (base / fs::path(d.path).lexically_relative(root)).string();
}

}  // namespace rc::tools
