// The results folder of a check run, made ready before any check runs: it
// exists and takes files, its "data" and "performance" folders are folders,
// and the journal starts afresh (the previous run's kept as journal.1.txt).
// A folder that cannot serve is an OutputError naming the path and why.
// One run at a time: a run holds the folder's lock file
// (.ravelcrest-run.lock) from the moment it prepares the folder until it
// ends, and a second run naming the same folder meanwhile is refused
// before it touches anything there.
#pragma once

#include <string>
#include <vector>

#include "platform/os/UniqueFd.h"

namespace rc::tools {

inline constexpr const char* kResultsLockName = ".ravelcrest-run.lock";

// Prepares `folder` (creating it with its parents) and answers its
// absolute path. With `hold`, the folder's run lock is taken first (before
// anything in it changes) and handed over in `hold`.
std::string prepareResultsFolder(const std::string& folder, platform::UniqueFd* hold = nullptr);

// The file this process writes a document's journal into while it checks
// it: a dot file in `results` named after the process.
std::string journalPartOf(const std::string& results);

// Starts the journal part afresh with `heading`: a part kept from the
// worker's previous document is emptied in place (output::emptyInPlace),
// anything else left at the path (a link above all) is removed first.
void startJournalPart(const std::string& part, const std::string& heading);

// Ends the use of the journal part for a document: the part is removed,
// or kept for the next document while a KeptJournalParts lives.
void finishJournalPart(const std::string& part);

// The journal parts of one worker kept from one document to the next, so
// that a document's part is emptied rather than removed and made again (on
// a disk every new file costs more the more files were removed lately).
// While one lives, finishJournalPart of its thread keeps the part; each
// part kept is removed when it ends.
class KeptJournalParts {
 public:
  KeptJournalParts();
  ~KeptJournalParts();
  KeptJournalParts(const KeptJournalParts&) = delete;
  KeptJournalParts& operator=(const KeptJournalParts&) = delete;

  // The calling thread's table, or nullptr.
  static KeptJournalParts* current();
  // Notes that `part` is kept, to be removed at the end.
  void keep(const std::string& part);

 private:
  std::vector<std::string> parts_;
  KeptJournalParts* previous_;
};

// Appends one document's journal to the run's journal.txt in `results`.
void appendToJournal(const std::string& results, const std::string& text);

}  // namespace rc::tools
