// Runs the catalog's checks on documents through the library's automation
// interface, as any harness would: the host and clsApplication by ProgID,
// their members by name.
#pragma once

#include <string>
#include <vector>

#include "tools/DocumentSet.h"

namespace rc::tools {

enum class Status { Ok, BaselineCreated, Warning, Failed };

const char* statusText(Status s);  // "OK", "BASELINE CREATED", "WARNING", "FAILED"

struct CheckRow {
  std::string document;  // the document's label
  std::string check;
  Status status = Status::Ok;
  std::string newValue;   // where known
  std::string baseValue;  // where known
  std::string detail;     // why a check failed or warned
};

struct RunOptions {
  std::string results;          // results folder (prepared: see ResultsFolder.h)
  std::string tolerance;
  std::string build = "ravelcrest";
  std::vector<std::string> checks;  // catalog names; empty: every check that applies
  bool multiSession = false;
  std::string hostFolder;       // VXPath: where the host's constants file lives
  double timeFloor = 0.5;       // seconds: times both below it always agree
  bool warnFaster = false;      // a timing faster than its baseline warns too
};

// Runs every applicable check on `document` and returns one row per check
// (one FAILED row when the document cannot be opened). The journal gets a
// heading line naming the document first. Stops before the next check once
// an interrupt is requested (see Interrupt.h).
std::vector<CheckRow> runDocument(const DocumentItem& document, const RunOptions& options);

// The exit code of a run: 2 when a check failed, 1 when one warned, else 0.
int exitCodeOf(const std::vector<CheckRow>& rows);

}  // namespace rc::tools
