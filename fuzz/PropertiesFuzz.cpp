// Feeds arbitrary bytes to the properties reader, as a baseline file, in
// both reading modes and with keys taken from the input itself; then
// appends a baseline whose value is taken from the input, which must either
// read back as written or, holding a line end, be refused with nothing
// written.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "Core/properties/PropertyFile.h"
#include "fuzz/FuzzScratch.h"
#include "platform/automation/Error.h"
#include "platform/os/Files.h"

namespace {

void readEveryWay(const std::string& file, const std::string& key) {
  for (const std::string& k : {key, std::string("EdgeCount"), std::string()}) {
    for (bool sum : {false, true}) {
      try {
        rc::core::GetProperty(k, file, sum);
      } catch (const rc::automation::AutomationError&) {
        // Bad values are reported as run-time errors; that is the contract.
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string file = rc::fuzz::scratchFolder() + "/baseline";
  std::string content(reinterpret_cast<const char*>(data), size);
  rc::platform::writeFile(file, content);
  // The first line (up to 16 bytes) names the key, so the fuzzer can find matches.
  std::string key = content.substr(0, std::min<std::size_t>(content.find_first_of("\r\n"), 16));
  readEveryWay(file, key);

  const std::string value = content.substr(0, 24);
  const bool lineEnd = value.find_first_of("\r\n") != std::string::npos;
  const bool plain = !lineEnd && value.find('\'') == std::string::npos && value.find("Build") == std::string::npos;
  bool fresh = false;
  try {
    fresh = rc::core::GetProperty("FuzzKey", file, false) == "-1";
  } catch (const rc::automation::AutomationError&) {
  }
  try {
    std::int16_t result = rc::core::SetProperty("FuzzKey", file, value, "B1");
    if (lineEnd) __builtin_trap();  // a forged line could have been written
    // Appended on a line of its own, the value reads back as written.
    if (result == 0 && fresh && plain && rc::core::GetProperty("FuzzKey", file, false) != value + "      ")
      __builtin_trap();
  } catch (const rc::automation::AutomationError& e) {
    if (!lineEnd || e.number() != 5 || rc::platform::readFile(file) != content) __builtin_trap();
  }
  return 0;
}
