// SIGINT, SIGTERM, SIGHUP and SIGQUIT: the handler only notes the signal and
// raises the application's closing flag, so the running wait ends at once,
// the way it does when the window closes, and the card is let go. SIGPIPE is
// ignored from the start: a closed standard output must not end a run that
// has begun to change the card, nor one that prints its help; the failed
// write is noted instead.
#pragma once

#include "seam/AppState.h"

namespace kovex {

// `state`'s closing flag is raised by the signals from now on.
void InstallInterruptHandler(AppState& state);
void IgnoreBrokenPipe();
bool Interrupted();
// The signal that interrupted the run; 0 when none did.
int InterruptSignal();
// Sends the signal that interrupted this process on to `pid` (a child run).
void ForwardInterrupt(int pid);

}  // namespace kovex
