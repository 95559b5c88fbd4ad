// The checks `ravelcrest check` runs: which documents each applies to, how
// the harness prepares and calls it, and what its result means.
//
// Every entry calls a member of clsApplication by name; an entry whose
// member the library does not have is skipped, so checks plug in by adding
// one entry here.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "Core/interfaces/DocumentType.h"
#include "platform/automation/Dispatch.h"
#include "tools/images/ImageDiff.h"

namespace rc::tools {

struct CheckRow;

// Document types as the host's GetType answers them.
using core::kAssembly;
using core::kDrawing;
using core::kPart;

// What the runner knows about the document under test.
struct CheckEnv {
  std::string document;    // full path
  std::string label;       // the path that names it in rows and result folders
  std::string nameOnly;    // the document's file name
  std::string folder;      // the document's folder
  std::string results;     // the results folder
  std::string perfFolder;  // holds this document's Performance.log (open time)
  std::string dataFolder;  // where this document's data files are written
  std::string realFolder;  // the folder the document lies in (folder may hold a link to it)
  std::string baselineFolder;  // baseline copies of the data files: folder/.ravelcrest/<file name>
  std::string imagesFolder;    // what the image checks saw: results/images/<label>
  std::string hostFolder;      // VXPath: holds the host's constants file
  std::string imageFormat = "gif";  // of image baselines: "gif" or "cbf"
  std::int16_t imageTolerance = 0;  // pixels that may differ before an image check warns
  ImageDiffOptions imageDiff;       // the tolerant image comparison, when asked for
  int type = 0;
  std::int32_t processId = 0;  // the host session's
  bool multiSession = false;
  automation::ObjectRef app;   // clsApplication with the session set
  automation::ObjectRef host;  // the host session
};

enum class ResultKind {
  Code,         // 0 ran to its end, anything else abandoned
  Time,         // a time in seconds; -999 abandoned
  References,   // run by the tool itself: the referenced documents exist
  SheetImages,  // expanded by the runner into one image check per sheet
  Structure,    // run by the tool itself: a structure snapshot (StructureSnapshot.h)
};

struct CheckEntry {
  std::string name;                 // as the summary shows it
  std::string member;               // clsApplication member called ("" for the tool's own)
  std::string measures;             // what it measures, for --list-checks
  std::vector<int> types;           // document types it applies to
  // For geometry documents (STEP, BREP): sidecar fields of which the check
  // needs one, what the geometry file cannot hold; without any of them the
  // check is not applicable there. Empty: the file has what it measures.
  std::vector<std::string> geometryNeeds;
  std::string baselineKey;          // key in the properties file, "" if none
  ResultKind kind = ResultKind::Code;
  // The argument list of the call (by-reference slots included).
  std::function<std::vector<automation::Variant>(const CheckEnv&)> arguments;
  // Sets session properties the check reads (runs before the call).
  std::function<void(const CheckEnv&)> prepare;
  // The files the check writes baselines into (for "baseline created").
  std::function<std::vector<std::string>(const CheckEnv&)> baselineFiles;
  // Names of the data files the check writes into dataFolder; each is
  // compared with its baseline copy (CompareFiles) or becomes it.
  std::vector<std::string> dataFiles;
  // For a check that keeps its baseline in a file of its own: writes the
  // baseline the last call measured into `file` (for `baseline accept`).
  std::function<void(const CheckEnv&, const std::string& file, const std::string& build)> writeCandidate;
  // That baseline file, relative to the document's folder.
  std::function<std::string(const CheckEnv&)> baselineFileName;
  // Runs after a call that did not fail, with its arguments as the call
  // left them (by-reference slots written back).
  std::function<void(const CheckEnv&, const std::vector<automation::Variant>& args)> afterCall;
  // Why the call answered a failure, when the entry can tell better than
  // "abandoned" (a baseline it could not read); "" when it cannot.
  std::function<std::string(const CheckEnv&)> explainFailure;
  // Completes the row from the journal lines the check added.
  std::function<void(const CheckEnv&, const std::vector<std::string>& journal, CheckRow& row)> describe;
  // Runs after describe when the check warned: the tool's own look at what
  // differs (image checks: the regions and the difference image for
  // people). True when the row agrees under the tolerant options after all.
  std::function<bool(const CheckEnv&, CheckRow& row)> tolerates;
};

// Every check, in the order they run on a document.
const std::vector<CheckEntry>& checkCatalog();

// The folder beside documents that holds the tool's own baselines (the
// library's properties files stay beside the document, where every harness
// looks for them). A dot folder: no document glob matches it.
inline constexpr std::string_view kStateFolderName = ".ravelcrest";

// The extensions of the baseline files beside documents; never documents.
bool isBaselineFile(std::string_view path);

// Why the host's constants file (samples/appComm/vxconst.bas under
// `hostFolder` or its grandparent, as the library looks for it) cannot be
// read, or "" when it can.
std::string hostConstantsProblem(const std::string& hostFolder);

// The host folder installed with the tool (share/ravelcrest/host beside its
// bin folder, in a build tree too), or "" when it holds no constants file.
std::string defaultHostFolder();

// The properties file of the document under test.
std::string propertiesFileOf(const CheckEnv& env);

// The value of `key` in the document's properties file; "" when it has none.
std::string baselineValueOf(const CheckEnv& env, const std::string& key);

}  // namespace rc::tools
