// The running object table name of a host session.
//
// A host that runs several sessions publishes each session's application
// object under its session ProgID, ":" and the session's process ID in
// decimal ("VexlarSim.Session:4004"). The host registers under this name and
// the library's by-process lookup asks for it; both take it from here, beside
// the running object table, so neither side spells it out on its own.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace rc::automation {

// The ProgID that starts a separate host session, and the stem of its key.
inline constexpr std::string_view kSessionProgId = "VexlarSim.Session";

// The running object table name of the session whose process ID is `processId`.
inline std::string runningSessionKey(std::int32_t processId) {
  return std::string(kSessionProgId) + ":" + std::to_string(processId);
}

}  // namespace rc::automation
