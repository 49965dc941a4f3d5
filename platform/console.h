#pragma once
// What a console program needs of its terminal. Ctrl-C: SIGINT and SIGTERM on POSIX, the console's Ctrl-C and
// Ctrl-Break on Windows. The first one only raises a flag, so that the running operation can end after its current
// command and close its port; the program decides what to do with it.

#include <string>
#include <vector>

namespace platform {

/// Installs the handlers. Afterwards InterruptRequested() tells whether one of those signals came.
void CatchInterrupts();
bool InterruptRequested();

/// The program's output is UTF-8: on Windows the console is switched to that code page, so that the Chinese
/// messages read right; elsewhere nothing needs doing.
void UseUtf8Console();

/// The program's arguments after its name, as UTF-8. On Windows they are taken from the wide command line, so
/// that a path in Chinese arrives as typed rather than as the ANSI code page's question marks.
std::vector<std::string> ProgramArguments(int argc, char** argv);

/// Standard output is a terminal (not a file or a pipe): a bell written there is heard.
bool OutputIsTerminal();

} // namespace platform
