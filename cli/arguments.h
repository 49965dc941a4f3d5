#pragma once
// readerctl's command line, checked completely before anything touches a port: a bad argument never reaches
// the reader.

#include <optional>
#include <string>
#include <vector>

namespace cli {

enum class CtlCommand { Ports, Scan, Set, Default, Monitor, Help, Version };
enum class CtlSetting { Id, Keys, Line, Mode, Parity };

struct CtlInvocation {
    CtlCommand command = CtlCommand::Help;
    /// For `set`: which setting, and its argument digits as the set command carries them ("07", "04", the
    /// baud-rate table index, "001", "0").
    CtlSetting setting = CtlSetting::Id;
    std::string value;
    int port = 0;                   ///< --port: 1..16, 0 when not given
    std::optional<int> lineIndex;   ///< --line, as an index of the line-settings table
    bool allLines = false;          ///< --all-lines
    bool json = false;              ///< --json
    std::optional<long long> count; ///< --count
    std::string tracePath;          ///< --trace
    std::optional<int> language;    ///< --language: 0 English, 1 Simplified, 2 Traditional
};

struct CtlParse {
    std::optional<CtlInvocation> invocation;
    std::string error; ///< one line, when invocation is empty
};

/// `args` without the program name.
CtlParse ParseCtlArguments(const std::vector<std::string>& args);

/// A line-settings argument: an index 0-11 or one of the table's texts ("19200,e,8,1"; parity letter in
/// either case). -1 for anything else.
int ParseLineSetting(const std::string& text);

/// The text of `readerctl --help`.
extern const char* const CtlUsage;

} // namespace cli
