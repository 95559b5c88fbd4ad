#include "tools/common/Interrupt.h"

#include <limits.h>
#include <unistd.h>

#include <csignal>
#include <cstring>

namespace rc::tools {

namespace {

// Set by the handler only; a signal handler can reach nothing but a static.
volatile std::sig_atomic_t stopRequested = 0;

// The paths the final signal removes, copied in before the handler can see
// them (a handler may only unlink and rmdir, which are async-signal-safe).
constexpr int kMaxRemovals = 8;
char removals[kMaxRemovals + 1][PATH_MAX];
volatile std::sig_atomic_t removalCount = 0;  // files first, the folder last

void onInterrupt(int signal) {
  stopRequested = signal;
  std::signal(SIGINT, SIG_DFL);  // the next Ctrl-C ends the process
}

void onStopSignal(int signal) {
  if (stopRequested == 0) {
    stopRequested = signal;
    return;
  }
  const int n = removalCount;
  for (int i = 0; i + 1 < n; ++i) ::unlink(removals[i]);
  if (n > 0) ::rmdir(removals[n - 1]);
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

void onWorkerInterrupt(int signal) { stopRequested = signal; }

}  // namespace

void watchInterrupts() { std::signal(SIGINT, onInterrupt); }

void watchStopSignals() {
  struct sigaction action {};
  action.sa_handler = onStopSignal;
  sigemptyset(&action.sa_mask);
  for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&action.sa_mask, s);  // one handler at a time
  for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaction(s, &action, nullptr);
}

void removeOnFinalSignal(const std::vector<std::string>& files, const std::string& folder) {
  removalCount = 0;
  if (folder.empty() || folder.size() >= PATH_MAX) return;
  int n = 0;
  for (const std::string& f : files) {
    if (n == kMaxRemovals || f.size() >= PATH_MAX) break;
    std::memcpy(removals[n++], f.c_str(), f.size() + 1);
  }
  std::memcpy(removals[n++], folder.c_str(), folder.size() + 1);
  removalCount = n;
}

void watchInterruptsInWorker() { std::signal(SIGINT, onWorkerInterrupt); }

bool interruptRequested() { return stopRequested != 0; }

int interruptSignal() { return stopRequested; }

}  // namespace rc::tools
