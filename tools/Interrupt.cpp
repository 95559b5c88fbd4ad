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

void onWorkerInterrupt(int) { stopRequested = 1; }

}  // namespace

void watchInterrupts() { std::signal(SIGINT, onInterrupt); }

void watchInterruptsInWorker() { std::signal(SIGINT, onWorkerInterrupt); }

bool interruptRequested() { return stopRequested != 0; }

}  // namespace rc::tools
