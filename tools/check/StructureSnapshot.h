// The tool's own structure baselines: what the library's checks only count
// or journal, kept item by item beside the document so that any change is
// reported with what moved.
//
// - Assemblies (row "Components"): each top-level component of the active
//   configuration, by name: its file relative to the assembly, its
//   suppression state and whether it is hidden.
// - Drawings (row "Views"): per sheet, each view (the sheet's own first):
//   its name, position, outline, scale and number of annotations.
//
// Each is kept as .ravelcrest/<file name>/<snapshot file>: one line per item,
// "KEY<TAB>field=value<TAB>...". Read from the host late-bound.
#pragma once

#include <string>
#include <vector>

#include "tools/check/CheckCatalog.h"
#include "tools/check/CheckRunner.h"
#include "tools/check/LastRun.h"

namespace rc::tools {

// One item of a snapshot: its key and its fields in order.
struct SnapshotItem {
  std::string key;
  std::vector<std::pair<std::string, std::string>> fields;
};

// The items of the open document's structure for `entry` ("Components" or
// "Views"), their texts escaped for the snapshot file (backslash, tab, CR,
// LF) and a repeated key numbered ("bolt-1 #2"). Raises AutomationError
// when the host cannot answer.
std::vector<SnapshotItem> readStructure(const CheckEntry& entry, const CheckEnv& env);

// The snapshot file's text of `items`, and the items of such a text.
std::string snapshotText(const std::vector<SnapshotItem>& items);
std::vector<SnapshotItem> parseSnapshot(const std::string& text);

// What differs from `baseline` in `fresh`, one phrase per difference, in
// the baseline's order then the added items': "removed bolt-3",
// "added bolt-9", "bolt-2: suppression 2 -> 0".
std::vector<std::string> snapshotDifferences(const std::vector<SnapshotItem>& baseline,
                                             const std::vector<SnapshotItem>& fresh);

// "a; b; c" of the first `limit` phrases, then "and N more".
std::string joinLimited(const std::vector<std::string>& phrases, std::size_t limit);

// Compares `fresh` with the snapshot baseline `file` (a name in the
// document's state folder) and completes `row`: BASELINE CREATED when there
// was none (FAILED under --ci), WARNING with the differences, NEW/BASELINE
// counts. A warning adds a candidate to `lastRun`. OutputError when a file
// cannot be written.
void compareSnapshot(const std::string& file, const std::vector<SnapshotItem>& fresh, const CheckEnv& env,
                     const RunOptions& options, CheckRow& row, LastRun& lastRun);

// The journal block of a check that only journals, with the volatile lines
// left out: empty lines, and lines holding a date (2026-12-08, 12/08/2026),
// a time of day (14:05, 14:05:22), a process ID ("Process", "PID") or a
// timing ("seconds", "sec", "Elapsed", "Time:"), and the session-kind
// header ("Information (ST)" or "(MT)"), which depends on --multi-session
// rather than on the model. Lines that repeat are kept as they repeat.
std::vector<std::string> stableJournalLines(const std::vector<std::string>& journal);

enum class SnapshotOutcome { Agreed, Created, Changed, Missing };

// Compares the journal block `lines` of check `check` with its snapshot
// baseline (.ravelcrest/<file name>/journal-<check>.txt), creating it when
// missing (Missing under --ci, nothing written). A change puts every changed
// line (up to a limit) into `row.detail` and a candidate into `change`.
SnapshotOutcome compareJournalSnapshot(const std::string& check, const std::vector<std::string>& lines,
                                       const CheckEnv& env, const RunOptions& options, CheckRow& row,
                                       AcceptableChange& change);

// Runs a structure check ("Components" or "Views") on the open document.
CheckRow runStructureCheck(const CheckEntry& entry, const CheckEnv& env, const RunOptions& options, LastRun& lastRun);

}  // namespace rc::tools
