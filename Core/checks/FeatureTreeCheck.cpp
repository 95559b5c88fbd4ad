#include "Core/checks/FeatureTreeCheck.h"

#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "Core/checks/CheckSkeleton.h"
#include "Core/checks/PropertyStore.h"
#include "Core/interfaces/HostConstants.h"
#include "Core/frame/TraceLog.h"
#include "Core/interfaces/DocumentType.h"
#include "Core/interfaces/HostCalls.h"
#include "Core/interfaces/HostLookup.h"
#include "platform/automation/Error.h"
#include "platform/automation/Trap.h"

namespace rc::core {

namespace au = rc::automation;

namespace {

constexpr std::string_view kAnnotationEnum = "vxAnnotationType_e";

// Type names with their 16-bit counts, in the order first seen.
class TypeCounter {
 public:
  // Counts one more of `name`; Overflow (6) past 32767.
  void add(const std::string& name) {
    auto [it, inserted] = index_.try_emplace(name, entries_.size());
    if (inserted) {
      entries_.emplace_back(name, 1);
      return;
    }
    std::int16_t& count = entries_[it->second].second;
    if (count == 32767) au::raise(au::err::Overflow);
    ++count;
  }
  const std::vector<std::pair<std::string, std::int16_t>>& entries() const { return entries_; }

 private:
  std::vector<std::pair<std::string, std::int16_t>> entries_;
  std::unordered_map<std::string, std::size_t> index_;
};

std::string typeName(const au::ObjectRef& feature) { return au::call(feature, "GetTypeName").toText(); }

// The feature tree from FirstFeature, each feature followed by its direct
// sub-features.
void countFeatures(const au::ObjectRef& doc, TypeCounter& counter) {
  for (au::ObjectRef feature = au::callObject(doc, "FirstFeature"); feature;
       feature = au::callObject(feature, "GetNextFeature")) {
    counter.add(typeName(feature));
    for (au::ObjectRef sub = au::callObject(feature, "GetFirstSubFeature"); sub;
         sub = au::callObject(sub, "GetNextSubFeature"))
      counter.add(typeName(sub));
  }
}

// The annotations of the document (a part or assembly) or of every view of
// a drawing, the sheet's own view first, counted under their enum names.
void countAnnotations(const au::ObjectRef& doc, const EnumDictionary& names, TypeCounter& counter) {
  const bool drawing = au::call(doc, "GetType").toLong() == kDrawing;
  au::ObjectRef owner = drawing ? au::callObject(doc, "GetFirstView") : doc;
  while (owner) {
    for (au::ObjectRef note = au::callObject(owner, "GetFirstAnnotation2"); note;
         note = au::callObject(note, "GetNext2")) {
      auto found = names.find(au::call(note, "GetType").toDouble());
      if (found != names.end() && !found->second.empty()) counter.add(found->second);
    }
    owner = drawing ? au::callObject(owner, "GetNextView") : nullptr;
  }
}

}  // namespace

std::int16_t ListFeatureTree(std::int32_t glbProcessID, bool MultiSession, std::string_view VXPath) {
  PropertyStore store;
  au::ObjectRef host;
  if (MultiSession) {
    bool found = au::trapped([&] { host = GetVexlarObjByPID(glbProcessID); }, [](const au::AutomationError&) {});
    if (!found) {
      WriteModuleTrace("Get Features - Failed");
      return 1;
    }
  }
  if (!host) host = GetApp();

  au::ObjectRef doc = activeDoc(host);
  if (!doc) return 0;
  store.infoHeaderToJournal(glbProcessID, MultiSession);
  recordLine(host, "'   Feature List");

  TypeCounter counter;
  countFeatures(doc, counter);
  EnumDictionary names;
  if (LoadEnumDictionary(names, kAnnotationEnum, VXPath) == 0) countAnnotations(doc, names, counter);

  for (const auto& [name, count] : counter.entries())
    recordLine(host, "'      " + name + "    Qty: " + std::to_string(count));
  recordLine(host, "'   End Feature List");
  recordLine(host, " ");
  return 0;
}

std::int16_t Features(const SessionContext& s) {
  std::int16_t answer = 0;
  std::int16_t result = runCheck(
      s, "Features", [&] { answer = ListFeatureTree(s.glbProcessID, s.MultiSession, s.VXPath); },
      OnFailure::TraceThenExit);
  return result != 0 ? result : answer;
}

}  // namespace rc::core
