#include "tools/check/CheckRunner.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>
#include <system_error>

#include "Core/frame/CheckOutcome.h"
#include "platform/automation/Error.h"
#include "platform/automation/NumberText.h"
#include "platform/automation/Registry.h"
#include "platform/automation/SafeArray.h"
#include "platform/automation/Trap.h"
#include "platform/os/FileIo.h"
#include "platform/os/Files.h"
#include "platform/os/GrowingFile.h"
#include "platform/os/Paths.h"
#include "platform/os/System.h"
#include "tools/check/ChangeNotes.h"
#include "tools/check/CheckCatalog.h"
#include "tools/check/DataFileCompare.h"
#include "tools/check/ImageChecks.h"
#include "tools/check/ImageFormatChoice.h"
#include "tools/check/BaselineCandidates.h"
#include "tools/check/BaselineIndex.h"
#include "tools/check/GeometryDocuments.h"
#include "tools/common/Interrupt.h"
#include "tools/check/LastRun.h"
#include "tools/common/OutputFiles.h"
#include "tools/results/ResultsFolder.h"
#include "tools/check/StructureSnapshot.h"

namespace rc::tools {

namespace au = rc::automation;
using au::Variant;

namespace {

constexpr auto kIgnore = [](const au::AutomationError&) {};

// What a check may change, taken before its call: where its journal lines begin.
struct Snapshot {
  std::int64_t journalBytes = 0;
};

Snapshot takeSnapshot(const platform::GrowingFile& journal) { return Snapshot{journal.length()}; }

// The journal lines a check added: the journal file from the snapshot on.
// The host appends its own journal lines to the same file (SimJournalFile),
// so the file holds every line, in the order they were written.
std::vector<std::string> journalLinesSince(const Snapshot& before, const platform::GrowingFile& journal) {
  std::vector<std::string> lines;
  const std::string text = journal.readFrom(before.journalBytes);
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

// What the call of a check answered.
struct CallAnswer {
  Variant result;
  std::vector<Variant> args;   // as the call left them (by-reference slots written back)
  core::CheckOutcome outcome;  // what the library recorded (clsApplication.LastOutcome)
  bool failure = false;        // the library's Failure flag
};

// What comparing found: whether the row warns, and whether a baseline was made.
struct Findings {
  bool warned = false;
  bool created = false;
};

// What the check recorded; nothing from a library without LastOutcome.
core::CheckOutcome outcomeOf(const au::ObjectRef& app) {
  if (app->typeInfo().find("LastOutcome").empty()) return {};
  return core::outcomeFromVariant(au::call(app, "LastOutcome"));
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

// `row` FAILED for `detail`.
CheckRow failedRow(CheckRow row, std::string detail) {
  row.status = Status::Failed;
  row.detail = std::move(detail);
  return row;
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

// The row of a check that cannot run as asked, before anything is called:
// the tool's own reference check, or a missing baseline under --ci.
std::optional<CheckRow> rowWithoutCall(const CheckEntry& entry, const CheckEnv& env, const RunOptions& options,
                                       CheckRow row) {
  if (entry.kind == ResultKind::References) {
    try {
      return checkReferences(env, row);
    } catch (const au::AutomationError& e) {
      return failedRow(std::move(row), e.description());
    }
  }
  if (!options.ci) return std::nullopt;
  std::string what = missingBaseline(entry, env);
  if (what.empty()) return std::nullopt;
  return failedRow(std::move(row), "no baseline (" + what + "); --ci fails instead of creating it");
}

// Prepares the session for `entry` (its tolerance, its own properties, no
// stale data files) and calls its member. Raises what the library raises.
CallAnswer callCheck(const CheckEntry& entry, const CheckEnv& env, const RunOptions& options) {
  au::letProperty(env.app, "Failure", Variant(false));
  au::letProperty(env.app, "tolerance", Variant(toleranceFor(entry, options)));
  if (entry.prepare) entry.prepare(env);
  for (const std::string& name : entry.dataFiles) {
    std::string stale = platform::joinPath(env.dataFolder, name);
    if (platform::fileExists(stale)) platform::deleteFile(stale);
  }
  CallAnswer answer;
  answer.args = entry.arguments ? entry.arguments(env) : std::vector<Variant>{};
  answer.result = au::call(env.app, entry.member, answer.args);
  answer.outcome = outcomeOf(env.app);
  answer.failure = au::call(env.app, "Failure").toBool();
  return answer;
}

// Whether the check gave up (a time of -999, any other result not 0); the
// row then says why, as well as the entry can tell. A timing's row takes its
// time either way.
bool abandoned(const CheckEntry& entry, const CheckEnv& env, const CallAnswer& answer, CheckRow& row) {
  if (entry.kind == ResultKind::Time) {
    row.newValue = answer.result.toText();
    if (answer.result.toDouble() != -999) return false;
    row.detail = "abandoned (-999)";
  } else {
    if (answer.result.toLong() == 0) return false;
    if (entry.explainFailure) row.detail = entry.explainFailure(env);
    // A check that gives up when it cannot store its baseline.
    if (row.detail.empty()) row.detail = unwrittenBaseline(entry, env, true);
    if (row.detail.empty()) row.detail = "abandoned (result " + answer.result.toText() + ")";
  }
  row.status = Status::Failed;
  return true;
}

// Interprets what the check recorded: the row's values (those of a
// difference replace any the row has, others only fill its empty ones) and
// whether it warned (a difference, or the Failure flag) or made its baseline.
Findings interpretOutcome(const CallAnswer& answer, CheckRow& row) {
  using State = core::CheckOutcome::State;
  const core::CheckOutcome& outcome = answer.outcome;
  Findings found{answer.failure, false};
  switch (outcome.state) {
    case State::Differed:
      found.warned = true;
      if (!outcome.newValue.empty()) row.newValue = outcome.newValue;
      if (!outcome.baseValue.empty()) row.baseValue = outcome.baseValue;
      break;
    case State::Created:
      found = {false, true};
      if (row.newValue.empty()) row.newValue = outcome.newValue;
      row.baseValue.clear();
      break;
    case State::Agreed:
    case State::Measured:
      if (row.newValue.empty()) row.newValue = outcome.newValue;
      if (row.baseValue.empty()) row.baseValue = outcome.baseValue;
      break;
    case State::None:
      break;
  }
  return found;
}

// Lets the entry complete the row from the call's arguments and the journal
// lines its check added, and take its own look at a warning; a timing
// faster than its baseline stops warning unless --warn-faster. Raises what
// the entry raises.
void describeRow(const CheckEntry& entry, const CheckEnv& env, const RunOptions& options, const CallAnswer& answer,
                 const std::vector<std::string>& journal, CheckRow& row, Findings& found) {
  if (entry.afterCall) entry.afterCall(env, answer.args);
  if (entry.describe) entry.describe(env, journal, row);
  if (found.warned && entry.tolerates && entry.tolerates(env, row)) found.warned = false;
  if (entry.kind == ResultKind::Time && found.warned && !timingWarns(row, options)) {
    found.warned = false;
    row.detail = "faster than the baseline (--warn-faster warns about that too)";
  }
}

// Compares what else the check left with its baselines, or makes them the
// baselines: the journal block of a journal-only check, kept as a snapshot,
// and the data files. A change goes to `lastRun` for `baseline accept`.
// Answers false when the row failed (a missing baseline under --ci, a file
// that cannot be read or written), with the row saying why.
bool compareWithBaselines(const CheckEntry& entry, const CheckEnv& env, const RunOptions& options,
                          const std::vector<std::string>& journal, CheckRow& row, Findings& found, LastRun& lastRun) {
  AcceptableChange change{entry.name, "", "", "", {}};
  if (journalOnly(entry)) {
    try {
      SnapshotOutcome outcome =
          compareJournalSnapshot(entry.name, stableJournalLines(journal), env, options, row, change);
      if (outcome == SnapshotOutcome::Missing) {
        row = failedRow(std::move(row), "no baseline (its journal block); --ci fails instead of creating it");
        return false;
      }
      found.warned = found.warned || outcome == SnapshotOutcome::Changed;
      found.created = found.created || outcome == SnapshotOutcome::Created;
    } catch (const std::exception& e) {
      row = failedRow(std::move(row), std::string("journal snapshot: ") + e.what());
      return false;
    }
  }
  change.oldValue = row.baseValue, change.newValue = row.newValue;
  std::vector<std::string> missing;
  try {
    found.created = compareDataFiles(entry, env, options, row, found.warned, change, missing) || found.created;
    if (found.warned) captureCandidates(entry, env, options, row, change);
  } catch (const au::AutomationError& e) {
    row = failedRow(std::move(row), "data files: " + e.description());
    return false;
  } catch (const OutputError& e) {
    row = failedRow(std::move(row), e.what());
    return false;
  }
  if (found.warned && (!change.key.empty() || !change.files.empty())) lastRun.changes.push_back(std::move(change));
  if (missing.empty()) return true;
  row = failedRow(std::move(row), "no baseline copy of " + missing.front() + (missing.size() > 1 ? " and others" : "") +
                                      "; --ci fails instead of creating it");
  return false;
}

// The row's status from what was found. A check that neither warned nor
// stored the baseline it should have (a read-only folder) fails: every later
// run would pass the same way, comparing with nothing.
void settleStatus(const CheckEntry& entry, const CheckEnv& env, const Findings& found, CheckRow& row) {
  if (found.warned) {
    row.status = Status::Warning;
    return;
  }
  if (std::string unwritten = unwrittenBaseline(entry, env); !unwritten.empty()) {
    row = failedRow(std::move(row), unwritten);
    return;
  }
  if (found.created) row.status = Status::BaselineCreated;
}

// Runs one check: snapshot, call, interpret, compare. Adds the baseline
// files it keeps beside the document to `baselines`.
CheckRow runOne(const CheckEntry& entry, const CheckEnv& env, const RunOptions& options, const platform::GrowingFile& journalPart,
                LastRun& lastRun, std::vector<std::string>& baselines) {
  CheckRow row{env.label, entry.name, Status::Ok, "", "", "", {}};
  if (std::optional<CheckRow> early = rowWithoutCall(entry, env, options, row)) return std::move(*early);
  if (entry.baselineFiles) {
    const std::vector<std::string> files = entry.baselineFiles(env);
    baselines.insert(baselines.end(), files.begin(), files.end());
  }
  Snapshot before;
  CallAnswer answer;
  try {
    before = takeSnapshot(journalPart);
    answer = callCheck(entry, env, options);
    if (abandoned(entry, env, answer, row)) return row;
  } catch (const au::AutomationError& e) {
    return failedRow(std::move(row), e.description());
  }
  const std::vector<std::string> journal = journalLinesSince(before, journalPart);
  Findings found = interpretOutcome(answer, row);
  try {
    describeRow(entry, env, options, answer, journal, row, found);
  } catch (const std::exception& e) {
    return failedRow(std::move(row), e.what());
  }
  if (!compareWithBaselines(entry, env, options, journal, row, found, lastRun)) return row;
  settleStatus(entry, env, found, row);
  return row;
}

// Runs an image check with its baseline in the chosen format; a baseline
// it creates says which format, and a GIF that loses colours warns.
CheckRow runImageCheck(const CheckEntry& entry, const FormatChoice& choice, const CheckEnv& env,
                       const RunOptions& options, const platform::GrowingFile& journalPart, LastRun& lastRun,
                       std::vector<std::string>& baselines) {
  CheckEnv imageEnv = env;
  imageEnv.imageFormat = choice.format;
  CheckRow row = runOne(entry, imageEnv, options, journalPart, lastRun, baselines);
  if (row.status != Status::BaselineCreated || choice.note.empty()) return row;
  row.detail = choice.note + (row.detail.empty() ? "" : "; " + row.detail);
  if (choice.lossy) row.status = Status::Warning;
  return row;
}

CheckRow runViewImage(const CheckEntry& entry, const CheckEnv& env, const RunOptions& options,
                      const platform::GrowingFile& journalPart, LastRun& lastRun, std::vector<std::string>& baselines) {
  FormatChoice choice = chooseImageFormat(env, "view", options.imageFormat, [&] { return viewColours(env); });
  return runImageCheck(entry, choice, env, options, journalPart, lastRun, baselines);
}

// The drawing's sheets saved by the host, then one image check per sheet;
// a host that cannot save them gives one FAILED row.
void runSheetImages(const CheckEntry& entry, const CheckEnv& env, const RunOptions& options,
                    const platform::GrowingFile& journalPart, LastRun& lastRun, std::vector<CheckRow>& rows,
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
    rows.push_back(runImageCheck(sheet, choice, env, options, journalPart, lastRun, baselines));
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

// Empties the document's data or images folder of an earlier run, so that
// nothing in it (a link above all) is written through and nothing of that
// run is left; the library writes the data files there. A folder of this
// user is kept and only its content removed: on a disk every folder made
// costs more the more files were removed lately. Anything else (a link to
// a folder, a file) is removed and the folder made afresh.
void startDataFolder(const std::string& folder) {
  namespace fs = std::filesystem;
  std::error_code ec;
  struct stat st {};
  bool emptied = ::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
                 (st.st_mode & S_IRWXU) == S_IRWXU;
  if (emptied) {
    std::vector<fs::path> left;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) left.push_back(it->path());
    for (const fs::path& p : left)
      if (!ec) fs::remove_all(p, ec);
    emptied = !ec;
  }
  if (!emptied) {
    ec.clear();
    fs::remove_all(folder, ec);
  }
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

// Runs the checks of one document with its journal going to `journFile`,
// read back through `journalPart`.
std::vector<CheckRow> checkDocument(const DocumentItem& item, const RunOptions& options, const std::string& journFile,
                                    const platform::GrowingFile& journalPart) {
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
    else if (entry.kind == ResultKind::SheetImages) runSheetImages(entry, env, options, journalPart, lastRun, rows, baselines);
    else if (entry.member == "TestBitmapCompare")
      rows.push_back(runViewImage(entry, env, options, journalPart, lastRun, baselines));
    else rows.push_back(runOne(entry, env, options, journalPart, lastRun, baselines));
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

// The journal part just started, opened for reading; OutputError names it
// and the reason when it cannot be.
platform::GrowingFile openJournalPart(const std::string& part) {
  try {
    return platform::GrowingFile(part);
  } catch (const au::AutomationError& e) {
    throw OutputError("cannot read " + part + ": " + outputErrorReason(part, e));
  }
}

}  // namespace

DocumentResult runDocument(const DocumentItem& item, std::size_t index, const RunOptions& options) {
  DocumentResult result{index, item.label, item.path, 0, {}, ""};
  std::uint32_t started = platform::tickCount();
  std::string journFile = journalPartOf(options.results);
  startJournalPart(journFile, "'===== " + item.label + " (" + item.path + ")\r\n");
  const platform::GrowingFile journalPart = openJournalPart(journFile);
  {
    // The baselines and records the checks replace are durable before the
    // document's rows are handed on; each folder is synced once.
    platform::fileio::FolderSyncs folderSyncs;
    result.rows = checkDocument(item, options, journFile, journalPart);
  }
  // The checks' lines went wherever the path led; a part replaced or
  // removed meanwhile no longer holds them all.
  if (!journalPart.isAt(journFile))
    result.rows.push_back(CheckRow{item.label, "journal", Status::Failed, "", "",
                                   "the journal part " + journFile +
                                       " was removed or replaced during the checks: their journal lines are lost",
                                   {}});
  result.journal = journalPart.readFrom(0);
  finishJournalPart(journFile);
  result.seconds = (platform::tickCount() - started) / 1000.0;
  return result;
}

bool timingWarns(const CheckRow& row, const RunOptions& options) {
  if (options.warnFaster || row.baseValue.empty()) return true;
  return au::leadingNumber(row.newValue) > au::leadingNumber(row.baseValue);
}

}  // namespace rc::tools
