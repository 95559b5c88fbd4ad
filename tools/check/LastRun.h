// What the last check run of a document found that `ravelcrest baseline
// accept` can make its new baseline: for each check that warned, the new
// value of its properties key and the new baseline files it would write.
// Kept beside the document in .ravelcrest/<file name>/last-run.json, with
// the candidate files in .ravelcrest/<file name>/new/; a run where nothing
// warned removes both.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace rc::tools {

struct AcceptableChange {
  std::string check;
  std::string key;       // properties key, "" when the check keeps its baseline in files
  std::string oldValue;  // as the run saw them
  std::string newValue;
  // Candidate file and the baseline it replaces, both relative to the
  // document's folder.
  std::vector<std::pair<std::string, std::string>> files;
};

struct LastRun {
  std::string document;  // the label the run gave it
  std::vector<AcceptableChange> changes;
};

// The document's state folder: <folder>/.ravelcrest/<nameOnly>.
std::string stateFolderOf(const std::string& folder, const std::string& nameOnly);

// Where a candidate of baseline file `name` goes, relative to the document's
// folder, and the folder itself (created by the runner).
std::string candidatePathOf(const std::string& nameOnly, const std::string& name);

// Writes the record (or removes it and the candidates when `run` has no
// changes).
void writeLastRun(const std::string& folder, const std::string& nameOnly, const LastRun& run);

// The record of the document at `folder`/`nameOnly`; no changes when there
// is none. It is read without following a link on the way from `folder`:
// a link, folder or other non-file in its place is an OutputError naming
// it, and a damaged record, or one naming files outside the document's
// folder, a UsageError.
LastRun readLastRun(const std::string& folder, const std::string& nameOnly);

}  // namespace rc::tools
