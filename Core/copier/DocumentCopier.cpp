#include "Core/copier/DocumentCopier.h"

#include <limits>
#include <unordered_map>
#include <vector>

#include "Core/copier/CompanionIndex.h"
#include "Core/copier/CopyPaths.h"
#include "Core/interfaces/HostLists.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/Error.h"
#include "platform/automation/Registry.h"
#include "platform/automation/Trap.h"
#include "platform/os/FileTree.h"
#include "platform/os/Files.h"
#include "platform/os/Paths.h"
#include "platform/os/System.h"

namespace rc::core {

namespace au = rc::automation;

namespace {

constexpr std::string_view kFailure = "GetDependencies4 Failure: ";
constexpr std::string_view kFailureIndent = "      ";  // before the path that failed
constexpr std::string_view kSkippedReference = "GetDependencies4 Skipped: reference outside the source folder: ";
constexpr std::string_view kSkippedFile = "GetDependencies4 Skipped: file outside its folder: ";

// Companion extensions, in the order they are copied.
const std::vector<std::string>& companionExtensions() {
  static const std::vector<std::string> extensions{".properties", ".massprop", ".gif", ".memDump.memleakResults.htm"};
  return extensions;
}

// The host application for reading one document's references: the running
// one, or one started here and closed again when the lease ends.
class HostLease {
 public:
  HostLease() {
    au::trapped([&] { app_ = au::getObject("Vexlar.Application"); }, [](const au::AutomationError&) {});
    if (app_) return;
    app_ = au::createObject("Vexlar.Application");
    started_ = true;
  }
  ~HostLease() {
    if (started_) au::trapped([&] { au::call(app_, "ExitApp"); }, [](const au::AutomationError&) {});
  }
  HostLease(const HostLease&) = delete;
  HostLease& operator=(const HostLease&) = delete;
  const au::ObjectRef& app() const { return app_; }

 private:
  au::ObjectRef app_;
  bool started_ = false;
};

}  // namespace

CopierSets& copierSets() {
  static CopierSets sets;
  return sets;
}

void MakeFolderPath(std::string_view folder) {
  if (folder.empty() || platform::folderExists(folder)) return;
  platform::createFolder(folder);
}

// One copy run: the roots in normal and in resolved form, the folders listed
// for companions and the folders already found inside their roots.
class DocumentCopyRun {
 public:
  explicit DocumentCopyRun(CopyOptions options)
      : opt_(std::move(options)),
        toRoot_(normalRoot(opt_.CopyToPath)),
        fromRoot_(normalRoot(opt_.CopyFromPath)),
        baseRoot_(normalRoot(opt_.BaselinePath)),
        useBaseline_(!opt_.BaselinePath.empty() && opt_.chkBaseLine == 1),
        companions_(companionExtensions()) {}

  // The document at `relPath` and, depth first, every document it
  // references, as nested calls would take them. The references are walked
  // with a stack of their own, so a long chain of references needs no deep
  // recursion; their failures go to the trace, not into the answer.
  std::string copyTree(std::string& relPath, std::int16_t& level) {
    std::string failure;
    std::vector<std::string> references;
    if (!visit(relPath, level, references, &failure)) return failure;
    std::vector<std::pair<std::vector<std::string>, std::size_t>> pending;
    pending.emplace_back(std::move(references), 0);
    while (!pending.empty()) {
      auto& [list, next] = pending.back();
      if (next == list.size()) {
        pending.pop_back();
        continue;
      }
      std::string child = "/" + list[next++];
      std::vector<std::string> childReferences;
      std::string childFailure;
      if (!visit(child, level, childReferences, &childFailure)) {
        // The run goes on, but a referenced document that could not be
        // copied is not passed over in silence.
        trace(childFailure);
        trace(std::string(kFailureIndent) + child);
        continue;
      }
      if (!childReferences.empty()) pending.emplace_back(std::move(childReferences), 0);
    }
    return failure;
  }

