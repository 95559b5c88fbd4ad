#include "Core/vault/WarningFile.h"

#include <string>

#include "platform/os/Files.h"

namespace rc::core::vault {

void AppendWarning(std::string_view path, std::string_view prefix, std::string_view text) {
  std::string line(prefix);
  line += text;
  platform::appendLine(path, line);
}

}  // namespace rc::core::vault
