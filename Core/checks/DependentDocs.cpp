#include "Core/checks/DependentDocs.h"

#include <cctype>
#include <limits>

#include "Core/checks/CheckSkeleton.h"
#include "Core/checks/PropertyStore.h"
#include "Core/copier/DocumentCopier.h"
#include "Core/frame/TraceLog.h"
#include "Core/interfaces/HostLists.h"
#include "Core/interfaces/HostLookup.h"
#include "Core/interfaces/HostCalls.h"
#include "platform/automation/Error.h"
#include "platform/automation/Registry.h"
#include "platform/automation/Trap.h"
#include "platform/os/Files.h"
#include "platform/os/Paths.h"

namespace rc::core {

namespace au = rc::automation;

namespace {

constexpr std::string_view kIndent = "      ";

std::string lowerCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool contains(const std::string& text, std::string_view part) { return text.find(part) != std::string::npos; }

// Adds one to a 16-bit counter; Overflow (6) past its range.
void countOne(std::int16_t& counter) {
  if (counter == std::numeric_limits<std::int16_t>::max()) au::raise(au::err::Overflow);
  ++counter;
}

// The host for the count: by process ID in multi-session mode (a failed
// lookup is no host), otherwise or then a new "Vexlar.Application".
au::ObjectRef countingHost(std::int32_t glbProcessID, bool MultiSession) {
  au::ObjectRef host;
  if (MultiSession) au::trapped([&] { host = GetVexlarObjByPID(glbProcessID); }, [](const au::AutomationError&) {});
  if (!host) host = au::createObject("Vexlar.Application");
  return host;
}

void ensureLeadingSeparator(std::string& path) {
  if (path.empty() || !platform::isSeparator(path.front())) path.insert(0, "/");
}

TraceSink sessionTrace(const SessionContext& s) {
  return [&s](std::string_view line) { WriteTraceLog(s.ResultPath, line); };
}

// The copier's failure text and the path it was given, as two trace lines.
void traceFailure(const SessionContext& s, const std::string& failure, const std::string& path) {
  WriteTraceLog(s.ResultPath, failure);
  WriteTraceLog(s.ResultPath, std::string(kIndent) + path);
}

}  // namespace

std::int32_t CountDependentDocs(std::int32_t glbProcessID, bool MultiSession, std::int16_t& parts,
                                std::int16_t& assemblies, std::int16_t enterDB) {
  PropertyStore store;
  au::ObjectRef host = countingHost(glbProcessID, MultiSession);
  au::ObjectRef doc = activeDoc(host);
  if (!doc) return 0;
  auto record = [&](std::string_view line) { recordLine(host, line); };

  const std::int32_t length = hostCount(au::call(doc, "GetNumDependencies", true, true));
  au::Variant list = au::call(doc, "GetDependencies", true, true);
  parts = 0;
  assemblies = 0;
  if (enterDB == 1) {
    store.infoHeaderToJournal(glbProcessID, MultiSession);
    record("'   Dependent Document List");
  }
  for (std::int32_t i = 0; i < length; i += 2) {
    hostText(listItem(list, i));  // the name is read, not used
    const std::string path = lowerCase(hostText(listItem(list, i + 1)));
    if (enterDB == 1) record("'      " + path);
    if (contains(path, ".asm") || contains(path, ".vxlasm")) countOne(assemblies);
    if (contains(path, ".prt") || contains(path, ".vxlprt")) countOne(parts);
  }
  if (enterDB == 1) {
    record("'   End Dependent Document List");
    record(" ");
  }
  return parts + assemblies;
}

std::int16_t DependentDocs(const SessionContext& s, std::int16_t test, std::int16_t enterDB) {
  return runCheck(
      s, "DependentDocs",
      [&] {
        PropertyStore store;
        std::int16_t parts = 0;
        std::int16_t assemblies = 0;
        CountDependentDocs(s.glbProcessID, s.MultiSession, parts, assemblies, enterDB);
        if (test != 1) return;
        au::ObjectRef host = GetSessionHost(s.glbProcessID, s.MultiSession);
        store.infoHeaderToJournal(s.glbProcessID, s.MultiSession);
        recordLine(host, "'   Dependent Document Totals");
        recordLine(host, "'      Number of Dependent Parts: " + std::to_string(parts));
        recordLine(host, "'      Number of Dependent Assys: " + std::to_string(assemblies));
        recordLine(host, " ");
      },
      OnFailure::TraceThenExit);
}

void GetDependDocsWithDocNotOpen(const SessionContext& s, std::string& tmpFile, std::string_view CopyToPath,
                                 std::string_view CopyFromPath, std::string_view BaselinePath,
                                 std::int16_t chkBaseLine) {
  ensureLeadingSeparator(tmpFile);
  std::int16_t level = 0;
  std::string failure =
      CopyDocumentTree(tmpFile, CopyToPath, level, CopyFromPath, BaselinePath, chkBaseLine, 0, true, sessionTrace(s));
  if (!failure.empty()) traceFailure(s, failure, tmpFile);
}

void GetAllDependDocsWithDocNotOpen(const SessionContext& s, std::string_view CopyToPath,
                                    std::string_view CopyFromPath, std::string_view BaselinePath,
                                    std::int16_t chkBaseLine) {
  platform::LineReader lines(platform::joinPath(CopyToPath, "Testfiles.txt"));
  copierSets().copied.clear();
  DocumentCopier copier({std::string(CopyToPath), std::string(CopyFromPath), std::string(BaselinePath), chkBaseLine,
                         true, true, sessionTrace(s)});
  while (!lines.atEnd()) {
    std::string line(lines.next());
    ensureLeadingSeparator(line);
    std::int16_t level = 0;
    std::string failure = copier.copy(line, level);
    if (!failure.empty()) traceFailure(s, failure, line);
  }
}

}  // namespace rc::core
