#include "Core/checks/AssemblyChecks.h"

#include <string>

#include "Core/checks/CheckSkeleton.h"
#include "Core/checks/PropertyStore.h"
#include "Core/frame/TraceLog.h"
#include "Core/interfaces/DocumentType.h"
#include "Core/interfaces/HostCalls.h"
#include "Core/interfaces/HostLists.h"
#include "Core/interfaces/HostLookup.h"
#include "platform/automation/Error.h"
#include "platform/automation/SafeArray.h"
#include "platform/automation/Trap.h"
#include "platform/display/Input.h"

namespace rc::core {

namespace au = rc::automation;

namespace {

// The root component of the active configuration; Nothing for a document
// without one, also when it has no active configuration (a drawing).
au::ObjectRef rootComponent(const au::ObjectRef& doc) {
  au::ObjectRef configuration = au::callObject(doc, "GetActiveConfiguration");
  if (!configuration) return nullptr;
  return au::callObject(configuration, "GetRootComponent");
}

// The title before its last "."; Invalid procedure call (5) without one.
std::string titleWithoutExtension(const std::string& title) {
  std::size_t dot = title.rfind('.');
  if (dot == std::string::npos) au::raise(au::err::InvalidCall);
  return title.substr(0, dot);
}

// Flexible, then rigid again, for one top-level component that is a
// sub-assembly; other components are left alone.
void toggleFlexible(const au::ObjectRef& doc, const au::ObjectRef& component, const std::string& assemblyName) {
  au::ObjectRef model = au::callObject(component, "GetModelDoc");
  if (!model || au::call(model, "GetType").toLong() != kAssembly) return;
  au::Variant suppression = au::call(component, "GetSuppression");
  const bool visible = !au::call(component, "IsHidden", false).toBool();
  const std::string selectionName = hostText(au::call(component, "Name")) + "@" + assemblyName;
  au::call(doc, "SelectByID", selectionName, "COMPONENT", 0, 0, 0);
  au::call(doc, "CompConfigProperties3", suppression, 1, visible, true);
  au::call(doc, "CompConfigProperties3", suppression, 0, visible, true);
}

}  // namespace

std::int16_t ComponentCount(const SessionContext& s) {
  return runCheck(
      s, "Component Count",
      [&] {
        PropertyStore store;
        au::ObjectRef host = GetSessionHost(s.glbProcessID, s.MultiSession);
        au::ObjectRef doc = activeDoc(host);
        au::ObjectRef root = rootComponent(doc);
        const std::int32_t count = root ? listCount(au::call(root, "GetChildren")) : 0;
        store.infoHeaderToJournal(s.glbProcessID, s.MultiSession);
        recordLine(host, "'   ComponentCount " + std::to_string(count));
        recordLine(host, "");
      },
      OnFailure::TraceThenExit);
}

std::int16_t TestFlexible(const SessionContext& s) {
  std::int16_t result = 1;
  au::trapped(
      [&] {
        au::ObjectRef host = GetSessionHost(s.glbProcessID, s.MultiSession);
        au::ObjectRef doc = activeDoc(host);
        au::Variant children = au::call(rootComponent(doc), "GetChildren");
        const std::string assemblyName = titleWithoutExtension(hostText(au::call(doc, "GetTitle")));
        const std::int32_t count = listCount(children);
        for (std::int32_t i = 0; i < count; ++i) toggleFlexible(doc, listItem(children, i).toObject(), assemblyName);
        result = 0;
      },
      [](const au::AutomationError&) {});
  return result;
}

void TestAssemInterference(const SessionContext& s) {
  // Every statement on its own: a failing one is skipped. As with resuming
  // at the next statement, a test that fails counts as passed.
  au::ResumeNext next(nullptr);
  next.step([&] { WriteTraceLog(s.ResultPath, "TestAssemInterference - Enter"); });
  au::ObjectRef host, doc, root;
  next.step([&] { host = GetSessionHost(s.glbProcessID, s.MultiSession); });
  next.step([&] { doc = activeDoc(host); });
  bool assembly = true;
  next.step([&] { assembly = au::call(doc, "GetType").toLong() == kAssembly; });
  if (assembly) {
    next.step([&] { root = rootComponent(doc); });
    if (root) {
      bool hasComponents = true;
      next.step([&] { hasComponents = listCount(au::call(root, "GetChildren")) > 0; });
      if (hasComponents) {
        next.step([] { display::sendKeys("%(TR)"); });
        next.step([&] {
          au::call(doc, "SelectByID", s.NameOnly, "COMPONENT", 0, 0, 0);
        });
        next.step([] { display::sendKeys("%C"); });
      }
    }
  }
  next.step([&] { WriteTraceLog(s.ResultPath, "TestAssemInterference - Exit"); });
}

}  // namespace rc::core
