#include "arguments.h"

#include "protocol/protocol.h"

#include <cctype>
#include <cstdio>

namespace cli {

const char* const CtlUsage = R"(Usage: readerctl [options] COMMAND [ARGS]

Commands:
  ports                    COM1..COM16 and the device behind each one
  scan                     find the reader and print its information
  set id NN                reader ID, 1 to 99
  set keys NN              number of keypad keys, 0 to 20
  set line SETTING         line settings: an index 0-11 or a text such as 19200,e,8,1
  set mode MODE WIEGAND RS485
                           output mode wiegand|rs485, Wiegand length 26|34|42, RS485 length 24|32|40
  set parity DIGIT         keycode parity: 0 no parity (4 bits), 1 with parity
  default                  the factory default (ID 01, Wiegand 26, 4 keys, no parity, 19200,e,8,1)
  monitor                  poll the reader; print every card and keypad entry

Options:
  --port N                 use COMN only, no search (N 1 to 16)
  --line SETTING           line settings with --port (default: the saved ones)
  --all-lines              scan: try all twelve line settings on each port
  --json                   one JSON object per line on standard output
  --count N                monitor: stop after N cards or keypad entries
  --trace FILE             append the protocol trace to FILE (JSON lines)
  --language en|gb|big5    language of the messages (default: the saved one)
  --help, --version

Exit status: 0 done, 1 reader not found or operation failed, 2 usage error.
)";

