// Runs the catalog's checks on documents through the library's automation
// interface, as any harness would: the host and clsApplication by ProgID,
// their members by name.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace rc::tools {

enum class Status { Ok, BaselineCreated, Warning, Failed };

const char* statusText(Status s);  // "OK", "BASELINE CREATED", "WARNING", "FAILED"

struct CheckRow {
  std::string document;  // file name
  std::string check;
  Status status = Status::Ok;
  std::string newValue;   // where known
  std::string baseValue;  // where known
  std::string detail;     // why a check failed
};

struct RunOptions {
  std::string results;          // results folder (exists)
  std::string tolerance = "5";
  std::string build = "ravelcrest";
  std::vector<std::string> checks;  // empty: every check that applies
  bool multiSession = false;
  std::string hostFolder;       // VXPath: where the host's constants file lives
};

// Runs every applicable check on `document` and returns one row per check
// (one FAILED row when the document cannot be opened).
std::vector<CheckRow> runDocument(const std::string& document, const RunOptions& options);

// The exit code of a run: 2 when a check failed, 1 when one warned, else 0.
int exitCodeOf(const std::vector<CheckRow>& rows);

}  // namespace rc::tools
