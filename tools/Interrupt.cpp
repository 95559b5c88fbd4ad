#include "tools/Interrupt.h"

#include <csignal>

namespace rc::tools {

namespace {

// Set by the handler only; a signal handler can reach nothing but a static.
volatile std::sig_atomic_t stopRequested = 0;

void onInterrupt(int) {
  stopRequested = 1;
  std::signal(SIGINT, SIG_DFL);  // the next Ctrl-C ends the process
}

}  // namespace

void watchInterrupts() { std::signal(SIGINT, onInterrupt); }

bool interruptRequested() { return stopRequested != 0; }

}  // namespace rc::tools
