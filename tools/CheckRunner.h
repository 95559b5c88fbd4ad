// Runs the catalog's checks on documents through the library's automation
// interface, as any harness would: the host and clsApplication by ProgID,
// their members by name.
#pragma once

#include <string>
#include <vector>

#include "tools/DocumentSet.h"
#include "tools/ImageDiff.h"

namespace rc::tools {

// In rising order of concern. NotApplicable: the check cannot run on this
// document (a geometry file without the sidecar fields it needs); it neither
// passes nor fails. ExpectedFailure and UnexpectedPass are the rows of checks
// a suite file expects to fail (XFAIL: it warned or failed; XPASS: it
// agreed); neither changes the exit code.
enum class Status { NotApplicable, Ok, BaselineCreated, ExpectedFailure, UnexpectedPass, Warning, Failed };

// "NOT APPLICABLE", "OK", "BASELINE CREATED", "XFAIL", "XPASS", "WARNING", "FAILED"
const char* statusText(Status s);

// The images of an image check, relative to the results folder.
struct ImageSet {
  std::string baseline;
  std::string fresh;
  std::string difference;
  std::string human = {};  // the difference image for people (PNG), when written
  std::vector<PixelBox> regions = {};  // where the pixels differ, largest first
  int width = 0, height = 0;           // of the compared area, when regions are known
  std::string comparison = {};  // the tolerant options in force ("threshold 0.1, ..."), "" when exact
  bool empty() const { return baseline.empty() && fresh.empty() && difference.empty(); }
};

struct CheckRow {
  std::string document;  // the document's label
  std::string check;
  Status status = Status::Ok;
  std::string newValue;   // where known
  std::string baseValue;  // where known
  std::string detail;     // why a check failed or warned
  ImageSet images;        // image checks only
  double seconds = 0;     // how long the check took
};

// One document's part of a run.
struct DocumentResult {
  std::size_t index = 0;  // position in the whole run's document list
  std::string label;
  std::string path;
  double seconds = 0;
  std::vector<CheckRow> rows;
  std::string journal;  // the document's journal lines, CR LF ended
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
  bool ci = false;              // a missing baseline fails instead of being created
  std::string imageFormat = "auto";  // image baselines: "auto", "gif" or "cbf" (ImageFormatChoice.h)
  std::int16_t imageTolerance = 0;  // pixels an image may differ by without a warning
  ImageDiffOptions imageDiff;       // the tolerant image comparison (maxDiffPixels is imageTolerance)
};

// Runs every applicable check on `document` (number `index` of the run) and
// returns one row per check (one FAILED row when the document cannot be
// opened) with the document's journal, which starts with a heading line
// naming it; the caller appends it to the run's journal. Records what warned
// for `baseline accept` (LastRun.h). Stops before the next check once an
// interrupt is requested (see Interrupt.h).
DocumentResult runDocument(const DocumentItem& document, std::size_t index, const RunOptions& options);

// The exit code of a run: 2 when a check failed, 1 when one warned, else 0.
int exitCodeOf(const std::vector<CheckRow>& rows);

// Whether a timing row that differs beyond the tolerance warns: only when
// the new time is the slower one, unless options.warnFaster.
bool timingWarns(const CheckRow& row, const RunOptions& options);

}  // namespace rc::tools
