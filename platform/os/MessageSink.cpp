#include "platform/os/MessageSink.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "platform/automation/Error.h"
#include "platform/os/Files.h"

namespace rc::platform {

namespace {

// The installed handler: a process-wide service, like the message box it
// stands for. Empty means the default handler.
struct SinkState {
  std::mutex mu;
  MessageHandler handler;
};

SinkState& sinkState() {
  static SinkState s;
  return s;
}

// Writes the message to standard error and, when $RAVELCREST_MESSAGES names a
// file, appends it there as a line. A message that cannot be filed is noted
// on standard error; showing a message never fails.
void defaultHandler(std::string_view text) {
  std::string line = "ravelcrest: ";
  line.append(text).push_back('\n');
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);

  const char* file = std::getenv("RAVELCREST_MESSAGES");
  if (file == nullptr || *file == '\0') return;
  try {
    appendLine(file, text);
  } catch (const automation::AutomationError& e) {
    std::string note = "ravelcrest: cannot write to ";
    note.append(file).append(": ").append(e.description()).push_back('\n');
    std::fwrite(note.data(), 1, note.size(), stderr);
  }
}

}  // namespace

void showMessage(std::string_view text) {
  MessageHandler handler;
  {
    SinkState& s = sinkState();
    std::lock_guard lock(s.mu);
    handler = s.handler;
  }
  // The handler runs outside the lock so that it may show messages itself.
  if (handler) {
    handler(text);
  } else {
    defaultHandler(text);
  }
}

MessageHandler setMessageHandler(MessageHandler handler) {
  SinkState& s = sinkState();
  std::lock_guard lock(s.mu);
  MessageHandler previous = std::move(s.handler);
  s.handler = std::move(handler);
  return previous;
}

}  // namespace rc::platform
