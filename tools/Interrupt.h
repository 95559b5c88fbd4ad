// Ctrl-C during a check run: the first interrupt asks the run to stop after
// the check in progress (the summary is still printed); a second one ends
// the process at once, as an interrupt normally does.
#pragma once

namespace rc::tools {

// Installs the SIGINT handler for the rest of the process.
void watchInterrupts();

// In a worker process of a parallel run: every interrupt only asks it to
// stop after the check in progress (its parent decides when to give up).
void watchInterruptsInWorker();

// Whether an interrupt has asked the run to stop.
bool interruptRequested();

}  // namespace rc::tools
