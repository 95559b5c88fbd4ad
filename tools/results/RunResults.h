// The results of a check run as the reports hold them: each document's rows,
// its journal lines and how long it took, in the order of the whole run's
// document list. `ravelcrest check --json` writes them and `ravelcrest
// merge` reads them back, so shards of one suite join into one report.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tools/results/CheckResults.h"

namespace rc::tools {

struct RunResults {
  std::string source;           // the file it was read from ("" for a run's own)
  std::string tolerance;        // as the summary describes it
  // The other options that decide what a run finds ("checks" = "all",
  // "image tolerance" = "0", ...), in a fixed order; runs merge only when
  // theirs agree.
  std::vector<std::pair<std::string, std::string>> settings;
  std::size_t documentCount = 0;  // documents of the whole run (all shards)
  std::string shard;            // "K/N", "" for a whole run
  bool interrupted = false;
  double seconds = 0;           // wall time of the run
  std::string resultsFolder;    // the folder image paths are relative to
  std::vector<DocumentResult> documents;  // by index
};

// Counts of each status over every row.
struct StatusCounts {
  int ok = 0, created = 0, warned = 0, failed = 0, xfailed = 0, xpassed = 0;
  int notApplicable = 0;
  int total() const { return ok + created + warned + failed + xfailed + xpassed + notApplicable; }
};
StatusCounts countStatuses(const RunResults& results);

// The exit code of joined results: 2 when a check failed or a document of
// the suite is in none of them, 1 when a check warned, else 0.
int exitCodeOf(const RunResults& results);

// The JSON form (format "ravelcrest-results", version 1).
std::string resultsToJson(const RunResults& results);

// Reads the JSON form; raises UsageError naming `source` when the text is
// not results of this tool.
RunResults resultsFromJson(std::string_view text, const std::string& source);

// One document's result on its own, as a worker of a parallel run sends it:
// the JSON form's fields in CBOR, which carries every byte of a journal, a
// label or a path as it is (the JSON text would replace bytes that are not
// UTF-8).
std::string documentToRecord(const DocumentResult& document);
DocumentResult documentFromRecord(std::string_view record);

// The most documents a results file may count.
inline constexpr std::size_t kMaxDocumentCount = 100'000'000;

// Joins the documents of several runs, ordered by index. Runs whose
// tolerance or settings differ are refused (UsageError naming the files and
// the difference), and so is a document (an index) in two runs, unless
// `preferLater`: then the later run's result replaces the earlier one and
// `replaced` (when given) counts them.
RunResults mergeResults(std::vector<RunResults> parts, bool preferLater = false, std::size_t* replaced = nullptr);

}  // namespace rc::tools
