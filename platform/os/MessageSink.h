// The message sink: stands for the modal message box and never blocks.
//
// showMessage() hands the text to the installed handler; the default handler
// writes "ravelcrest: " and the text to standard error and appends the text
// as a line to $RAVELCREST_MESSAGES when that is set. An embedding program
// (the Python module, the CLI, a test) may install its own handler.
#pragma once

#include <functional>
#include <string_view>

namespace rc::platform {

using MessageHandler = std::function<void(std::string_view text)>;

void showMessage(std::string_view text);

// Installs `handler` (an empty function restores the default) and returns
// the one it replaces.
MessageHandler setMessageHandler(MessageHandler handler);

// Installs a handler for the lifetime of this object (tests, embedders).
class ScopedMessageHandler {
 public:
  explicit ScopedMessageHandler(MessageHandler handler) : previous_(setMessageHandler(std::move(handler))) {}
  ~ScopedMessageHandler() { setMessageHandler(std::move(previous_)); }
  ScopedMessageHandler(const ScopedMessageHandler&) = delete;
  ScopedMessageHandler& operator=(const ScopedMessageHandler&) = delete;

 private:
  MessageHandler previous_;
};

}  // namespace rc::platform
