#include "Core/vault/ReferenceFetch.h"

#include <optional>
#include <vector>

#include "Core/interfaces/VaultCalls.h"
#include "Core/vault/DocumentFiles.h"
#include "platform/os/Files.h"
#include "platform/os/Paths.h"
#include "platform/automation/Trap.h"

namespace rc::core::vault {

namespace au = rc::automation;

bool FetchDocumentToDisk(const au::ObjectRef& document, std::string_view folder,
                         const std::function<bool(const std::string&, const std::string&)>& alreadyLocal,
                         const std::function<bool(std::int32_t, std::string&)>& enoughSpace,
                         std::string& returnedErrString) {
  returnedErrString.clear();
  bool result = false;
  au::trapped(
      [&] {
        const std::int32_t size = DocumentSize(document);
        const std::string name = DocumentName(document);
        const std::string rev = DocumentRevision(document);
        if (!IsPlainDocumentName(name)) {
          returnedErrString = RefusedNameText(name);
          return;
        }
        if (alreadyLocal(name, rev)) {
          result = true;
          return;
        }
        if (!enoughSpace(size, returnedErrString)) {
          returnedErrString = "No Disk Space";
          return;
        }
        // An empty folder is the drive root, as for the local file's path;
        // the root is made on first use.
        const std::string target = LocalFolder(folder);
        if (folder.empty()) platform::createFolder(target);
        au::call(document, "Save", target);
        result = true;
      },
      [&](const au::AutomationError& e) {
        result = false;
        returnedErrString = e.description() + " in function GetDocumentToDisk.";
      });
  return result;
}

bool VisitedDocuments::insert(std::string_view name, std::string_view revision) {
  std::string key(name);
  key += '\0';
  key += revision;
  return keys_.insert(std::move(key)).second;
}

namespace {

struct Entry {
  std::string name;
  std::string revision;
};

// Fetches one referenced document and walks its own references. Errors are
// ignored statement by statement; the most recent one's description is kept.
// Returns false when the walk of the parent's references ends here.
bool fetchEntry(const au::ObjectRef& connection, const Entry& entry, VisitedDocuments& visited,
                const ReferenceFetchHooks& hooks) {
  std::string lastError;
  au::ResumeNext next([&](const au::AutomationError& e) { lastError = e.description(); });
  au::ObjectRef ref;
  const std::string continuing = " but continuing with " + hooks.taskName + " task.";
  auto lookup = [&] { ref = GetSpecificDocument(connection, entry.name, entry.revision); };
  auto warnMissing = [&] {
    hooks.warn("Unable to find document '" + entry.name + "' revision '" + entry.revision + "' in Keystead vault" +
               continuing);
  };
  if (hooks.lookupErrorsEndWalk) {
    if (!au::trapped(
            [&] {
              lookup();
              if (!ref) warnMissing();
            },
            hooks.walkFailed))
      return false;
  } else {
    next.step(lookup);
    if (!ref) next.step(warnMissing);
  }
  if (!ref) return true;
  std::int32_t size = 0;
  next.step([&] { size = DocumentSize(ref); });
  if (size <= 0) return true;
  if (!visited.insert(entry.name, entry.revision)) return true;
  std::string err;
  bool fetched = false;
  next.step([&] { fetched = hooks.fetch(ref, err); });
  if (fetched) {
    next.step([&] { FetchReferenceTree(connection, ref, visited, hooks); });
    return true;
  }
  if (!err.empty()) {
    next.step([&] { hooks.warn(lastError.empty() ? err : lastError); });
    return true;
  }
  next.step([&] {
    hooks.warn("Unable to retrieve document '" + entry.name + "' revision '" + entry.revision +
               "' from Keystead vault" + continuing);
  });
  return true;
}

}  // namespace

void FetchReferenceTree(const au::ObjectRef& connection, const au::ObjectRef& doc, VisitedDocuments& visited,
                        const ReferenceFetchHooks& hooks) {
  std::vector<au::Variant> items;
  std::optional<Entry> first;
  bool ok = au::trapped(
      [&] {
        visited.insert(DocumentName(doc), DocumentRevision(doc));
        au::ObjectRef refs = au::callObject(doc, "references");
        if (au::call(refs, "Count").toLong() == 0) return;
        items = CollectionItems(refs);
        if (items.empty()) return;
        const au::ObjectRef& r = items.front().toObject();
        first = Entry{au::call(r, "Name").toText(), au::call(r, "Revision").toText()};
      },
      [&](const au::AutomationError& e) { hooks.walkFailed(e); });
  if (!ok || !first) return;
  for (std::size_t i = 0; i < items.size(); ++i) {
    Entry entry;
    if (i == 0) {
      entry = *first;
    } else {
      au::ResumeNext next(nullptr);
      const au::Variant& item = items[i];
      next.step([&] { entry.name = au::call(item.toObject(), "Name").toText(); });
      next.step([&] { entry.revision = au::call(item.toObject(), "Revision").toText(); });
    }
    if (!fetchEntry(connection, entry, visited, hooks)) return;
  }
}

}  // namespace rc::core::vault
