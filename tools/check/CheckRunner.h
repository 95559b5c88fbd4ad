// Runs the catalog's checks on documents through the library's automation
// interface, as any harness would: the host and clsApplication by ProgID,
// their members by name.
#pragma once

#include <string>
#include <vector>

#include "tools/check/DocumentSet.h"
#include "tools/images/ImageDiff.h"
#include "tools/results/CheckResults.h"

namespace rc::tools {

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

// Whether a timing row that differs beyond the tolerance warns: only when
// the new time is the slower one, unless options.warnFaster.
bool timingWarns(const CheckRow& row, const RunOptions& options);

}  // namespace rc::tools
