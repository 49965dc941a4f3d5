#pragma once
// What main.cpp needs around the window: the command line, read before Qt starts so that --help, --version and
// a mistake need no display, and the box that reports an error the window let through.

#include <QString>

#include <string>
#include <vector>

namespace console {

/// The exit status, as readerctl's, of a command line that is not understood or names a trace file that
/// cannot be opened.
inline constexpr int UsageErrorStatus = 2;

/// What the command line asks for.
struct ProgramCall {
    enum Kind { Run, Help, Version, UsageError };
    Kind kind = Run;
    std::string text;       ///< Help and Version: for standard output; UsageError: the line for standard error
    std::string tracePath;  ///< Run: the file of --trace; empty without one
    bool site = false;      ///< --site: the site window instead of the main window
    std::string planPath;   ///< --site PLAN; empty: the settings chosen in the window
    std::string recordPath; ///< --record; empty: the window's default
    std::string reportPath; ///< --report; empty: no report
};

/// `args` without the program's name. Qt's own options (-platform NAME, -style NAME, ...) are left to
/// QApplication.
ProgramCall ReadCommandLine(const std::vector<std::string>& args);

/// The default pointer back, however many wait cursors are set.
void RestoreDefaultCursor();
/// The error in a message box, over the normal pointer.
void ShowErrorBox(const QString& text);

} // namespace console
