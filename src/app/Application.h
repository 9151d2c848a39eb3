#pragma once

#include "gui/ProgramSeams.h"

/// The program's life over the given pieces, in this order: the single-instance guard (a second
/// instance shows its message, brings the running one forward and ends with exit code 0, before
/// any window is built or any data file read), the windows in their order, the splash for three
/// seconds, the timers, and the message loop until the main window has closed. Termination
/// signals and the session manager's end of the session end it whenever they come, from the first
/// moment on. seams.instanceGuard is this run's own. Returns the exit code.
int RunProgram(const ProgramSeams& seams);
