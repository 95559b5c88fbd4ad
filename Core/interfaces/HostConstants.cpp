#include "Core/interfaces/HostConstants.h"

#include <cmath>

#include "Core/frame/TraceLog.h"
#include "platform/automation/Error.h"
#include "platform/automation/NumberText.h"
#include "platform/automation/Trap.h"
#include "platform/os/Files.h"
#include "platform/os/Paths.h"

namespace rc::core {

namespace au = rc::automation;

namespace {

constexpr std::string_view kConstantsFile = "samples/appComm/vxconst.bas";

bool contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

// Reads the constants file at `path`; raises on a read error, a member line
// without "=" or a block that the file ends inside.
void readEnumBlocks(EnumDictionary& dict, std::string_view enumName, const std::string& path) {
  platform::LineReader reader(path);
  while (!reader.atEnd()) {
    if (!contains(reader.next(), enumName)) continue;
    for (;;) {
      if (reader.atEnd()) au::raise(au::err::InputPastEndOfFile);
      std::string_view line = reader.next();
      if (contains(line, "End Enum")) break;
      if (!line.empty()) addEnumMember(dict, line);
    }
  }
}

}  // namespace

std::string hostFolderGrandparent(std::string_view folder) {
  std::string candidate;
  int found = 0;
  for (std::size_t k = folder.size() < 2 ? 0 : folder.size() - 1; k-- > 0;) {
    if (!platform::isSeparator(folder[k])) continue;
    candidate = std::string(folder.substr(0, k));
    if (++found == 2) break;
  }
  return candidate;
}

void addEnumMember(EnumDictionary& dict, std::string_view line) {
  const std::size_t eq = line.find('=');
  if (eq == std::string_view::npos) au::raise(au::err::InvalidCall);
  std::string_view number = eq + 2 < line.size() ? line.substr(eq + 2) : std::string_view();
  const double value = std::floor(au::leadingNumber(number));

  std::string_view name = line;
  while (!name.empty() && name.front() == '\t') name.remove_prefix(1);
  while (!name.empty() && name.front() == ' ') name.remove_prefix(1);
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  name = name.substr(0, name.find('='));
  if (name.starts_with("vx")) name.remove_prefix(2);
  dict.emplace(value, std::string(name));
}

std::int16_t LoadEnumDictionary(EnumDictionary& dict, std::string_view enumName, std::string_view hostFolder) {
  const std::string failed = "Failed to load Dictionary: " + std::string(enumName);
  std::string path = platform::joinPath(hostFolder, kConstantsFile);
  if (!platform::fileExists(path)) path = platform::joinPath(hostFolderGrandparent(hostFolder), kConstantsFile);
  if (!platform::fileExists(path)) {
    WriteModuleTrace("Couldn't find vxconst.bas");
    WriteModuleTrace(failed);
    return 1;
  }
  std::int16_t answer = 0;
  au::trapped([&] { readEnumBlocks(dict, enumName, path); },
              [&](const au::AutomationError&) {
                WriteModuleTrace(failed);
                answer = 1;
              });
  return answer;
}

}  // namespace rc::core
