#pragma once
// readerctl's command line, checked completely before anything touches a port: a bad argument never reaches
// the reader.

#include <optional>
#include <string>
#include <vector>

namespace cli {

enum class CtlCommand { Ports, Scan, Set, Default, Monitor, Help, Version };
enum class CtlSetting { Id, Keys, Line, Mode, Parity };

/// One setting of `set`, parsed once into what the operation takes.
struct CtlSetValue {
    CtlSetting setting = CtlSetting::Id;
    int number = 0;        ///< Id 1..99, Keys 0..20, Line: the line-settings index 0..11, Parity 0 or 1
    bool stepping = false; ///< Id given as N+ (only with --repeat): the first reader gets N, each next one N+1
    int mode = 0;          ///< Mode: list indexes: mode 0 Wiegand / 1 RS485,
    int wiegand = 0;       ///<   Wiegand length 0 = 26, 1 = 34, 2 = 42,
    int rs485 = 0;         ///<   RS485 length 0 = 24, 1 = 32, 2 = 40
};

/// --pin: port 0 pins every port present now to its adapter; otherwise COM`port` to `name`.
struct CtlPin {
    int port = 0;
    std::string name; ///< a file name in /dev/serial/by-id or by-path, or an absolute path
};

struct CtlInvocation {
    CtlCommand command = CtlCommand::Help;
    std::vector<CtlSetValue> settings; ///< set: as given on the command line, each setting at most once
    int port = 0;                      ///< --port: 1..16, 0 when not given
    std::optional<int> lineIndex;      ///< --line, as an index of the line-settings table
    bool allLines = false;             ///< --all-lines
    bool json = false;                 ///< --json
    std::optional<long long> count;    ///< --count (monitor)
    std::string tracePath;             ///< --trace FILE
    std::optional<int> language;       ///< --language: 0 English, 1 Simplified, 2 Traditional
    bool verify = true;                ///< --no-verify clears it (set, default)
    std::string recordPath;            ///< --record FILE (scan, set, default)
    bool repeat = false;               ///< --repeat (set, default)
    std::optional<CtlPin> pin;         ///< --pin [COMn=NAME] (ports)
    std::string help;                  ///< Help: the text to print (the generated help of the command asked)
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

} // namespace cli
