// Ctrl-C during a check run: the first interrupt asks the run to stop after
// the check in progress (the summary is still printed); a second one ends
// the process at once, as an interrupt normally does.
#pragma once

#include <string>
#include <vector>

namespace rc::tools {

// Installs the SIGINT handler for the rest of the process.
void watchInterrupts();

// As watchInterrupts, for SIGTERM and SIGHUP as well: the first of them
// asks the run to stop after the document in progress, so that what the
// run changed is put back as it ends; the next one removes the files given
// to removeOnFinalSignal and ends the process at once.
void watchStopSignals();

// The files (then the folder) the signal that ends the process at once
// removes first: a run's secrets must not outlive it. At most 8 paths; an
// empty list forgets them.
void removeOnFinalSignal(const std::vector<std::string>& files, const std::string& folder);

// In a worker process of a parallel run: every interrupt only asks it to
// stop after the check in progress (its parent decides when to give up).
void watchInterruptsInWorker();

// Whether an interrupt has asked the run to stop.
bool interruptRequested();

// The signal that asked the run to stop (SIGINT, SIGTERM, SIGHUP), 0 if none.
int interruptSignal();

}  // namespace rc::tools
