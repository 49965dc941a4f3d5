#pragma once
// readerctl's command line, checked completely before anything touches a port: a bad argument never reaches
// the reader. The commands are one table of rows; each row declares its own options on its CLI11 subcommand,
// and the options stand before the command or after it alike.
//
// How a step fails here: it returns its refusal, one line in the current language, empty when it accepted (as
// CLI11's validators and commission::ParseValue do); the line as a whole gives an invocation or that refusal.

#include "commission/card_views.h"
#include "commission/settings_table.h"

#include <optional>
#include <string>
#include <vector>

namespace cli {

struct Session;

/// The commands' identities, in the order of their rows; the rows say everything else.
enum class CtlCommand { Ports, Scan, Set, Default, Monitor, Apply, Diff, Audit, LineTest, Enrol, Help, Version };

/// --pin: port 0 pins every port present now to its adapter; otherwise COM`port` to `name`.
struct CtlPin {
    int port = 0;
    std::string name; ///< a file name in /dev/serial/by-id or by-path, or an absolute path
};

struct CtlInvocation {
    CtlCommand command = CtlCommand::Help;
    int (*run)(Session&) = nullptr;                    ///< the command's row's; none for Help and Version
    commission::Request settings;                      ///< set: each setting at most once
    std::string planPath;                              ///< apply, diff, audit
    int port = 0;                                      ///< --port: 1..16, 0 when not given
    std::optional<int> lineIndex;                      ///< --line, as an index of the line-settings table
    bool allLines = false;                             ///< --all-lines
    bool json = false;                                 ///< --json
    std::optional<long long> count;                    ///< --count (monitor, linetest)
    std::string tracePath;                             ///< --trace FILE
    std::optional<int> language;                       ///< --language: 0 English, 1 Simplified, 2 Traditional
    bool verify = true;                                ///< --no-verify clears it (set, default, apply)
    std::string recordPath;                            ///< --record FILE
    std::string reportPath;                            ///< --report FILE.html
    bool repeat = false;                               ///< --repeat (set, default)
    std::optional<CtlPin> pin;                         ///< --pin [COMn=NAME] (ports)
    bool replaceFailed = false;                        ///< --replace-failed (apply)
    std::string replaceDoor;                           ///< --replace DOOR (apply)
    long long lineTest = 0;                            ///< --linetest N (apply): 0 none
    bool card = false;                                 ///< --card (apply)
    bool views = false;                                ///< --views, -v (monitor)
    std::optional<commission::CardExpectation> expect; ///< --expect (monitor)
    std::string outPath;                               ///< --out FILE (enrol)
    std::string namePrefix = "Card ";                  ///< --name PREFIX (enrol)
    std::string help; ///< Help: the text to print (the generated help of the command asked)
};

struct CtlParse {
    std::optional<CtlInvocation> invocation;
    std::string error; ///< one line, when invocation is empty; in the current language
};

/// `args` without the program name.
CtlParse ParseCtlArguments(const std::vector<std::string>& args);

/// The language that `--language` asks for on a command line, if it asks for one it knows; before parsing, so
/// that even the complaints about the line are in it.
std::optional<int> LanguageAsked(const std::vector<std::string>& args);
/// Whether `--json` is asked for, by the same rule: before parsing, and not after "--", where it is a word.
bool JsonAsked(const std::vector<std::string>& args);

/// The names of the commands, and the options (long names) that `command` takes, for the tests that hold the
/// completion and the man page to them.
std::vector<std::string> CommandNames();
std::vector<std::string> OptionNamesOf(const std::string& command);

} // namespace cli
