// Feeds arbitrary bytes to the properties reader, as a baseline file, in
// both reading modes and with keys taken from the input itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "Core/properties/PropertyFile.h"
#include "platform/automation/Error.h"
#include "platform/os/Files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string file = "/tmp/ravelcrest-fuzz-properties-" + std::to_string(::getpid());
  std::string content(reinterpret_cast<const char*>(data), size);
  rc::platform::writeFile(file, content);
  // The first line (up to 16 bytes) names the key, so the fuzzer can find matches.
  std::string key = content.substr(0, std::min<std::size_t>(content.find_first_of("\r\n"), 16));
  for (const std::string& k : {key, std::string("EdgeCount"), std::string()}) {
    for (bool sum : {false, true}) {
      try {
        rc::core::GetProperty(k, file, sum);
      } catch (const rc::automation::AutomationError&) {
        // Bad values are reported as run-time errors; that is the contract.
      }
    }
  }
  return 0;
}
