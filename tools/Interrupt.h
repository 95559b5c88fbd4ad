// Ctrl-C during a check run: the first interrupt asks the run to stop after
// the check in progress (the summary is still printed); a second one ends
// the process at once, as an interrupt normally does.
#pragma once

namespace rc::tools {

// Installs the SIGINT handler for the rest of the process.
void watchInterrupts();

// Whether an interrupt has asked the run to stop.
bool interruptRequested();

}  // namespace rc::tools