 private:
  // One document under the trap: answers whether it went through; the
  // failure text goes to `failure` when one is wanted.
  bool visit(std::string& relPath, std::int16_t& level, std::vector<std::string>& references, std::string* failure) {
    platform::doEvents();
    if (level == 0) copierSets().processed.clear();
    return au::trapped([&] { copyDocument(relPath, level, references); },
                       [&](const au::AutomationError& e) {
                         if (failure != nullptr) *failure = std::string(kFailure) + e.description();
                       });
  }

  // Copies one document and its companions; `references` receives the
  // documents it references that lie in the source tree.
  void copyDocument(std::string& relPath, std::int16_t& level, std::vector<std::string>& references) {
    if (relPath.empty() || !platform::isSeparator(relPath.front())) relPath.insert(0, "/");
    const std::string rel = relPath;
    // The path the document is written to: an empty destination is the
    // drive root.
    relPath = (opt_.CopyToPath.empty() ? toRoot_ : opt_.CopyToPath) + rel;
    const DocumentPath doc = parseDocumentPath(rel);

    const std::string destFolder = joinNormal(toRoot_, doc.folder);
    const std::string sourceFolder = joinNormal(fromRoot_, doc.folder);
    const std::string source = joinNormal(sourceFolder, doc.name);
    if (!folderInside(destFolder, toRoot_)) refuse("The destination lies outside the destination folder: ", destFolder);
    if (madeFolders_.count(destFolder) == 0) {
      MakeFolderPath(destFolder);
      madeFolders_.insert(destFolder);
    }

    CopierSets& sets = copierSets();
    if (sets.processed.count(source) != 0) return;
    if (!inside(source, fromRoot_)) refuse("The document lies outside the source folder: ", source);
    const std::string target = joinNormal(opt_.keepFolders ? destFolder : toRoot_, doc.name);
    if (!opt_.listMode || sets.copied.count(source) == 0) {
      copyFile(source, target);
      if (opt_.listMode) sets.copied.insert(source);
    }
    sets.processed.insert(source);

    copyCompanions(doc, sourceFolder, destFolder);
    references = readReferences(source, sourceFolder, level);
  }

  // The companions of `doc`, per extension from the baseline folder when it
  // has any, else from the source folder, into `destFolder`.
  void copyCompanions(const DocumentPath& doc, const std::string& sourceFolder, const std::string& destFolder) {
    const std::string baseFolder = joinNormal(baseRoot_, doc.folder);
    for (std::size_t ext = 0; ext < companionExtensions().size(); ++ext) {
      std::string from = sourceFolder;
      std::vector<platform::FileEntry> files;
      if (useBaseline_ && baselineFolderUsable(baseFolder)) {
        files = companions_.match(baseFolder, doc.base, ext);
        from = baseFolder;
      }
      if (files.empty()) {
        files = companions_.match(sourceFolder, doc.base, ext);
        from = sourceFolder;
      }
      const std::string& root = from == sourceFolder ? fromRoot_ : baseRoot_;
      for (const platform::FileEntry& file : files) {
        const std::string path = joinNormal(from, file.name);
        if (file.link && !resolvesWithin(path, root)) {
          trace(std::string(kSkippedFile) + path);
          continue;
        }
        copyFile(path, joinNormal(destFolder, file.name));
      }
    }
  }

  // The references of `source` that lie in the source tree, relative to it;
  // the others are traced as skipped. Counts the document on `level`.
  std::vector<std::string> readReferences(const std::string& source, const std::string& sourceFolder,
                                          std::int16_t& level) {
    au::Variant list;
    std::int32_t count = 0;
    {
      HostLease host;
      au::call(host.app(), "SetCurrentWorkingDirectory", sourceFolder);
      count = hostCount(au::call(host.app(), "GetDocumentDependenciesCount", source, true, true));
      list = au::call(host.app(), "GetDocumentDependencies2", source, true, true, false);
      // Only level 0 matters (it starts a copy afresh); the count stops
      // short of overflowing in a very large tree.
      if (level < std::numeric_limits<std::int16_t>::max()) ++level;
    }
    std::vector<std::string> references;
    const CopierSets& sets = copierSets();
    for (std::int32_t i = 0; i < count; i += 2) {
      const std::string path = hostText(listItem(list, i + 1));
      if (!platform::fileExists(path)) continue;
      // A document already handled would return at once; the check is cheaper here.
      if (sets.processed.count(platform::normalPath(path)) != 0) continue;
      std::optional<std::string> rel = relativeWithin(path, fromRoot_);
      if (!rel || !inside(path, fromRoot_)) {
        trace(std::string(kSkippedReference) + path);
        continue;
      }
      references.push_back(std::move(*rel));
    }
    return references;
  }

