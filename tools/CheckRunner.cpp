#include "tools/CheckRunner.h"

#include <algorithm>
#include <cstdint>

#include "platform/automation/Error.h"
#include "platform/automation/NumberText.h"
#include "platform/automation/Registry.h"
#include "platform/automation/SafeArray.h"
#include "platform/os/Files.h"
#include "platform/os/Paths.h"
#include "platform/os/System.h"
#include "tools/CheckCatalog.h"

namespace rc::tools {

namespace au = rc::automation;
using au::Variant;

const char* statusText(Status s) {
  switch (s) {
    case Status::Ok: return "OK";
    case Status::BaselineCreated: return "BASELINE CREATED";
    case Status::Warning: return "WARNING";
    case Status::Failed: return "FAILED";
  }
  return "?";
}

namespace {

int typeOfExtension(std::string_view path) {
  std::string_view name = platform::fileName(path);
  std::size_t dot = name.rfind('.');
  std::string ext = dot == std::string_view::npos ? "" : std::string(name.substr(dot + 1));
  for (char& ch : ext) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  if (ext == "vxlprt" || ext == "prt" || ext == "vxllfp") return kPart;
  if (ext == "vxlasm" || ext == "asm") return kAssembly;
  if (ext == "vxldrw" || ext == "drw") return kDrawing;
  return 0;
}

std::int64_t sizeOf(const std::string& file) { return platform::fileExists(file) ? platform::fileLength(file) : -1; }

// What a check may change, taken before and compared after the call.
struct Snapshot {
  std::size_t hostLines = 0;
  std::int64_t journalBytes = 0;
  std::vector<std::int64_t> baselineSizes;
};

std::vector<std::string> hostJournal(const au::ObjectRef& host) {
  std::vector<std::string> lines;
  Variant v = au::call(host, "SimJournal");
  if (!v.isArray()) return lines;
  for (const Variant& item : v.asArray().items()) lines.push_back(item.toText());
  return lines;
}

// The journal lines a check added: host journal lines, then the lines
// appended to the journal file.
std::vector<std::string> newJournalLines(const Snapshot& before, const au::ObjectRef& host, const std::string& journFile) {
  std::vector<std::string> lines = hostJournal(host);
  lines.erase(lines.begin(), lines.begin() + static_cast<std::ptrdiff_t>(std::min(before.hostLines, lines.size())));
  std::int64_t now = sizeOf(journFile);
  if (now > before.journalBytes) {
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

// "'*** New = 110 edges" gives "110".
std::string valueAfter(const std::string& line, std::string_view label) {
  std::size_t p = line.find(label);
  if (p == std::string::npos) return "";
  std::string rest = line.substr(p + label.size());
  std::size_t space = rest.find(' ');
  return space == std::string::npos ? rest : rest.substr(0, space);
}

// The value of the line `key` that the check appended to a properties file.
std::string createdBaselineValue(const std::string& file, std::int64_t before, const std::string& key) {
  if (key.empty() || !platform::fileExists(file)) return "";
  std::string added = platform::readFileFrom(file, std::max<std::int64_t>(before, 0));
  std::string prefix = key + " = ";
  if (added.rfind(prefix, 0) != 0) return "";
  std::size_t end = added.find("      Build:");
  return added.substr(prefix.size(), end == std::string::npos ? std::string::npos : end - prefix.size());
}

// Compares each data file the check wrote with its baseline copy beside the
// document, or makes it the baseline. Answers whether a baseline was made;
// a difference sets `warned` and the row's detail.
bool compareDataFiles(const CheckEntry& entry, const CheckEnv& env, CheckRow& row, bool& warned) {
  bool created = false;
  for (const std::string& name : entry.dataFiles) {
    std::string fresh = platform::joinPath(env.dataFolder, name);
    if (!platform::fileExists(fresh)) continue;
    std::string base = platform::joinPath(env.baselineFolder, name);
    if (!platform::fileExists(base)) {
      platform::createFolder(env.baselineFolder);
      platform::copyFile(fresh, base);
      created = true;
      continue;
    }
    au::ObjectRef store = au::createObject("RavelcrestCore.clsPropertyManager");
    std::vector<Variant> args{Variant(base), Variant(fresh), au::call(env.app, "tolerance"), Variant()};
    if (!au::call(store, "CompareFiles", args).toBool()) {
      warned = true;
      std::string message = args[3].toText();
      for (std::string_view tag : {"<B>", "</B>"})
        for (std::size_t p; (p = message.find(tag)) != std::string::npos;) message.erase(p, tag.size());
      for (std::size_t p; (p = message.find("\r\n")) != std::string::npos;) message.replace(p, 2, " | ");
      row.detail = name + ": " + message;
    }
  }
  return created;
}

CheckRow runOne(const CheckEntry& entry, const CheckEnv& env, const std::string& journFile) {
  CheckRow row{std::string(platform::fileName(env.document)), entry.name, Status::Ok, "", "", ""};
  Snapshot before;
  std::vector<std::string> baselineFiles = entry.baselineFiles ? entry.baselineFiles(env) : std::vector<std::string>{};
  try {
    before.hostLines = hostJournal(env.host).size();
    before.journalBytes = sizeOf(journFile);
    for (const std::string& f : baselineFiles) before.baselineSizes.push_back(sizeOf(f));
    au::letProperty(env.app, "Failure", Variant(false));
    if (entry.prepare) entry.prepare(env);
    for (const std::string& name : entry.dataFiles) {
      std::string stale = platform::joinPath(env.dataFolder, name);
      if (platform::fileExists(stale)) platform::deleteFile(stale);
    }
    std::vector<Variant> args = entry.arguments ? entry.arguments(env) : std::vector<Variant>{};
    Variant result = au::call(env.app, entry.member, args);
    if (entry.kind == ResultKind::Time) {
      row.newValue = result.toText();
      if (result.toDouble() == -999) {
        row.status = Status::Failed;
        row.detail = "abandoned (-999)";
      }
    } else if (result.toLong() != 0) {
      row.status = Status::Failed;
      row.detail = "abandoned (result " + result.toText() + ")";
    }
  } catch (const au::AutomationError& e) {
    row.status = Status::Failed;
    row.detail = e.description();
    return row;
  }
  if (row.status == Status::Failed) return row;

  bool warned = au::call(env.app, "Failure").toBool();
  for (const std::string& line : newJournalLines(before, env.host, journFile)) {
    if (line.rfind("'*** WARNING - ", 0) == 0 || line.rfind("*** WARNING - ", 0) == 0) warned = true;
    if (std::string v = valueAfter(line, "*** New = "); !v.empty()) row.newValue = v;
    if (std::string v = valueAfter(line, "*** BaseLine = "); !v.empty()) row.baseValue = v;
  }
  for (std::size_t i = 0; i < baselineFiles.size(); ++i) {
    if (sizeOf(baselineFiles[i]) != before.baselineSizes[i] && !warned) {
      row.status = Status::BaselineCreated;
      if (row.newValue.empty()) row.newValue = createdBaselineValue(baselineFiles[i], before.baselineSizes[i], entry.baselineKey);
      row.baseValue.clear();
    }
  }
  try {
    if (compareDataFiles(entry, env, row, warned) && !warned) row.status = Status::BaselineCreated;
  } catch (const au::AutomationError& e) {
    row.status = Status::Failed;
    row.detail = "data files: " + e.description();
    return row;
  }
  if (warned) row.status = Status::Warning;
  return row;
}

bool selected(const RunOptions& options, const CheckEntry& entry) {
  if (options.checks.empty()) return true;
  return std::find(options.checks.begin(), options.checks.end(), entry.member) != options.checks.end() ||
         std::find(options.checks.begin(), options.checks.end(), entry.name) != options.checks.end();
}

void setSession(const au::ObjectRef& app, const CheckEnv& env, const RunOptions& options, const std::string& journFile,
                std::int32_t processId) {
  au::letProperty(app, "InputFile", Variant(env.document));
  au::letProperty(app, "NameOnly", Variant(env.nameOnly));
  au::letProperty(app, "PathName", Variant(env.folder));
  au::letProperty(app, "ResultPath", Variant(options.results));
  au::letProperty(app, "JournFile", Variant(journFile));
  au::letProperty(app, "VXBuild", Variant(options.build));
  au::letProperty(app, "tolerance", Variant(options.tolerance));
  au::letProperty(app, "glbProcessID", Variant(static_cast<int>(processId)));
  au::letProperty(app, "MultiSession", Variant(options.multiSession));
  au::letProperty(app, "VXPath", Variant(options.hostFolder));
  au::letProperty(app, "InpPath", Variant(options.results));
}

// Writes the document's open time as the performance log TestPerformance reads.
void recordOpenTime(CheckEnv& env, double seconds) {
  env.perfFolder = platform::joinPath(env.results, "performance/" + env.nameOnly);
  platform::createFolder(env.perfFolder);
  platform::writeFile(platform::joinPath(env.perfFolder, "Performance.log"),
                      "Exp_Open = " + au::writeForm(seconds) + "\r\n");
}

}  // namespace

std::vector<CheckRow> runDocument(const std::string& document, const RunOptions& options) {
  CheckEnv env;
  env.document = document;
  env.folder = std::string(platform::folderOf(document));
  std::string name(platform::fileName(document));
  // The whole file name keeps the baselines of a part and a drawing of the
  // same name apart.
  env.nameOnly = name;
  env.dataFolder = platform::joinPath(options.results, "data/" + name);
  env.baselineFolder = platform::joinPath(env.folder, name + ".baselines");
  env.results = options.results;
  env.type = typeOfExtension(document);
  std::string journFile = platform::joinPath(options.results, "journal.txt");

  CheckRow openRow{name, "open", Status::Failed, "", "", ""};
  if (env.type == 0) {
    openRow.detail = "not a part, assembly or drawing file";
    return {openRow};
  }
  try {
    platform::createFolder(env.dataFolder);
    env.host = au::createObject(options.multiSession ? "VexlarSim.Session" : "Vexlar.Application");
    au::letProperty(env.host, "SimJournalFile", Variant(journFile));
    std::vector<Variant> open{Variant(document), Variant(env.type), Variant(0), Variant(""), Variant(0), Variant(0)};
    std::uint32_t started = platform::tickCount();
    au::ObjectRef doc = au::call(env.host, "OpenDoc6", open).toObject();
    recordOpenTime(env, (platform::tickCount() - started) / 1000.0);
    if (!doc) {
      openRow.detail = "the host could not open it (errors " + open[4].toText() + ")";
      Variant m = au::call(env.host, "SimMessages");
      if (m.isArray() && m.asArray().size() > 0) openRow.detail += ": " + m.asArray().items().back().toText();
      return {openRow};
    }
    env.app = au::createObject("RavelcrestCore.clsApplication");
    setSession(env.app, env, options, journFile, au::call(env.host, "SimProcessID").toLong());
  } catch (const au::AutomationError& e) {
    openRow.detail = e.description();
    return {openRow};
  }

  const au::ClassInfo& info = env.app->typeInfo();
  std::vector<CheckRow> rows;
  for (const CheckEntry& entry : checkCatalog()) {
    if (std::find(entry.types.begin(), entry.types.end(), env.type) == entry.types.end()) continue;
    if (!selected(options, entry) || info.find(entry.member).empty()) continue;
    rows.push_back(runOne(entry, env, journFile));
  }
  try {
    au::call(env.host, "CloseAllDocuments", {Variant(true)});
    if (options.multiSession) au::call(env.host, "ExitApp");
  } catch (const au::AutomationError&) {
    // The rows are what matters; a host that cannot close is left as it is.
  }
  return rows;
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
