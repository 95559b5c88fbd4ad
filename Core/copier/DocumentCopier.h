// The document copier: copies a document from a source tree into a test
// folder with its companion files and, recursively, every document it
// references, asking the host only for the reference list of the file.
//
// It reads documents only from below CopyFromPath (companions also from below
// BaselinePath) and writes only below CopyToPath: a relative path whose ".."
// would climb out is refused, a reference outside the source folder is
// skipped with a trace line, and links that lead out of a folder count as
// outside it. Every file is copied to a temporary name in its destination
// folder and then renamed, so nothing is left half-written.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>

namespace rc::core {

// Where the copier writes the trace lines of what it skipped.
using TraceSink = std::function<void(std::string_view line)>;

// The copier's state that outlives a call: the documents handled in the
// current top-level copy (emptied at level 0) and the documents copied in the
// current list run (emptied by GetAllDependDocsWithDocNotOpen). Both hold
// normalised source paths.
struct CopierSets {
  std::unordered_set<std::string> processed;
  std::unordered_set<std::string> copied;
};
CopierSets& copierSets();

// The settings of one copy run.
struct CopyOptions {
  std::string CopyToPath;
  std::string CopyFromPath;
  std::string BaselinePath;
  std::int16_t chkBaseLine = 0;
  bool listMode = false;     // consult the copied set
  bool keepFolders = true;   // the document keeps its relative folder
  TraceSink trace;           // no sink: skipped references are not traced
};

class DocumentCopyRun;

// One copy run: the folders it has listed and checked are kept for all the
// documents it copies.
class DocumentCopier {
 public:
  explicit DocumentCopier(CopyOptions options);
  ~DocumentCopier();
  DocumentCopier(const DocumentCopier&) = delete;
  DocumentCopier& operator=(const DocumentCopier&) = delete;

  // Copies the document at the relative path `relPath` (rewritten to its
  // destination path) and what it references; "" on success, otherwise
  // "GetDependencies4 Failure: " and the error's description. What was
  // copied before a failure stays.
  std::string copy(std::string& relPath, std::int16_t& level);

 private:
  std::unique_ptr<DocumentCopyRun> run_;
};

// CopyDocumentTree as one run of its own.
std::string CopyDocumentTree(std::string& relPath, std::string_view CopyToPath, std::int16_t& level,
                             std::string_view CopyFromPath, std::string_view BaselinePath, std::int16_t chkBaseLine,
                             std::int16_t listMode, bool keepFolders, TraceSink trace = {});

// Creates every missing folder along `folder`.
void MakeFolderPath(std::string_view folder);

}  // namespace rc::core
