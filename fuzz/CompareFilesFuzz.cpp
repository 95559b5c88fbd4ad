// Splits the input into a baseline file and a new file and compares them
// under a tolerance taken from the input.
#include <cstddef>
#include <cstdint>
#include <string>

#include "Core/properties/Comparison.h"
#include "fuzz/FuzzScratch.h"
#include "platform/os/Files.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::string base = rc::fuzz::scratchFolder() + "/base";
  static const std::string fresh = rc::fuzz::scratchFolder() + "/new";
  std::string in(reinterpret_cast<const char*>(data), size);
  // Layout: tolerance NUL baseline NUL new.
  std::size_t a = in.find('\0');
  std::size_t b = a == std::string::npos ? std::string::npos : in.find('\0', a + 1);
  std::string tolerance = in.substr(0, std::min(a, std::size_t{32}));
  std::string first = a == std::string::npos ? in : in.substr(a + 1, b == std::string::npos ? std::string::npos : b - a - 1);
  std::string second = b == std::string::npos ? std::string() : in.substr(b + 1);
  rc::platform::writeFile(base, first);
  rc::platform::writeFile(fresh, second);
  std::string message;
  bool same = rc::core::CompareFiles(base, fresh, rc::automation::Variant(tolerance), message);
  // A verdict of "different" always explains itself.
  if (!same && message.empty()) __builtin_trap();
  if (first == second && !first.empty() && !same) __builtin_trap();
  return 0;
}
