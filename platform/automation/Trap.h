// The error-trap styles of the library, as three small helpers.
//
//   trapped(body, onError)   "trap and return a code": runs body; a run-time
//                            error calls onError(error) instead of escaping.
//   ResumeNext               "trap and skip the statement": each step() runs
//                            one statement; an error in it is handed to the
//                            handler and execution goes on with the next.
//   (no trap)                plain code: the error reaches the caller.
#pragma once

#include <functional>
#include <utility>

#include "platform/automation/Error.h"

namespace rc::automation {

// Runs `body`; when it raises a run-time error, runs `onError(const
// AutomationError&)` instead. Returns whether body ran to its end.
template <typename Body, typename OnError>
bool trapped(Body&& body, OnError&& onError) {
  try {
    std::forward<Body>(body)();
    return true;
  } catch (const AutomationError& e) {
    std::forward<OnError>(onError)(e);
    return false;
  }
}

// "On Error Resume Next" with a handler: every statement run through step()
// that raises hands the error to the handler and is skipped.
class ResumeNext {
 public:
  using Handler = std::function<void(const AutomationError&)>;
  explicit ResumeNext(Handler handler) : handler_(std::move(handler)) {}

  // Runs one statement; returns whether it completed.
  template <typename Stmt>
  bool step(Stmt&& stmt) {
    try {
      std::forward<Stmt>(stmt)();
      return true;
    } catch (const AutomationError& e) {
      if (handler_) handler_(e);
      return false;
    }
  }

 private:
  Handler handler_;
};

}  // namespace rc::automation
