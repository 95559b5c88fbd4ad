// Feeds arbitrary bytes to the settings store's text parser: a damaged text
// is refused with a run-time error, and what is accepted writes back in a
// form that parses to the same text again.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/automation/Error.h"
#include "platform/os/SettingsText.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  namespace st = rc::platform::settings_text;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    std::string once = st::format(st::parse(text, "fuzz"));
    if (st::format(st::parse(once, "fuzz")) != once) __builtin_trap();
  } catch (const rc::automation::AutomationError&) {
  }
  return 0;
}
