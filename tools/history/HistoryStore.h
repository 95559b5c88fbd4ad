// The history of check runs: every run's start time, build text and options,
// and per document and check its status, new and baseline values and the
// time the document took. Kept in an SQLite file, or in a PostgreSQL
// database given by a connection string ("postgresql://...", or
// "key=value ..." text) through the vault's two backends. A run is written in
// one transaction, so a run killed midway leaves the earlier ones as they
// were, and concurrent runs queue on the write lock.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tools/results/RunResults.h"

namespace rc::sim::vault {
class StoreBackend;
}

namespace rc::tools {

// The layout of the history this version writes; a database of a later
// one is refused.
inline constexpr int kHistoryFormat = 1;

// One row of a document's series.
struct HistoryPoint {
  std::string run;      // the run's id
  std::string started;  // UTC, ISO 8601
  std::string build;
  std::string document;
  std::string check;
  std::string status;
  std::string newValue;
  std::string baseValue;
  double seconds = 0;
};

// How a history is opened: to record runs into (made when missing), or
// only to read (an existing history, never changed, a read-only file too).
enum class HistoryAccess { Record, Read };

class HistoryStore {
 public:
  // Opens the history at `location`, with `access`. Raises UsageError when
  // it was written by a later version or is no history (a database without
  // the history's tables, read).
  explicit HistoryStore(const std::string& location, HistoryAccess access = HistoryAccess::Record);
  ~HistoryStore();
  HistoryStore(const HistoryStore&) = delete;
  HistoryStore& operator=(const HistoryStore&) = delete;

  // Records one run (`started`: UTC ISO 8601; `options`: as the summary
  // gives them) and answers its id.
  std::string record(const RunResults& results, const std::string& started, const std::string& build);

  // The last `last` runs of `document` (its label or path), oldest first,
  // restricted to `check` when it is not empty.
  std::vector<HistoryPoint> series(const std::string& document, const std::string& check, std::size_t last);

 private:
  std::unique_ptr<sim::vault::StoreBackend> db_;
};

// Whether `location` names a PostgreSQL database rather than a file: a
// "postgresql://" URL, or "key=value ..." text that names no existing file
// and whose folder part is no existing folder ("runs=2/history.db" is a file).
bool isPostgresLocation(const std::string& location);

// The current time, UTC, ISO 8601 with microseconds.
std::string utcNow();

}  // namespace rc::tools