  // A file copied onto itself is left alone. Another name for the same
  // file is harmless: the copy is made whole before it replaces the target.
  void copyFile(const std::string& from, const std::string& to) {
    if (from != to) platform::copyFileReplacing(from, to);
  }

  // Whether the file `path` lies below `root` once every link along both is
  // followed: its folder does (asked once per folder) and it is no link that
  // leads out.
  bool inside(const std::string& path, const std::string& root) {
    if (!folderInside(std::string(platform::folderOf(path)), root)) return false;
    return !platform::isLink(path) || resolvesWithin(path, root);
  }

  bool resolvesWithin(const std::string& path, const std::string& root) {
    return platform::pathWithin(platform::resolvedPath(path), resolvedRoot(root));
  }

  // inside() for a folder, asked once per run.
  bool folderInside(const std::string& folder, const std::string& root) {
    const std::string key = root + '\n' + folder;
    auto found = folderChecks_.find(key);
    if (found == folderChecks_.end()) found = folderChecks_.emplace(key, resolvesWithin(folder, root)).first;
    return found->second;
  }

  // A baseline folder outside its root is traced once and has no files.
  bool baselineFolderUsable(const std::string& folder) {
    const bool known = folderChecks_.count(baseRoot_ + '\n' + folder) != 0;
    const bool ok = folderInside(folder, baseRoot_);
    if (!ok && !known) trace(std::string(kSkippedFile) + folder);
    return ok;
  }

  [[noreturn]] static void refuse(std::string_view description, const std::string& path) {
    au::raise(au::err::PathFileAccessError, std::string(description) + path, "");
  }

  const std::string& resolvedRoot(const std::string& root) {
    auto found = resolvedRoots_.find(root);
    if (found == resolvedRoots_.end()) found = resolvedRoots_.emplace(root, platform::resolvedPath(root)).first;
    return found->second;
  }

  // A trace line that cannot be written is passed over: the copy goes on.
  void trace(const std::string& line) {
    if (opt_.trace) au::ResumeNext(nullptr).step([&] { opt_.trace(line); });
  }

  static std::string joinNormal(const std::string& folder, const std::string& name) {
    if (name.empty()) return folder;
    return folder == "/" ? "/" + name : folder + "/" + name;
  }

  CopyOptions opt_;
  std::string toRoot_, fromRoot_, baseRoot_;
  bool useBaseline_;
  CompanionIndex companions_;
  std::unordered_map<std::string, bool> folderChecks_;  // by root, "\n" and folder
  std::unordered_map<std::string, std::string> resolvedRoots_;
  std::unordered_set<std::string> madeFolders_;  // destination folders made in this run
};

DocumentCopier::DocumentCopier(CopyOptions options) : run_(std::make_unique<DocumentCopyRun>(std::move(options))) {}

DocumentCopier::~DocumentCopier() = default;

std::string DocumentCopier::copy(std::string& relPath, std::int16_t& level) { return run_->copyTree(relPath, level); }

std::string CopyDocumentTree(std::string& relPath, std::string_view CopyToPath, std::int16_t& level,
                             std::string_view CopyFromPath, std::string_view BaselinePath, std::int16_t chkBaseLine,
                             std::int16_t listMode, bool keepFolders, TraceSink trace) {
  CopyOptions options{std::string(CopyToPath), std::string(CopyFromPath), std::string(BaselinePath), chkBaseLine,
                      listMode == 1, keepFolders, std::move(trace)};
  return DocumentCopier(std::move(options)).copy(relPath, level);
}

}  // namespace rc::core
