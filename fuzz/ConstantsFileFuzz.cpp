// Feeds arbitrary bytes to the constants-file reader as the host's
// vxconst.bas, asking for the enumeration named by the input's first line:
// the read fills the dictionary or ends with answer 1, never anything else,
// and no entry's name holds the "=" it was cut at.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "Core/interfaces/HostConstants.h"
#include "fuzz/FuzzScratch.h"
#include "platform/os/Files.h"

namespace {

// A scratch host folder (and drive root for the trace lines), made once.
const std::string& hostFolder() {
  static const std::string folder = [] {
    std::string f = rc::fuzz::scratchFolder() + "/host";
    rc::platform::createFolder(f + "/samples/appComm");
    ::setenv("RAVELCREST_DRIVE_ROOT", (f + "/drive").c_str(), 1);
    return f;
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string& folder = hostFolder();
  std::string content(reinterpret_cast<const char*>(data), size);
  rc::platform::writeFile(folder + "/samples/appComm/vxconst.bas", content);
  const std::string enumName = content.substr(0, std::min<std::size_t>(content.find_first_of("\r\n"), 24));
  rc::core::EnumDictionary dict;
  const std::int16_t answer = rc::core::LoadEnumDictionary(dict, enumName, folder);
  if (answer != 0 && answer != 1) __builtin_trap();
  for (const auto& [value, name] : dict)
    if (name.find('=') != std::string::npos) __builtin_trap();
  // Keep the trace log from growing without bound.
  if (rc::platform::fileExists(folder + "/drive/TraceLog.log")) rc::platform::deleteFile(folder + "/drive/TraceLog.log");
  return 0;
}
