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

// One document whose references are being walked: its reference items and
// the index of the next one to fetch. The walk keeps these on a stack of
// its own, so the depth of a reference chain costs heap, not call stack.
struct Level {
  std::vector<au::Variant> items;
  Entry first;
  std::size_t next = 0;
  bool top = false;  // the references of the document the walk began with
};

// What became of one referenced document.
enum class Fetched {
  Done,      // fetched without references to walk, skipped or warned about
  Descend,   // fetched: its own references are walked next
  EndLevel,  // a lookup error ends the walk of its parent's references
};

// Records `doc` as visited and reads its references; nullopt when it has
// none, or when reading them failed (reported through walkFailed).
std::optional<Level> openLevel(const au::ObjectRef& doc, VisitedDocuments& visited, const ReferenceFetchHooks& hooks) {
  Level level;
  bool any = false;
  bool ok = au::trapped(
      [&] {
        visited.insert(DocumentName(doc), DocumentRevision(doc));
        au::ObjectRef refs = au::callObject(doc, "references");
        if (au::call(refs, "Count").toLong() == 0) return;
        level.items = CollectionItems(refs);
        if (level.items.empty()) return;
        const au::ObjectRef& r = level.items.front().toObject();
        level.first = Entry{au::call(r, "Name").toText(), au::call(r, "Revision").toText()};
        any = true;
      },
      [&](const au::AutomationError& e) { hooks.walkFailed(e); });
  if (!ok || !any) return std::nullopt;
  return level;
}

// The name and revision of the level's item `i`; an error reading either
// leaves it empty.
Entry entryAt(const Level& level, std::size_t i) {
  if (i == 0) return level.first;
  Entry entry;
  au::ResumeNext next(nullptr);
  const au::Variant& item = level.items[i];
  next.step([&] { entry.name = au::call(item.toObject(), "Name").toText(); });
  next.step([&] { entry.revision = au::call(item.toObject(), "Revision").toText(); });
  return entry;
}

// Fetches one referenced document (into `fetched` when its references are
// to be walked). Errors are ignored statement by statement; the most recent
// one's description is kept.
Fetched fetchEntry(const au::ObjectRef& connection, const Entry& entry, VisitedDocuments& visited,
                   const ReferenceFetchHooks& hooks, au::ObjectRef& fetched) {
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
      return Fetched::EndLevel;
  } else {
    next.step(lookup);
    if (!ref) next.step(warnMissing);
  }
  if (!ref) return Fetched::Done;
  std::int32_t size = 0;
  next.step([&] { size = DocumentSize(ref); });
  if (size <= 0) return Fetched::Done;
  if (!visited.insert(entry.name, entry.revision)) return Fetched::Done;
  std::string err;
  bool ok = false;
  next.step([&] { ok = hooks.fetch(ref, err); });
  if (ok) {
    fetched = std::move(ref);
    return Fetched::Descend;
  }
  if (!err.empty()) {
    next.step([&] { hooks.warn(lastError.empty() ? err : lastError); });
    return Fetched::Done;
  }
  next.step([&] {
    hooks.warn("Unable to retrieve document '" + entry.name + "' revision '" + entry.revision +
               "' from Keystead vault" + continuing);
  });
  return Fetched::Done;
}

}  // namespace

void FetchReferenceTree(const au::ObjectRef& connection, const au::ObjectRef& doc, VisitedDocuments& visited,
                        const ReferenceFetchHooks& hooks) {
  // Depth first, parents before children, each document's references in
  // their order: the order a recursive walk would take.
  // An error a hook raises (a warning that cannot be written) ends the
  // level it arises on; the walk goes on with the level below, as a walk
  // that recursed under "resume next" would. Only on the first level does
  // it reach the caller.
  std::vector<Level> stack;
  if (std::optional<Level> top = openLevel(doc, visited, hooks)) {
    top->top = true;
    stack.push_back(std::move(*top));
  }
  while (!stack.empty()) {
    Level& level = stack.back();
    if (level.next == level.items.size()) {
      stack.pop_back();
      continue;
    }
    const Entry entry = entryAt(level, level.next++);
    au::ObjectRef fetched;
    Fetched outcome = Fetched::EndLevel;
    try {
      outcome = fetchEntry(connection, entry, visited, hooks, fetched);
    } catch (const au::AutomationError&) {
      if (level.top) throw;
    }
    switch (outcome) {
      case Fetched::Done:
        break;
      case Fetched::EndLevel:
        stack.pop_back();
        break;
      case Fetched::Descend: {
        // A level whose last reference this was has nothing left to do:
        // it goes before its child comes, so a chain takes one level.
        if (level.next == level.items.size()) stack.pop_back();
        std::optional<Level> child;
        au::ResumeNext(nullptr).step([&] { child = openLevel(fetched, visited, hooks); });
        if (child) stack.push_back(std::move(*child));
        break;
      }
    }
  }
}

}  // namespace rc::core::vault
