#include "Core/checks/FaceWalk.h"

#include "Core/interfaces/DocumentType.h"
#include "Core/interfaces/HostCalls.h"
#include "Core/interfaces/HostLookup.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/Trap.h"
#include "platform/os/MessageSink.h"

namespace rc::core {

namespace au = rc::automation;

namespace {

// Sums `countMember` over the faces of the active part, selecting each face
// first when `selectFaces`. Every statement runs on its own: an error shows
// its description and execution goes on with the next statement. An error
// in the part test enters the part branch, as resuming at the next
// statement does. A face walk whose next step fails ends there instead of
// counting the same face forever.
double sumOverFaces(std::int32_t processId, bool multiSession, bool selectFaces, std::string_view countMember) {
  au::ResumeNext next([](const au::AutomationError& e) { platform::showMessage(e.description()); });
  au::ObjectRef host, doc, body, face;
  double total = 0;
  bool isPart = true;
  next.step([&] { host = GetSessionHost(processId, multiSession); });
  next.step([&] { doc = activeDoc(host); });
  next.step([&] { isPart = au::call(doc, "GetType").toLong() == kPart; });
  if (!isPart) return 0;
  next.step([&] { au::call(doc, "ClearSelection"); });
  next.step([&] { body = au::callObject(doc, "Body"); });
  if (!body) return 0;
  next.step([&] { face = au::callObject(body, "GetFirstFace"); });
  while (face) {
    if (selectFaces) next.step([&] { au::call(face, "Select", true); });
    next.step([&] { total += au::call(face, countMember).toDouble(); });
    if (!next.step([&] { face = au::callObject(face, "GetNextFace"); })) face = nullptr;
  }
  next.step([&] { au::call(doc, "ClearSelection"); });
  return total;
}

}  // namespace

double CountPartEdges(std::int32_t glbProcessID, bool MultiSession) {
  return sumOverFaces(glbProcessID, MultiSession, true, "GetEdgeCount") / 2;
}

double CountPartTriangles(std::int32_t glbProcessID, bool MultiSession) {
  return sumOverFaces(glbProcessID, MultiSession, false, "GetTessTriangleCount");
}

}  // namespace rc::core
