// What a check run finds, row by row: the status of each check on each
// document, the values it compared and the images of image checks, and each
// document's part of the run. The runner (CheckRunner.h) fills them; the
// reports, the history and `merge` read them without knowing how checks run.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "tools/images/ImageDiff.h"

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

// The exit code of a run: 2 when a check failed, 1 when one warned, else 0.
int exitCodeOf(const std::vector<CheckRow>& rows);

}  // namespace rc::tools
