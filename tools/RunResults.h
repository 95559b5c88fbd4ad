// The results of a check run as the reports hold them: each document's rows,
// its journal lines and how long it took, in the order of the whole run's
// document list. `ravelcrest check --json` writes them and `ravelcrest
// merge` reads them back, so shards of one suite join into one report.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "tools/CheckRunner.h"

namespace rc::tools {

struct RunResults {
  std::string tolerance;        // as the summary describes it
  std::size_t documentCount = 0;  // documents of the whole run (all shards)
  std::string shard;            // "K/N", "" for a whole run
  bool interrupted = false;
  double seconds = 0;           // wall time of the run
  std::string resultsFolder;    // the folder image paths are relative to
  std::vector<DocumentResult> documents;  // by index
};

// Counts of each status over every row.
struct StatusCounts {
  int ok = 0, created = 0, warned = 0, failed = 0;
  int notApplicable = 0;
  int total() const { return ok + created + warned + failed + notApplicable; }
};
StatusCounts countStatuses(const RunResults& results);

// The JSON form (format "ravelcrest-results", version 1).
std::string resultsToJson(const RunResults& results);

// Reads the JSON form; raises UsageError naming `source` when the text is
// not results of this tool.
RunResults resultsFromJson(std::string_view text, const std::string& source);

// One document's result on its own (a worker of a parallel run sends these).
std::string documentToJson(const DocumentResult& document);
DocumentResult documentFromJson(std::string_view text);

// Joins the documents of several runs, ordered by index; a document present
// twice (overlapping shards) is kept once. The first run's tolerance holds.
RunResults mergeResults(std::vector<RunResults> parts);

}  // namespace rc::tools