namespace {

/// A whole decimal number of at most `maxDigits` digits, nothing else; -1 otherwise.
long long ParseNumber(const std::string& text, std::size_t maxDigits = 9) {
    if (text.empty() || text.size() > maxDigits)
        return -1;
    long long value = 0;
    for (const char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

std::string TwoDigits(long long value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02lld", value);
    return text;
}

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

/// Index of `text` among `names` (as given, or lower-cased), or among the list indexes "0".."n-1"; -1 if none.
int ListItem(const std::string& text, std::initializer_list<const char*> names) {
    int index = 0;
    for (const char* name : names) {
        if (Lower(text) == name)
            return index;
        ++index;
    }
    const long long number = ParseNumber(text, 1);
    return number >= 0 && number < static_cast<long long>(names.size()) ? static_cast<int>(number) : -1;
}

struct Parser {
    CtlParse result;
    CtlInvocation invocation;

    bool fail(const std::string& message) {
        result.error = message;
        return false;
    }

    bool setting(const std::vector<std::string>& words) {
        if (words.empty())
            return fail("set needs a setting: id, keys, line, mode or parity");
        const std::string& what = words[0];
        const std::size_t wanted = what == "mode" ? 4 : 2;
        if (what != "id" && what != "keys" && what != "line" && what != "mode" && what != "parity")
            return fail("unknown setting '" + what + "'; the settings are id, keys, line, mode and parity");
        if (words.size() != wanted)
            return fail("set " + what + (what == "mode" ? " takes three values" : " takes one value"));
        const std::string& arg = words[1];
        if (what == "id") {
            const long long id = ParseNumber(arg, 2);
            if (id < 1 || id > 99)
                return fail("reader ID '" + arg + "' is not a number from 1 to 99");
            invocation.setting = CtlSetting::Id;
            invocation.value = TwoDigits(id);
        } else if (what == "keys") {
            const long long keys = ParseNumber(arg, 2);
            if (keys < 0 || keys > 20)
                return fail("key count '" + arg + "' is not a number from 0 to 20");
            invocation.setting = CtlSetting::Keys;
            invocation.value = TwoDigits(keys);
        } else if (what == "line") {
            const int index = ParseLineSetting(arg);
            if (index < 0)
                return fail("line setting '" + arg + "' is neither an index 0-11 nor one such as 19200,e,8,1");
            invocation.setting = CtlSetting::Line;
            invocation.value = std::to_string(index);
        } else if (what == "mode") {
            const int mode = ListItem(arg, {"wiegand", "rs485"});
            const int wiegand = ListItem(words[2], {"26", "34", "42"});
            const int rs485 = ListItem(words[3], {"24", "32", "40"});
            if (mode < 0)
                return fail("mode '" + arg + "' is neither wiegand nor rs485");
            if (wiegand < 0)
                return fail("Wiegand length '" + words[2] + "' is not 26, 34 or 42");
            if (rs485 < 0)
                return fail("RS485 length '" + words[3] + "' is not 24, 32 or 40");
            invocation.setting = CtlSetting::Mode;
            invocation.value = std::to_string(mode) + std::to_string(wiegand) + std::to_string(rs485);
        } else {
            const long long parity = ParseNumber(arg, 1);
            if (parity < 0 || parity > 1)
                return fail("keycode parity '" + arg + "' is not 0 (no parity) or 1 (with parity)");
            invocation.setting = CtlSetting::Parity;
            invocation.value = std::to_string(parity);
        }
        return true;
    }

    bool parse(const std::vector<std::string>& args) {
        std::vector<std::string> words;
        for (std::size_t i = 0; i < args.size(); ++i) {
            std::string arg = args[i];
            std::optional<std::string> attached;
            if (arg.rfind("--", 0) == 0) {
                if (const std::size_t equals = arg.find('='); equals != std::string::npos) {
                    attached = arg.substr(equals + 1);
                    arg.resize(equals);
                }
            }
            const auto value = [&](std::string& out) {
                if (attached) {
                    out = *attached;
                    return true;
                }
                if (i + 1 >= args.size())
                    return fail(arg + " needs a value");
                out = args[++i];
                return true;
            };
            const auto flag = [&](bool& out) {
                if (attached)
                    return fail(arg + " takes no value");
                out = true;
                return true;
            };
            std::string text;
            if (arg == "--help" || arg == "-h") {
                invocation.command = CtlCommand::Help;
                result.invocation = invocation;
                return true;
            } else if (arg == "--version") {
                invocation.command = CtlCommand::Version;
                result.invocation = invocation;
                return true;
            } else if (arg == "--port") {
                if (!value(text))
                    return false;
                const long long port = ParseNumber(text, 2);
                if (port < 1 || port > 16)
                    return fail("--port '" + text + "' is not a COM number from 1 to 16");
                invocation.port = static_cast<int>(port);
            } else if (arg == "--line") {
                if (!value(text))
                    return false;
                const int index = ParseLineSetting(text);
                if (index < 0)
                    return fail("--line '" + text + "' is neither an index 0-11 nor one such as 19200,e,8,1");
                invocation.lineIndex = index;
            } else if (arg == "--all-lines") {
                if (!flag(invocation.allLines))
                    return false;
            } else if (arg == "--json") {
                if (!flag(invocation.json))
                    return false;
            } else if (arg == "--count") {
                if (!value(text))
                    return false;
                const long long count = ParseNumber(text);
                if (count < 1)
                    return fail("--count '" + text + "' is not a whole number of 1 or more");
                invocation.count = count;
            } else if (arg == "--trace") {
                if (!value(invocation.tracePath))
                    return false;
                if (invocation.tracePath.empty())
                    return fail("--trace needs a file name");
            } else if (arg == "--language") {
                if (!value(text))
                    return false;
                const int language = ListItem(text, {"en", "gb", "big5"});
                if (language < 0 || text.size() == 1)
                    return fail("--language '" + text + "' is not en, gb or big5");
                invocation.language = language;
            } else if (arg.size() > 1 && arg[0] == '-') {
                return fail("unknown option '" + arg + "'");
            } else {
                words.push_back(arg);
            }
        }

        if (words.empty())
            return fail("no command given");
        const std::string& command = words[0];
        const std::vector<std::string> rest(words.begin() + 1, words.end());
        if (command == "ports") {
            invocation.command = CtlCommand::Ports;
        } else if (command == "scan") {
            invocation.command = CtlCommand::Scan;
        } else if (command == "set") {
            invocation.command = CtlCommand::Set;
            if (!setting(rest))
                return false;
        } else if (command == "default") {
            invocation.command = CtlCommand::Default;
        } else if (command == "monitor") {
            invocation.command = CtlCommand::Monitor;
        } else {
            return fail("unknown command '" + command + "'");
        }
        if (command != "set" && !rest.empty())
            return fail(command + " takes no arguments; '" + rest[0] + "' is one too many");

        if (invocation.lineIndex && invocation.port == 0)
            return fail("--line goes with --port");
        if (invocation.allLines && invocation.command != CtlCommand::Scan)
            return fail("--all-lines goes with scan");
        if (invocation.allLines && invocation.port != 0)
            return fail("--all-lines searches every port; it cannot go with --port");
        if (invocation.count && invocation.command != CtlCommand::Monitor)
            return fail("--count goes with monitor");
        result.invocation = invocation;
        return true;
    }
};

} // namespace

int ParseLineSetting(const std::string& text) {
    const long long index = ParseNumber(text, 2);
    if (index >= 0)
        return index < protocol::BaudRateCount ? static_cast<int>(index) : -1;
    for (int i = 0; i < protocol::BaudRateCount; ++i) {
        if (Lower(text) == protocol::BaudRateTable[i])
            return i;
    }
    return -1;
}

CtlParse ParseCtlArguments(const std::vector<std::string>& args) {
    Parser parser;
    if (!parser.parse(args))
        parser.result.invocation.reset();
    return parser.result;
}

} // namespace cli
