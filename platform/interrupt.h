#pragma once
// Ctrl-C for a console program: SIGINT and SIGTERM on POSIX, the console's Ctrl-C and Ctrl-Break on Windows. The first one only raises a flag, so that the running operation can end after its current
// command and close its port; the program decides what to do with it.

namespace platform {

/// Installs the handlers. Afterwards InterruptRequested() tells whether one of those signals came.
void CatchInterrupts();
bool InterruptRequested();

} // namespace platform
