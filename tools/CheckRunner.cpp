#include "tools/CheckRunner.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <set>
#include <system_error>

#include "Core/frame/CheckOutcome.h"
#include "platform/automation/Error.h"
#include "platform/automation/NumberText.h"
#include "platform/automation/Registry.h"
#include "platform/automation/SafeArray.h"
#include "platform/automation/Trap.h"
#include "platform/os/Files.h"
#include "platform/os/Paths.h"
#include "platform/os/System.h"
#include "tools/ChangeNotes.h"
#include "tools/CheckCatalog.h"
#include "tools/DataFileCompare.h"
#include "tools/ImageChecks.h"
#include "tools/ImageFormatChoice.h"
#include "tools/BaselineCandidates.h"
#include "tools/BaselineIndex.h"
#include "tools/GeometryDocuments.h"
#include "tools/Interrupt.h"
#include "tools/LastRun.h"
#include "tools/OutputFiles.h"
#include "tools/ResultsFolder.h"
#include "tools/StructureSnapshot.h"

namespace rc::tools {

namespace au = rc::automation;
using au::Variant;

const char* statusText(Status s) {
  switch (s) {
    case Status::NotApplicable: return "NOT APPLICABLE";
    case Status::Ok: return "OK";
    case Status::BaselineCreated: return "BASELINE CREATED";
    case Status::ExpectedFailure: return "XFAIL";
    case Status::UnexpectedPass: return "XPASS";
    case Status::Warning: return "WARNING";
    case Status::Failed: return "FAILED";
  }
  return "?";
}

namespace {

constexpr auto kIgnore = [](const au::AutomationError&) {};

std::int64_t sizeOf(const std::string& file) { return platform::fileExists(file) ? platform::fileLength(file) : -1; }

// What a check may change, taken before the call: where its journal lines begin.
struct Snapshot {
  std::int64_t journalBytes = 0;
};

// The journal lines a check added: the journal file from the snapshot on.
// The host appends its own journal lines to the same file (SimJournalFile),
// so the file holds every line, in the order they were written.
std::vector<std::string> journalLinesSince(const Snapshot& before, const std::string& journFile) {
  std::vector<std::string> lines;
  if (sizeOf(journFile) > before.journalBytes) {
    std::string text = platform::readFileFrom(journFile, std::max<std::int64_t>(before.journalBytes, 0));
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t end = text.find("\r\n", start);
      if (end == std::string::npos) end = text.size();
      lines.push_back(text.substr(start, end - start));
      start = end + 2;
    }
  }
  return lines;
}

// What the check recorded (clsApplication.LastOutcome); nothing from a
// library without that member.
core::CheckOutcome outcomeOf(const au::ObjectRef& app) {
  if (app->typeInfo().find("LastOutcome").empty()) return {};
  return core::outcomeFromVariant(au::call(app, "LastOutcome"));
}

// Fills the row's values from what the check recorded: the values of a
// difference replace any the row has, others only fill its empty ones.
// Answers whether the check warned (a difference, or the Failure flag) and
// whether it made its baseline.
void readOutcome(const core::CheckOutcome& outcome, CheckRow& row, bool& warned, bool& created) {
  using State = core::CheckOutcome::State;
  switch (outcome.state) {
    case State::Differed:
      warned = true;
      if (!outcome.newValue.empty()) row.newValue = outcome.newValue;
      if (!outcome.baseValue.empty()) row.baseValue = outcome.baseValue;
      return;
    case State::Created:
      warned = false;
      created = true;
      if (row.newValue.empty()) row.newValue = outcome.newValue;
      row.baseValue.clear();
      return;
    case State::Agreed:
    case State::Measured:
      if (row.newValue.empty()) row.newValue = outcome.newValue;
      if (row.baseValue.empty()) row.baseValue = outcome.baseValue;
      return;
    case State::None:
      return;
  }
}

// A data file's text with the results folder's data path taken out, so
// runs into different results folders compare equal.
std::string withoutDataFolder(std::string text, const std::string& dataFolder) {
  std::string prefix = dataFolder + "/";
  for (std::size_t p = 0; (p = text.find(prefix, p)) != std::string::npos;) text.replace(p, prefix.size(), "");
  return text;
}

// Every changed line of data file `name` up to a limit, each with what it
// holds: 'line 7: baseline "1.56", new "1.872" (configuration Default: Mass)'.
std::string describeDataChanges(const std::string& name, const std::string& baseText,
                                const std::vector<DataFileChange>& diffs) {
  constexpr std::size_t kLimit = 6;
  std::string text;
  for (std::size_t i = 0; i < diffs.size() && i < kLimit; ++i) {
    std::string label = dataLineLabel(name, baseText, diffs[i].line);
    text += (i ? "; " : "") + describeChange(diffs[i]) + (label.empty() ? "" : " (" + label + ")");
  }
  if (diffs.size() > kLimit) text += "; and " + std::to_string(diffs.size() - kLimit) + " more";
  return text;
}

// Compares each data file the check wrote with its baseline copy in the
// document's state folder, or makes it the baseline (under --ci a missing
// copy is named in `missing` instead). Answers whether a baseline was made;
// a difference sets `warned`, the row's detail and a candidate for
// `baseline accept`.
bool compareDataFiles(const CheckEntry& entry, const CheckEnv& env, const RunOptions& options, CheckRow& row,
                      bool& warned, AcceptableChange& change, std::vector<std::string>& missing) {
  bool created = false;
  for (const std::string& name : entry.dataFiles) {
    std::string fresh = platform::joinPath(env.dataFolder, name);
    if (!platform::fileExists(fresh)) continue;
    std::string base = platform::joinPath(env.baselineFolder, name);
    std::string text = withoutDataFolder(platform::readFile(fresh), env.dataFolder);
    if (!platform::fileExists(base)) {
      if (options.ci) {
        missing.push_back(name);
        continue;
      }
      try {
        platform::createFolder(env.baselineFolder);
      } catch (const au::AutomationError& e) {
        throw OutputError("cannot write the baseline " + base + ": " + e.description());
      }
      replaceOutputFile(base, text);  // OutputError names the file
      created = true;
      continue;
    }
    std::string baseText = platform::readFile(base);
    std::vector<DataFileChange> diffs = dataChanges(baseText, text, options.tolerance);
    if (!diffs.empty()) {
      warned = true;
      if (!row.detail.empty()) row.detail += "; ";
      row.detail += name + ": " + describeDataChanges(name, baseText, diffs);
      if (change.newValue.empty()) change.oldValue = diffs[0].baseline, change.newValue = diffs[0].fresh;
      change.files.push_back(writeCandidate(env, name, text, std::string(kStateFolderName) + "/" + env.nameOnly + "/" + name));
    }
  }
  return created;
}

// The tool's own check: every document `env` references exists.
CheckRow checkReferences(const CheckEnv& env, CheckRow row) {
  Variant list = au::call(env.host, "GetDocumentDependencies2",
                          {Variant(env.document), Variant(true), Variant(true), Variant(false)});
  std::vector<std::string> missing;
  std::size_t count = 0;
  if (list.isArray()) {
    const std::vector<Variant>& items = list.asArray().items();
    for (std::size_t i = 1; i < items.size(); i += 2, ++count)
      if (!platform::fileExists(items[i].toText())) missing.push_back(items[i].toText());
  }
  row.newValue = std::to_string(count);
  if (!missing.empty()) {
    row.status = Status::Warning;
    row.detail = "missing referenced document" + std::string(missing.size() > 1 ? "s: " : ": ");
    for (std::size_t i = 0; i < missing.size(); ++i) row.detail += (i ? ", " : "") + missing[i];
  }
  return row;
}

// The tolerance a check runs under: timings get their own noise floor.
std::string toleranceFor(const CheckEntry& entry, const RunOptions& options) {
  if (entry.kind != ResultKind::Time) return options.tolerance;
  std::string percent = options.tolerance.substr(0, options.tolerance.find(','));
  return percent + "," + au::writeForm(options.timeFloor);
}

// A check that only writes to the journal: no properties key, data file or
// baseline file of its own. Its journal block is kept as a snapshot.
bool journalOnly(const CheckEntry& entry) {
  return entry.kind == ResultKind::Code && entry.baselineKey.empty() && entry.dataFiles.empty() &&
         !entry.baselineFiles && !entry.baselineFileName;
}

// Runs one check; adds the baseline files it keeps beside the document to `baselines`.
CheckRow runOne(const CheckEntry& entry, const CheckEnv& env, const RunOptions& options, const std::string& journFile,
                LastRun& lastRun, std::vector<std::string>& baselines) {
  CheckRow row{env.label, entry.name, Status::Ok, "", "", "", {}};
  if (entry.kind == ResultKind::References) {
    try {
      return checkReferences(env, row);
    } catch (const au::AutomationError& e) {
      row.status = Status::Failed;
      row.detail = e.description();
      return row;
    }
  }
  if (options.ci) {
    if (std::string what = missingBaseline(entry, env); !what.empty()) {
      row.status = Status::Failed;
      row.detail = "no baseline (" + what + "); --ci fails instead of creating it";
      return row;
    }
  }
  Snapshot before;
  std::vector<std::string> baselineFiles = entry.baselineFiles ? entry.baselineFiles(env) : std::vector<std::string>{};
  baselines.insert(baselines.end(), baselineFiles.begin(), baselineFiles.end());
  std::string tolerance = toleranceFor(entry, options);
  std::vector<Variant> args;
  core::CheckOutcome outcome;
  bool failureFlag = false;
  try {
    before.journalBytes = sizeOf(journFile);
    au::letProperty(env.app, "Failure", Variant(false));
    au::letProperty(env.app, "tolerance", Variant(tolerance));
    if (entry.prepare) entry.prepare(env);
    for (const std::string& name : entry.dataFiles) {
      std::string stale = platform::joinPath(env.dataFolder, name);
      if (platform::fileExists(stale)) platform::deleteFile(stale);
    }
    args = entry.arguments ? entry.arguments(env) : std::vector<Variant>{};
    Variant result = au::call(env.app, entry.member, args);
    outcome = outcomeOf(env.app);
    failureFlag = au::call(env.app, "Failure").toBool();
    if (entry.kind == ResultKind::Time) {
      row.newValue = result.toText();
      if (result.toDouble() == -999) {
        row.status = Status::Failed;
        row.detail = "abandoned (-999)";
      }
    } else if (result.toLong() != 0) {
      row.status = Status::Failed;
      if (entry.explainFailure) row.detail = entry.explainFailure(env);
      // A check that gives up when it cannot store its baseline.
      if (row.detail.empty()) row.detail = unwrittenBaseline(entry, env, true);
      if (row.detail.empty()) row.detail = "abandoned (result " + result.toText() + ")";
    }
  } catch (const au::AutomationError& e) {
    row.status = Status::Failed;
    row.detail = e.description();
    return row;
  }
  if (row.status == Status::Failed) return row;

  bool warned = failureFlag;
  bool created = false;
  readOutcome(outcome, row, warned, created);
  const std::vector<std::string> journal = journalLinesSince(before, journFile);
  try {
    if (entry.afterCall) entry.afterCall(env, args);
    if (entry.describe) entry.describe(env, journal, row);
    if (warned && entry.tolerates && entry.tolerates(env, row)) warned = false;
  } catch (const std::exception& e) {
    row.status = Status::Failed;
    row.detail = e.what();
    return row;
  }
  if (entry.kind == ResultKind::Time && warned && !timingWarns(row, options)) {
    warned = false;
    row.detail = "faster than the baseline (--warn-faster warns about that too)";
  }
  AcceptableChange change{entry.name, "", "", "", {}};
  if (journalOnly(entry)) {
    try {
      SnapshotOutcome outcome =
          compareJournalSnapshot(entry.name, stableJournalLines(journal), env, options, row, change);
      if (outcome == SnapshotOutcome::Missing) {
        row.status = Status::Failed;
        row.detail = "no baseline (its journal block); --ci fails instead of creating it";
        return row;
      }
      warned = warned || outcome == SnapshotOutcome::Changed;
      created = created || outcome == SnapshotOutcome::Created;
    } catch (const std::exception& e) {
      row.status = Status::Failed;
      row.detail = std::string("journal snapshot: ") + e.what();
      return row;
    }
  }
  change.oldValue = row.baseValue, change.newValue = row.newValue;
  std::vector<std::string> missing;
  try {
    created = compareDataFiles(entry, env, options, row, warned, change, missing) || created;
    if (warned) captureCandidates(entry, env, options, row, change);
  } catch (const au::AutomationError& e) {
    row.status = Status::Failed;
    row.detail = "data files: " + e.description();
    return row;
  } catch (const OutputError& e) {
    row.status = Status::Failed;
    row.detail = e.what();
    return row;
  }
  if (warned && (!change.key.empty() || !change.files.empty())) lastRun.changes.push_back(std::move(change));
  if (!missing.empty()) {
    row.status = Status::Failed;
    row.detail = "no baseline copy of " + missing.front() + (missing.size() > 1 ? " and others" : "") +
                 "; --ci fails instead of creating it";
    return row;
  }
  if (!warned) {
    // A baseline the check should have stored (a read-only folder): every
    // later run would pass the same way, comparing with nothing.
    if (std::string unwritten = unwrittenBaseline(entry, env); !unwritten.empty()) {
      row.status = Status::Failed;
      row.detail = unwritten;
      return row;
    }
  }
  if (warned) row.status = Status::Warning;
  else if (created) row.status = Status::BaselineCreated;
  return row;
}

// Runs an image check with its baseline in the chosen format; a baseline
// it creates says which format, and a GIF that loses colours warns.
CheckRow runImageCheck(const CheckEntry& entry, const FormatChoice& choice, const CheckEnv& env,
                       const RunOptions& options, const std::string& journFile, LastRun& lastRun,
                       std::vector<std::string>& baselines) {
  CheckEnv imageEnv = env;
  imageEnv.imageFormat = choice.format;
  CheckRow row = runOne(entry, imageEnv, options, journFile, lastRun, baselines);
  if (row.status != Status::BaselineCreated || choice.note.empty()) return row;
  row.detail = choice.note + (row.detail.empty() ? "" : "; " + row.detail);
  if (choice.lossy) row.status = Status::Warning;
  return row;
}

CheckRow runViewImage(const CheckEntry& entry, const CheckEnv& env, const RunOptions& options,
                      const std::string& journFile, LastRun& lastRun, std::vector<std::string>& baselines) {
  FormatChoice choice = chooseImageFormat(env, "view", options.imageFormat, [&] { return viewColours(env); });
  return runImageCheck(entry, choice, env, options, journFile, lastRun, baselines);
}

// The drawing's sheets saved by the host, then one image check per sheet;
// a host that cannot save them gives one FAILED row.
void runSheetImages(const CheckEntry& entry, const CheckEnv& env, const RunOptions& options,
                    const std::string& journFile, LastRun& lastRun, std::vector<CheckRow>& rows,
                    std::vector<std::string>& baselines) {
  std::vector<CheckEntry> sheets;
  try {
    sheets = sheetImageChecks(env);
  } catch (const au::AutomationError& e) {
    rows.push_back(CheckRow{env.label, entry.name, Status::Failed, "", "", e.description(), {}});
    return;
  } catch (const std::exception& e) {
    rows.push_back(CheckRow{env.label, entry.name, Status::Failed, "", "", e.what(), {}});
    return;
  }
  for (const CheckEntry& sheet : sheets) {
    if (interruptRequested()) return;
    const std::string what = sheet.name.substr(sheet.name.find('(') + 1, sheet.name.size() - sheet.name.find('(') - 2);
    const std::string fresh = platform::joinPath(env.imagesFolder, what + "-new.bmp");
    FormatChoice choice = chooseImageFormat(env, what, options.imageFormat, [&] { return fileColours(fresh); });
    rows.push_back(runImageCheck(sheet, choice, env, options, journFile, lastRun, baselines));
  }
}

// Records in the folder's index the baseline files of the document that
// now exist beside it as regular files: what `baseline prune` may remove.
void recordBaselinesOf(const CheckEnv& env, const std::vector<std::string>& baselines) {
  std::vector<std::string> names;
  for (const std::string& file : baselines) {
    if (platform::folderOf(file) != env.folder) continue;
    struct stat st {};
    if (::lstat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
    names.emplace_back(platform::fileName(file));
  }
  recordBaselines(env.realFolder, env.nameOnly, names);
}

// Keeps in `lastRun` the pending changes of the previous run's checks that
// did not run this time (a run with --checks), so `baseline accept` still
// finds them. A record that cannot be read keeps nothing.
void keepPendingChanges(const CheckEnv& env, const std::vector<CheckRow>& rows, LastRun& lastRun) {
  LastRun previous;
  try {
    previous = readLastRun(env.realFolder, env.nameOnly);
  } catch (const std::exception&) {
    return;
  }
  for (AcceptableChange& change : previous.changes) {
    auto ran = [&](const CheckRow& r) { return r.check == change.check; };
    if (std::none_of(rows.begin(), rows.end(), ran)) lastRun.changes.push_back(std::move(change));
  }
}

// Gives the rows from `first` on the time since `started`, shared evenly
// (the sheets of one image check).
void stampTimes(std::vector<CheckRow>& rows, std::size_t first, std::uint32_t started) {
  if (rows.size() <= first) return;
  const double seconds = (platform::tickCount() - started) / 1000.0 / static_cast<double>(rows.size() - first);
  for (std::size_t i = first; i < rows.size(); ++i) rows[i].seconds = seconds;
}

bool selected(const RunOptions& options, const CheckEntry& entry) {
  if (options.checks.empty()) return true;
  return std::find(options.checks.begin(), options.checks.end(), entry.name) != options.checks.end();
}

void setSession(const au::ObjectRef& app, const CheckEnv& env, const RunOptions& options, const std::string& journFile) {
  au::letProperty(app, "InputFile", Variant(env.document));
  au::letProperty(app, "NameOnly", Variant(env.nameOnly));
  au::letProperty(app, "PathName", Variant(env.folder));
  au::letProperty(app, "ResultPath", Variant(options.results));
  au::letProperty(app, "JournFile", Variant(journFile));
  au::letProperty(app, "VXBuild", Variant(options.build));
  au::letProperty(app, "tolerance", Variant(options.tolerance));
  au::letProperty(app, "glbProcessID", Variant(static_cast<int>(env.processId)));
  au::letProperty(app, "MultiSession", Variant(options.multiSession));
  au::letProperty(app, "VXPath", Variant(options.hostFolder));
  au::letProperty(app, "InpPath", Variant(options.results));
}

// Writes the document's open time as the performance log TestPerformance reads.
void recordOpenTime(CheckEnv& env, double seconds) {
  env.perfFolder = platform::joinPath(env.results, "performance/" + env.label);
  platform::createFolder(env.perfFolder);
  replaceOutputFile(platform::joinPath(env.perfFolder, "Performance.log"), "Exp_Open = " + au::writeForm(seconds) + "\r\n",
                    Durability::Scratch);
}

// Empties the document's data folder of an earlier run, so that nothing in
// it (a link above all) is written through; the library writes the data
// files there.
void startDataFolder(const std::string& folder) {
  std::error_code ec;
  std::filesystem::remove_all(folder, ec);
  platform::createFolder(folder);
}

// Opens the document in a host session; answers the open row's failure
// detail, or "" when it opened.
std::string openDocument(CheckEnv& env, const RunOptions& options, const std::string& journFile) {
  env.host = au::createObject("Vexlar.Application");
  if (options.multiSession) {
    // A session of its own: end whatever session runs and start a fresh one.
    // It is found by its process ID, and it is also the session that the
    // library's lookups without an ID (configuration checks count edges
    // that way) attach to, so both see the same document.
    au::call(env.host, "ExitApp");
    env.host = au::createObject("Vexlar.Application");
  }
  au::call(env.host, "SimClearJournal");
  au::letProperty(env.host, "SimJournalFile", Variant(journFile));
  std::vector<Variant> open{Variant(env.document), Variant(env.type), Variant(0), Variant(""), Variant(0), Variant(0)};
  std::uint32_t started = platform::tickCount();
  au::ObjectRef doc = au::call(env.host, "OpenDoc6", open).toObject();
  recordOpenTime(env, (platform::tickCount() - started) / 1000.0);
  if (!doc) {
    std::string detail = "the host could not open it (errors " + open[4].toText() + ")";
    Variant m = au::call(env.host, "SimMessages");
    if (m.isArray() && m.asArray().size() > 0) detail += ": " + m.asArray().items().back().toText();
    return detail;
  }
  env.processId = au::call(env.host, "SimProcessID").toLong();
  env.multiSession = options.multiSession;
  env.app = au::createObject("RavelcrestCore.clsApplication");
  setSession(env.app, env, options, journFile);
  return "";
}

// Why a check that needs sidecar fields does not run on a geometry file.
std::string notApplicableReason(const CheckEntry& entry, const std::string& file) {
  std::string fields;
  for (std::size_t i = 0; i < entry.geometryNeeds.size(); ++i)
    fields += (i == 0 ? "" : i + 1 == entry.geometryNeeds.size() ? " or " : ", ") + entry.geometryNeeds[i];
  return "not applicable: a geometry file holds no " + fields + "; give it in " + file + ".json";
}

// Runs the checks of one document with its journal going to `journFile`.
std::vector<CheckRow> checkDocument(const DocumentItem& item, const RunOptions& options, const std::string& journFile) {
  CheckRow openRow{item.label, "open", Status::Failed, "", "", item.problem, {}};
  if (!item.problem.empty()) return {openRow};
  CheckEnv env;
  env.document = hostPathOf(item.path);
  env.label = item.label;
  env.folder = std::string(platform::folderOf(env.document));
  // The whole file name keeps the baselines of a part and a drawing of the
  // same name apart.
  env.nameOnly = std::string(platform::fileName(env.document));
  env.dataFolder = platform::joinPath(options.results, "data/" + item.label);
  env.realFolder = std::string(platform::folderOf(item.path));
  env.baselineFolder = stateFolderOf(env.realFolder, env.nameOnly);
  env.results = options.results;
  env.imagesFolder = platform::joinPath(options.results, "images/" + item.label);
  env.imageFormat = options.imageFormat;
  env.hostFolder = options.hostFolder;
  env.imageTolerance = options.imageTolerance;
  env.imageDiff = options.imageDiff;
  env.type = documentTypeOf(item.path);
  bool geometry = isGeometryDocument(item.path);
  std::set<std::string> sidecar;
  if (geometry) {
    env.type = geometryDocumentType(item.path);
    sidecar = sidecarFields(item.path);
  }

  if (env.type == 0) {
    openRow.detail = "not a part, assembly or drawing file";
    return {openRow};
  }
  try {
    startDataFolder(env.dataFolder);
    startDataFolder(env.imagesFolder);
    openRow.detail = openDocument(env, options, journFile);
    // The content decides a geometry file's type; a guess the host does not
    // share is tried the other way once.
    if (geometry && openRow.detail.find("does not match") != std::string::npos) {
      env.type = env.type == kPart ? kAssembly : kPart;
      openRow.detail = openDocument(env, options, journFile);
    }
  } catch (const au::AutomationError& e) {
    openRow.detail = e.description();
  }
  if (!openRow.detail.empty()) {
    if (options.multiSession && env.host) au::trapped([&] { au::call(env.host, "ExitApp"); }, kIgnore);
    return {openRow};
  }

  const au::ClassInfo& info = env.app->typeInfo();
  std::vector<CheckRow> rows;
  LastRun lastRun{item.label, {}};
  std::vector<std::string> baselines;
  for (const CheckEntry& entry : checkCatalog()) {
    if (interruptRequested()) break;
    if (std::find(entry.types.begin(), entry.types.end(), env.type) == entry.types.end()) continue;
    if (!selected(options, entry)) continue;
    if (!entry.member.empty() && info.find(entry.member).empty()) continue;
    if (geometry && !entry.geometryNeeds.empty() &&
        std::none_of(entry.geometryNeeds.begin(), entry.geometryNeeds.end(),
                     [&](const std::string& f) { return sidecar.count(f) > 0; })) {
      rows.push_back(CheckRow{item.label, entry.name, Status::NotApplicable, "", "",
                              notApplicableReason(entry, env.nameOnly), {}});
      continue;
    }
    const std::size_t first = rows.size();
    const std::uint32_t started = platform::tickCount();
    if (entry.kind == ResultKind::Structure) rows.push_back(runStructureCheck(entry, env, options, lastRun));
    else if (entry.kind == ResultKind::SheetImages) runSheetImages(entry, env, options, journFile, lastRun, rows, baselines);
    else if (entry.member == "TestBitmapCompare") rows.push_back(runViewImage(entry, env, options, journFile, lastRun, baselines));
    else rows.push_back(runOne(entry, env, options, journFile, lastRun, baselines));
    stampTimes(rows, first, started);
  }
  groupRelatedNotes(rows);
  // The rows are what matters; a host that cannot close is left as it is.
  au::trapped(
      [&] {
        au::call(env.host, "CloseAllDocuments", {Variant(true)});
        if (options.multiSession) au::call(env.host, "ExitApp");
      },
      kIgnore);
  try {
    keepPendingChanges(env, rows, lastRun);
    writeLastRun(env.realFolder, env.nameOnly, lastRun);
  } catch (const std::exception& e) {
    rows.push_back(CheckRow{item.label, "baseline review", Status::Failed, "", "", e.what(), {}});
  }
  try {
    recordBaselinesOf(env, baselines);
  } catch (const std::exception& e) {
    rows.push_back(CheckRow{item.label, "baseline index", Status::Failed, "", "", e.what(), {}});
  }
  return rows;
}

}  // namespace

DocumentResult runDocument(const DocumentItem& item, std::size_t index, const RunOptions& options) {
  DocumentResult result{index, item.label, item.path, 0, {}, ""};
  std::uint32_t started = platform::tickCount();
  std::string journFile = journalPartOf(options.results);
  startJournalPart(journFile, "'===== " + item.label + " (" + item.path + ")\r\n");
  result.rows = checkDocument(item, options, journFile);
  result.journal = platform::readFile(journFile);
  platform::deleteFile(journFile);
  result.seconds = (platform::tickCount() - started) / 1000.0;
  return result;
}

bool timingWarns(const CheckRow& row, const RunOptions& options) {
  if (options.warnFaster || row.baseValue.empty()) return true;
  return au::leadingNumber(row.newValue) > au::leadingNumber(row.baseValue);
}

int exitCodeOf(const std::vector<CheckRow>& rows) {
  int code = 0;
  for (const CheckRow& r : rows) {
    if (r.status == Status::Failed) code = 2;
    else if (r.status == Status::Warning) code = std::max(code, 1);
  }
  return code;
}

}  // namespace rc::tools
