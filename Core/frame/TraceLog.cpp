#include "Core/frame/TraceLog.h"

#include <string>

#include "platform/os/OutputFiles.h"
#include "platform/os/Paths.h"

namespace rc::core {

namespace {

std::string traceLine(std::string_view message) {
  std::string line;
  line.reserve(message.size() + 2);
  line.append("\"").append(message).append("\"");
  return line;
}

}  // namespace

void WriteTraceLog(std::string_view resultPath, std::string_view message) {
  platform::output::appendLine(platform::joinPath(resultPath, "TraceLog.log"), traceLine(message));
}

void WriteModuleTrace(std::string_view message) {
  platform::output::appendLine(platform::joinPath("", "TraceLog.log"), traceLine(message));
}

}  // namespace rc::core
