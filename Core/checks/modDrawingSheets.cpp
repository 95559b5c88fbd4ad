#include "Core/checks/modDrawingSheets.h"

#include <string>

#include "Core/checks/HostLists.h"
#include "Core/frame/modMainClassMod.h"
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

// The sheet report: one four-line record per sheet, appended line by line so
// that an error leaves the records written so far.
void writeSheetReport(const au::ObjectRef& host, std::string_view workDir, std::string_view bmpPrefix) {
  au::ObjectRef doc = au::callObject(host, "ActiveDoc");
  const std::string reportPath = platform::joinPath(workDir, "RavelcrestDrawing.dat");
  const std::string countPath = platform::joinPath(workDir, "RavelcrestDrawingSheetCount.dat");
  platform::output::replaceFile(reportPath, "");
  platform::output::replaceFile(countPath, "");

  const std::string startSheet = currentSheetName(doc);
  const std::int32_t sheetCount = hostCount(au::call(doc, "GetSheetCount"));
  platform::output::appendLine(countPath, au::printForm(sheetCount));
  au::Variant names = au::call(doc, "GetSheetNames");
  requireLoop16(sheetCount);

  // The name of the last feature examined carries over to a sheet without
  // features, as its bitmap path shows.
  std::string lastFeature;
  for (std::int32_t i = 0; i < sheetCount; ++i) {
    std::string failed;
    const std::string sheetName = hostText(listItem(names, i));
    au::call(doc, "ActivateSheet", {au::Variant(sheetName)});
    const std::int16_t featureCount = au::call(doc, "GetFeatureCount").toInteger();
    platform::output::appendLine(reportPath, sheetName);
    platform::output::appendLine(reportPath, au::printForm(featureCount));
    for (std::int16_t j = 0; j < featureCount; ++j) {
      auto position = static_cast<std::int16_t>(featureCount - 1 - j);
      au::ObjectRef feature = au::callObject(doc, "FeatureByPositionReverse", {au::Variant(position)});
      lastFeature = hostText(au::call(doc, "GetEntityName", {au::Variant(feature)}));
      if (nonZero(au::call(feature, "GetErrorCode"))) {
        failed += lastFeature;
        if (!lastFeature.empty()) failed += ';';
      }
    }
    platform::output::appendLine(reportPath, "*" + failed + "*");
    platform::output::appendLine(reportPath, std::string(bmpPrefix) + lastFeature + "__" + std::to_string(i + 1) + ".BMP");
  }
  au::call(doc, "ActivateSheet", {au::Variant(startSheet)});
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
  WriteTraceLog(s.ResultPath, "ActivateSheets - Enter");
  std::int16_t result = 1;
  au::trapped(
      [&] {
        au::ObjectRef host = GetSessionHost(s.glbProcessID, s.MultiSession);
        au::ObjectRef doc = au::callObject(host, "ActiveDoc");
        const std::string startSheet = currentSheetName(doc);
        const std::int32_t sheetCount = hostCount(au::call(doc, "GetSheetCount"));
        au::Variant names = au::call(doc, "GetSheetNames");
        requireLoop16(sheetCount);
        for (std::int32_t i = 0; i < sheetCount; ++i) {
          au::call(doc, "ActivateSheet", {listItem(names, i)});
          au::Variant editing = au::call(doc, "GetEditSheet");
          if (!editing.isNull() && !editing.isNothing() && editing.toBool()) {
            au::call(doc, "EditTemplate");
            au::call(doc, "EditSheet");
          } else {
            au::call(doc, "EditSheet");
            au::call(doc, "EditTemplate");
          }
        }
        au::call(doc, "ActivateSheet", {au::Variant(startSheet)});
        result = 0;
      },
      [&](const au::AutomationError&) { WriteTraceLog(s.ResultPath, "ActivateSheets - Failed"); });
  return result;
}

}  // namespace rc::core
