#include "Core/interfaces/HostLookup.h"

#include <cctype>

#include "platform/automation/Registry.h"
#include "platform/automation/SessionKey.h"
#include "platform/automation/Trap.h"
#include "platform/os/Files.h"
#include "platform/os/Paths.h"
#include "platform/os/System.h"

namespace rc::core {

namespace au = rc::automation;

std::string hostProgIdForExecutable(std::string_view executablePath) {
  std::string lower(executablePath);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  // "\geometry\" with either separator on either side.
  for (std::size_t p = 0; (p = lower.find("geometry", p)) != std::string::npos; ++p) {
    if (p == 0 || !platform::isSeparator(lower[p - 1])) continue;
    std::size_t after = p + 8;
    if (after >= lower.size() || !platform::isSeparator(lower[after])) continue;
    // The folder in front of "geometry", in the path's own case: names on
    // this system's file systems are case-sensitive.
    std::string candidate = std::string(executablePath.substr(0, p)) + "application/orrery.exe";
    if (platform::fileExists(candidate)) return "Orrery2007.Application";
    break;
  }
  return "Vexlar.Application";
}

au::ObjectRef GetApp() { return au::createObject(hostProgIdForExecutable(platform::executablePath())); }

au::ObjectRef GetVexlarObjByPID(std::int32_t processId) { return au::getObject(au::runningSessionKey(processId)); }

au::ObjectRef GetSessionHost(std::int32_t processId, bool multiSession) {
  au::ObjectRef host;
  if (multiSession) {
    // An error of the per-session lookup only means: no object.
    au::trapped([&] { host = GetVexlarObjByPID(processId); }, [](const au::AutomationError&) {});
  }
  if (!host) host = GetApp();
  return host;
}

au::ObjectRef GetSessionHostStrict(std::int32_t processId, bool multiSession) {
  au::ObjectRef host;
  if (multiSession) host = GetVexlarObjByPID(processId);
  if (!host) host = GetApp();
  return host;
}

}  // namespace rc::core
