// `ravelcrest baseline list` and `baseline prune`: the baselines kept
// beside documents (properties files, mass-properties files, image
// baselines and the tool's .ravelcrest folders) found by walking folders.
#pragma once

#include <ctime>
#include <ostream>
#include <string>
#include <vector>

namespace rc::tools {

struct BaselineEntry {
  std::string document;  // the document's path
  std::string name;      // the properties key or the file (relative to the document's folder)
  std::string value;     // the properties value, "" for files
  std::time_t written = 0;
};

// Every baseline of the documents in `folders` (and below them), in path order.
std::vector<BaselineEntry> listBaselines(const std::vector<std::string>& folders);

// "today", "1 day", "12 days" before `now`.
std::string ageText(std::time_t written, std::time_t now);

struct PruneOptions {
  bool dryRun = false;           // only print what would be removed
  bool includeDangling = false;  // a document that is a link to a missing file counts as gone
};

// Removes the baselines in `folders` (and below) whose document no longer
// exists, printing each: only the files the folder's baseline index records
// (BaselineIndex.h) whose names are baselines of the document it names
// them for (never a folder), and the tool's state folders. A document that is a link
// whose target is missing keeps its baselines (each printed as kept) unless
// `includeDangling`. Links are removed, never followed. Answers the number
// removed (or found, with `dryRun`).
int pruneBaselines(const std::vector<std::string>& folders, const PruneOptions& options, std::ostream& out);

}  // namespace rc::tools
