#pragma once
// readerctl as a function, so that the tests run it over the virtual reader with their own system, settings
// store and streams. The operations and the commissioning are the window's own; only their reporting differs:
// lines of text or JSON.

#include "platform/settings_store.h"
#include "platform/system.h"

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace cli {

/// Exit codes.
inline constexpr int CtlDone = 0;
inline constexpr int CtlFailed = 1;
inline constexpr int CtlUsageError = 2;

struct CtlEnvironment {
    platform::System& system;
    platform::SettingsStore& store;
    std::ostream& out;
    std::ostream& err;
    /// True once the user asked to stop (Ctrl-C); asked between commands.
    std::function<bool()> interrupted = [] { return false; };
    /// Rings the terminal's bell, when the beep found no sound device; empty: nothing.
    std::function<void()> bell;
};

/// Runs one command line (`args` without the program name) and returns the exit code.
int RunReaderctl(const std::vector<std::string>& args, CtlEnvironment& environment);

} // namespace cli
