#include "Core/checks/DrawingSheetChecks.h"

#include <functional>
#include <string>

#include "Core/checks/CheckSkeleton.h"
#include "Core/frame/TraceLog.h"
#include "Core/interfaces/HostCalls.h"
#include "Core/interfaces/HostLists.h"
#include "Core/interfaces/HostLookup.h"
#include "platform/automation/NumberText.h"
#include "platform/automation/Trap.h"
#include "platform/os/OutputFiles.h"
#include "platform/os/Paths.h"

namespace rc::core {

namespace au = rc::automation;

namespace {

// The name of the sheet the drawing shows now.
std::string currentSheetName(const au::ObjectRef& doc) {
  return hostText(au::call(au::callObject(doc, "GetCurrentSheet"), "getName"));
}

// Calls `each(index, name)` for every sheet of the drawing, in order.
void walkSheets(const au::ObjectRef& doc, const std::function<void(std::int32_t index, const au::Variant& name)>& each,
                const std::function<void(std::int32_t count)>& onCount = {}) {
  walkNames(doc, "GetSheetCount", "GetSheetNames", each, onCount);
}

// The sheet report: one four-line record per sheet, appended line by line so
// that an error leaves the records written so far.
void writeSheetReport(const au::ObjectRef& host, std::string_view workDir, std::string_view bmpPrefix) {
  au::ObjectRef doc = activeDoc(host);
  const std::string reportPath = platform::joinPath(workDir, "RavelcrestDrawing.dat");
  const std::string countPath = platform::joinPath(workDir, "RavelcrestDrawingSheetCount.dat");
  platform::output::replaceFile(reportPath, "");
  platform::output::replaceFile(countPath, "");

  const std::string startSheet = currentSheetName(doc);
  // The name of the last feature examined carries over to a sheet without
  // features, as its bitmap path shows.
  std::string lastFeature;
  walkSheets(
      doc,
      [&](std::int32_t i, const au::Variant& name) {
        std::string failed;
        const std::string sheetName = hostText(name);
        au::call(doc, "ActivateSheet", sheetName);
        const std::int16_t featureCount = au::call(doc, "GetFeatureCount").toInteger();
        platform::output::appendLine(reportPath, sheetName);
        platform::output::appendLine(reportPath, au::printForm(featureCount));
        for (std::int16_t j = 0; j < featureCount; ++j) {
          auto position = static_cast<std::int16_t>(featureCount - 1 - j);
          au::ObjectRef feature = au::callObject(doc, "FeatureByPositionReverse", position);
          lastFeature = hostText(au::call(doc, "GetEntityName", feature));
          if (nonZero(au::call(feature, "GetErrorCode"))) {
            failed += lastFeature;
            if (!lastFeature.empty()) failed += ';';
          }
        }
        platform::output::appendLine(reportPath, "*" + failed + "*");
        platform::output::appendLine(reportPath, std::string(bmpPrefix) + lastFeature + "__" + std::to_string(i + 1) + ".BMP");
      },
      [&](std::int32_t count) { platform::output::appendLine(countPath, au::printForm(count)); });
  au::call(doc, "ActivateSheet", startSheet);
}

}  // namespace

void FailFeatureInSheets(const SessionContext& s, std::string_view WorkDir, std::string_view BMPResultPathName) {
  if (!s.MultiSession) {
    writeSheetReport(GetSessionHost(s.glbProcessID, false), WorkDir, BMPResultPathName);
    return;
  }
  au::trapped([&] { writeSheetReport(GetSessionHost(s.glbProcessID, true), WorkDir, BMPResultPathName); },
              [&](const au::AutomationError&) { WriteTraceLog(s.ResultPath, "FailFeatureInSheets - Failed"); });
}

std::int16_t ActivateSheets(const SessionContext& s) {
  return runCheckWithoutExit(
      s, "ActivateSheets",
      [&] {
        au::ObjectRef host = GetSessionHost(s.glbProcessID, s.MultiSession);
        au::ObjectRef doc = activeDoc(host);
        const std::string startSheet = currentSheetName(doc);
        walkSheets(doc, [&](std::int32_t, const au::Variant& name) {
          au::call(doc, "ActivateSheet", name);
          au::Variant editing = au::call(doc, "GetEditSheet");
          if (!editing.isNull() && !editing.isNothing() && editing.toBool()) {
            au::call(doc, "EditTemplate");
            au::call(doc, "EditSheet");
          } else {
            au::call(doc, "EditSheet");
            au::call(doc, "EditTemplate");
          }
        });
        au::call(doc, "ActivateSheet", startSheet);
      },
      true);
}

}  // namespace rc::core
