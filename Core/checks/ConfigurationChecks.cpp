#include "Core/checks/ConfigurationChecks.h"

#include <functional>
#include <string>
#include <vector>

#include "Core/checks/CheckSkeleton.h"
#include "Core/checks/FaceWalk.h"
#include "Core/frame/TraceLog.h"
#include "Core/interfaces/DocumentType.h"
#include "Core/interfaces/HostCalls.h"
#include "Core/interfaces/HostLists.h"
#include "Core/interfaces/HostLookup.h"
#include "platform/automation/NumberText.h"
#include "platform/automation/SafeArray.h"
#include "platform/automation/Trap.h"
#include "platform/os/OutputFiles.h"
#include "platform/os/Paths.h"

namespace rc::core {

namespace au = rc::automation;

namespace {

constexpr int kMassValues = 12;

std::string activeConfigurationName(const au::ObjectRef& doc) {
  return hostText(au::call(au::callObject(doc, "GetActiveConfiguration"), "Name"));
}

void showConfiguration(const au::ObjectRef& doc, const au::Variant& name) { au::call(doc, "ShowConfiguration", name); }

// Calls `each(name)` for every configuration of the document, in order.
void walkConfigurations(const au::ObjectRef& doc, const std::function<void(const au::Variant& name)>& each,
                        const std::function<void(std::int32_t count)>& onCount = {}) {
  walkNames(
      doc, "GetConfigurationCount", "GetConfigurationNames", [&](std::int32_t, const au::Variant& name) { each(name); },
      onCount);
}

// The edge count of the active document of the host GetApp finds.
double edgeCount() { return CountPartEdges(0, false); }

// GetMassProperties2: the list, with the status the host hands back.
au::Variant massProperties(const au::ObjectRef& doc, std::int32_t& status) {
  std::vector<au::Variant> args{0};
  au::Variant list = au::call(doc, "GetMassProperties2", args);
  status = args[0].toLong();
  return list;
}

// Appends the 12 values of a mass-property list, each in `form`.
template <typename Form>
void appendMassList(const std::string& path, const au::Variant& list, Form form) {
  for (int k = 0; k < kMassValues; ++k) platform::output::appendLine(path, form(listItem(list, k).toDouble()));
}

void appendZeros(const std::string& path) {
  for (int k = 0; k < kMassValues; ++k) platform::output::appendLine(path, au::printForm(0));
}

// The mass-property list in print form when the host answers it with status
// 0, else twelve zeros.
void appendMassOrZeros(const std::string& path, const au::ObjectRef& doc) {
  std::int32_t status = 0;
  au::Variant list = massProperties(doc, status);
  if (status != 0) return appendZeros(path);
  appendMassList(path, list, [](double v) { return au::printForm(v); });
}

// The failed-feature line: "*", the names of features with an error, each
// followed by ";" unless empty, "*", in feature-tree order.
std::string failedFeatureLine(const au::ObjectRef& doc, std::int32_t featureCount) {
  requireLoop16(featureCount);
  std::string failed;
  for (std::int32_t j = featureCount - 1; j >= 0; --j) {
    au::ObjectRef feature = au::callObject(doc, "FeatureByPositionReverse", static_cast<std::int16_t>(j));
    std::string name = hostText(au::call(doc, "GetEntityName", feature));
    if (!nonZero(au::call(feature, "GetErrorCode"))) continue;
    failed += name;
    if (!name.empty()) failed += ';';
  }
  return "*" + failed + "*";
}

// Lines 5 to 16 of a record for a part or an assembly.
void appendRecordMass(const std::string& path, const au::ObjectRef& doc, std::int32_t type) {
  if (type == kPart) {
    if (!au::callObject(doc, "Body")) return appendZeros(path);
    return appendMassOrZeros(path, doc);
  }
  if (type == kAssembly) {
    au::ObjectRef root = au::callObject(au::callObject(doc, "GetActiveConfiguration"), "GetRootComponent");
    if (!root) return appendZeros(path);
    if (listCount(au::call(root, "GetChildren")) > 0) return appendMassOrZeros(path, doc);
    appendZeros(path);
  }
}

}  // namespace

std::int16_t ActivateConfigs(const SessionContext& s) {
  return runCheck(
      s, "ActivateConfigs",
      [&] {
        au::ObjectRef host = GetSessionHost(s.glbProcessID, s.MultiSession);
        au::ObjectRef doc = activeDoc(host);
        const std::string active = activeConfigurationName(doc);
        recordLine(host, "'*** Default Configuration: " + active);
        walkConfigurations(doc, [&](const au::Variant& name) {
          if (hostText(name) != active) showConfiguration(doc, name);
        });
        showConfiguration(doc, active);
        recordLine(host, "'*** Last Configuration");
      },
      OnFailure::TraceThenExit);
}

std::int16_t MassPropInCfgs(const SessionContext& s, std::string& massPropPathName) {
  return runCheck(
      s, "Getting Mass Prop In Configs",
      [&] {
        au::ObjectRef host = GetSessionHostStrict(s.glbProcessID, s.MultiSession);
        au::ObjectRef doc = activeDoc(host);
        const std::string active = activeConfigurationName(doc);
        massPropPathName = platform::joinPath(massPropPathName, "MassPropertyInCinfigs.dat");
        const std::string path = massPropPathName;
        platform::output::replaceFile(path, "");
        walkConfigurations(doc, [&](const au::Variant& name) {
          showConfiguration(doc, name);
          std::string line = hostText(name);
          if (au::call(doc, "GetType").toLong() == kPart) line += au::printForm(edgeCount());
          platform::output::appendLine(path, line);
          std::int32_t status = 0;
          appendMassList(path, massProperties(doc, status), [](double v) { return au::writeForm(v); });
        });
        showConfiguration(doc, active);
      },
      OnFailure::TraceThenExit);
}

std::int16_t FailedFeatInCongs(const SessionContext& s, std::string& featureFilePathName) {
  return runCheckWithoutExit(
      s, "Getting Failed Features",
      [&] {
        au::ObjectRef host = GetSessionHostStrict(s.glbProcessID, s.MultiSession);
        au::ObjectRef doc = activeDoc(host);
        const std::string active = activeConfigurationName(doc);
        const std::string countPath = platform::joinPath(featureFilePathName, "RavelcrestPartAssemblyConfigCount.dat");
        featureFilePathName = platform::joinPath(featureFilePathName, "RavelcrestPartAssembly.dat");
        const std::string path = featureFilePathName;
        platform::output::replaceFile(path, "");
        platform::output::replaceFile(countPath, "");
        walkConfigurations(
            doc,
            [&](const au::Variant& name) {
              showConfiguration(doc, name);
              const std::int32_t featureCount = hostCount(au::call(doc, "GetFeatureCount"));
              platform::output::appendLine(path, hostText(name));
              platform::output::appendLine(path, au::printForm(featureCount));
              platform::output::appendLine(path, failedFeatureLine(doc, featureCount));
              const std::int32_t type = au::call(doc, "GetType").toLong();
              platform::output::appendLine(path, type == kPart ? au::printForm(edgeCount()) : au::printForm(-1));
              appendRecordMass(path, doc, type);
            },
            [&](std::int32_t count) { platform::output::appendLine(countPath, au::printForm(count)); });
        showConfiguration(doc, active);
      },
      false);
}

}  // namespace rc::core
