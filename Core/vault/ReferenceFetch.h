// The fetch of a vault document's reference tree into the task's folder,
// parents before children. One walk keeps one set of the documents it has
// seen, so a reference cycle (A -> B -> A) ends instead of recursing forever.
#pragma once

#include <functional>
#include <set>
#include <string>
#include <string_view>

#include "platform/automation/Dispatch.h"
#include "platform/automation/Error.h"

namespace rc::core::vault {

// GetDocumentToDisk of both tasks: brings `document` into `folder` unless
// `alreadyLocal(name, revision)` finds it there. A name that is not a plain
// file name is refused; too little room (`enoughSpace(size, text)` false)
// gives "No Disk Space". A trapped error's text ends in
// " in function GetDocumentToDisk.".
bool FetchDocumentToDisk(const automation::ObjectRef& document, std::string_view folder,
                         const std::function<bool(const std::string& name, const std::string& revision)>& alreadyLocal,
                         const std::function<bool(std::int32_t size, std::string& text)>& enoughSpace,
                         std::string& returnedErrString);

// The documents (name and revision) one top-level walk has reached.
class VisitedDocuments {
 public:
  // Records the document; false when it was recorded before.
  bool insert(std::string_view name, std::string_view revision);

 private:
  std::set<std::string> keys_;
};

struct ReferenceFetchHooks {
  // Brings one document to disk (the task's GetDocumentToDisk).
  std::function<bool(const automation::ObjectRef& doc, std::string& returnedErrString)> fetch;
  // Writes one warning line.
  std::function<void(std::string_view text)> warn;
  // A run-time error that ends one document's walk (before its first
  // lookup, or in a lookup when lookups are trapped).
  std::function<void(const automation::AutomationError& e)> walkFailed;
  // The task named in the warnings: "Update" or "Print".
  std::string taskName = "Update";
  // Whether an error of a vault lookup ends the walk (else it is ignored and
  // the reference counts as missing).
  bool lookupErrorsEndWalk = false;
};

// Fetches the documents `doc` references and theirs, to any depth: the walk
// keeps its own stack, so a long reference chain cannot exhaust the call
// stack. A reference the vault lacks, or that cannot be fetched, is warned
// about and the walk goes on; one of size 0 is skipped. Raises nothing.
void FetchReferenceTree(const automation::ObjectRef& connection, const automation::ObjectRef& doc,
                        VisitedDocuments& visited, const ReferenceFetchHooks& hooks);

}  // namespace rc::core::vault
