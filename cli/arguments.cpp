#include "arguments.h"

#include "protocol/protocol.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <array>
#include <cctype>
#include <functional>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace cli {

namespace {

const char* const ExitStatus =
    "Exit status: 0 done, 1 the reader was not found or the operation failed, 2 usage error.";

struct CommandRow {
    const char* name;
    CtlCommand command;
    const char* arguments; ///< after the name on the usage line
    const char* description;
};

constexpr CommandRow Commands[] = {
    {"ports", CtlCommand::Ports, "", "COM1..COM16, the device and the adapter behind each one"},
    {"scan", CtlCommand::Scan, "", "find the reader and print its information"},
    {"set", CtlCommand::Set, " SETTING VALUE... [SETTING VALUE...]", "change one or more settings of the reader"},
    {"default", CtlCommand::Default, "", "the factory default (ID 01, Wiegand 26, 4 keys, no parity, 19200,e,8,1)"},
    {"monitor", CtlCommand::Monitor, "", "poll the reader; print every card and keypad entry"},
};
constexpr std::size_t CommandCount = std::size(Commands);

const CommandRow* FindCommand(const std::string& name) {
    const auto found =
        std::find_if(std::begin(Commands), std::end(Commands), [&](const CommandRow& row) { return name == row.name; });
    return found == std::end(Commands) ? nullptr : found;
}

constexpr unsigned Bit(CtlCommand command) {
    return 1u << static_cast<unsigned>(command);
}

/// The options that only some commands take: refused with the others, and listed only in their help.
struct OptionRule {
    const char* option;
    unsigned commands;
};

constexpr OptionRule OptionRules[] = {
    {"--all-lines", Bit(CtlCommand::Scan) | Bit(CtlCommand::Set) | Bit(CtlCommand::Default)},
    {"--count", Bit(CtlCommand::Monitor)},
    {"--no-verify", Bit(CtlCommand::Set) | Bit(CtlCommand::Default)},
    {"--pin", Bit(CtlCommand::Ports)},
    {"--record", Bit(CtlCommand::Scan) | Bit(CtlCommand::Set) | Bit(CtlCommand::Default)},
    {"--repeat", Bit(CtlCommand::Set) | Bit(CtlCommand::Default)},
};

bool Takes(CtlCommand command, const std::string& option) {
    for (const OptionRule& rule : OptionRules) {
        if (option == rule.option)
            return (rule.commands & Bit(command)) != 0;
    }
    return true;
}

/// "scan, set and default".
std::string CommandList(unsigned commands) {
    std::vector<std::string> names;
    for (const CommandRow& row : Commands) {
        if (commands & Bit(row.command))
            names.emplace_back(row.name);
    }
    std::string text = names.front();
    for (std::size_t i = 1; i < names.size(); ++i)
        text += (i + 1 == names.size() ? " and " : ", ") + names[i];
    return text;
}

struct SettingRow {
    const char* name;
    CtlSetting setting;
    std::size_t valueCount;
    const char* values; ///< as the help names them
    const char* description;
};

constexpr SettingRow Settings[] = {
    {"id", CtlSetting::Id, 1, "N | N+", "reader ID, 1 to 99; N+ (with --repeat): N, then N+1 for each next reader"},
    {"keys", CtlSetting::Keys, 1, "N", "number of keypad keys, 0 to 20"},
    {"line", CtlSetting::Line, 1, "SETTING", "line settings: an index 0 to 11 or a text such as 19200,e,8,1"},
    {"mode", CtlSetting::Mode, 3, "MODE WIEGAND RS485",
     "wiegand|rs485, Wiegand length 26|34|42, RS485 length 24|32|40"},
    {"parity", CtlSetting::Parity, 1, "0|1", "keycode parity: 0 no parity (4 bits), 1 with parity"},
};

const char* const SettingsNote =
    "  The values of mode may also be list indexes: 0|1, 0|1|2, 0|1|2. The line setting is\n"
    "  applied last, wherever it stands.\n";

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

/// The number `text` is, when it lies from `low` to `high`; -1 otherwise.
long long InRange(const std::string& text, long long low, long long high) {
    const long long value = ParseNumber(text);
    return value >= low && value <= high ? value : -1;
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

/// One setting of `set` from its values; an empty text when it is fine, else the message.
std::string ParseSetting(const SettingRow& row, const std::string* values, bool repeat, CtlSetValue& out) {
    const std::string& text = values[0];
    const auto refuse = [&](const char* range) { return std::string(row.name) + " " + text + ": " + range; };
    out.setting = row.setting;
    switch (row.setting) {
    case CtlSetting::Id:
        out.stepping = !text.empty() && text.back() == '+';
        out.number = static_cast<int>(InRange(out.stepping ? text.substr(0, text.size() - 1) : text, 1, 99));
        if (out.number < 0)
            return refuse("1 to 99");
        if (out.stepping && !repeat)
            return refuse("N+ goes with --repeat");
        break;
    case CtlSetting::Keys:
        out.number = static_cast<int>(InRange(text, 0, 20));
        if (out.number < 0)
            return refuse("0 to 20");
        break;
    case CtlSetting::Line:
        out.number = ParseLineSetting(text);
        if (out.number < 0)
            return refuse("an index 0 to 11 or a setting such as 19200,e,8,1");
        break;
    case CtlSetting::Mode:
        out.mode = ListItem(text, {"wiegand", "rs485"});
        out.wiegand = ListItem(values[1], {"26", "34", "42"});
        out.rs485 = ListItem(values[2], {"24", "32", "40"});
        if (out.mode < 0)
            return refuse("wiegand or rs485 (0 or 1)");
        if (out.wiegand < 0)
            return "Wiegand length " + values[1] + ": 26, 34 or 42";
        if (out.rs485 < 0)
            return "RS485 length " + values[2] + ": 24, 32 or 40";
        break;
    case CtlSetting::Parity:
        out.number = static_cast<int>(InRange(text, 0, 1));
        if (out.number < 0)
            return refuse("0 or 1");
        break;
    }
    return {};
}

/// `set`'s words: settings with their values, each setting at most once.
std::string ParseSettings(const std::vector<std::string>& words, bool repeat, std::vector<CtlSetValue>& settings) {
    if (words.empty())
        return "set needs a setting: id, keys, line, mode or parity";
    for (std::size_t i = 0; i < words.size();) {
        const std::string& name = words[i];
        const auto row = std::find_if(std::begin(Settings), std::end(Settings),
                                      [&](const SettingRow& setting) { return name == setting.name; });
        if (row == std::end(Settings))
            return "unknown setting '" + name + "'; the settings are id, keys, line, mode and parity";
        if (std::any_of(settings.begin(), settings.end(),
                        [&](const CtlSetValue& given) { return given.setting == row->setting; }))
            return "set " + name + " is given twice";
        if (words.size() - i - 1 < row->valueCount)
            return "set " + name + (row->valueCount == 1 ? " needs a value: " : " needs three values: ") + row->values;
        CtlSetValue value;
        if (std::string error = ParseSetting(*row, &words[i + 1], repeat, value); !error.empty())
            return error;
        settings.push_back(value);
        i += 1 + row->valueCount;
    }
    return {};
}

/// --pin's value: nothing, or COM<N>=NAME.
std::optional<CtlPin> ParsePin(const std::string& text) {
    const std::size_t equals = text.find('=');
    if (text.empty())
        return CtlPin{};
    if (equals == std::string::npos || equals + 1 == text.size() || Lower(text.substr(0, 3)) != "com")
        return std::nullopt;
    const long long port = InRange(text.substr(3, equals - 3), 1, 16);
    if (port < 0)
        return std::nullopt;
    return CtlPin{static_cast<int>(port), text.substr(equals + 1)};
}

/// A value refused by a check below. It passes through CLI11, which would put the option's name before a
/// message of its own checks.
class Refused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// `parse` gives the number an option's text stands for, or -1; CLI11 converts that number into the variable.
CLI::Validator Checked(const std::string& option, long long (*parse)(const std::string&), const std::string& range) {
    return CLI::Validator(
        [=](std::string& text) {
            if (text.empty())
                throw Refused(option + " needs a value");
            const long long value = parse(text);
            if (value < 0)
                throw Refused(option + " " + text + ": " + range);
            text = std::to_string(value);
            return std::string();
        },
        std::string());
}

CLI::Validator FileName(const std::string& option) {
    return CLI::Validator(
        [=](std::string& text) {
            if (text.empty())
                throw Refused(option + " needs a file name");
            return std::string();
        },
        std::string());
}

/// CLI11's help with readerctl's usage lines. The options belong to readerctl itself, so that they go before
/// or after the command, and CLI11 would list none of them for a command: its help lists those it takes.
class Help final : public CLI::Formatter {
public:
    std::string make_usage(const CLI::App* app, std::string) const override {
        const CommandRow* row = app->get_parent() ? FindCommand(app->get_name()) : nullptr;
        return std::string(get_label("Usage")) + ": readerctl [OPTIONS] " +
               (row ? std::string(row->name) + row->arguments : "COMMAND [ARGS]") + "\n";
    }

    std::string make_footer(const CLI::App* app) const override {
        const CommandRow* row = app->get_parent() ? FindCommand(app->get_name()) : nullptr;
        if (!row)
            return Formatter::make_footer(app);
        std::string text;
        if (row->command == CtlCommand::Set) {
            text += "Settings:\n";
            for (const SettingRow& setting : Settings) {
                std::ostringstream line;
                CLI::detail::format_help(line, std::string(setting.name) + " " + setting.values, setting.description,
                                         get_column_width());
                text += line.str();
            }
            text += SettingsNote + std::string("\n");
        }
        const auto options = app->get_parent()->get_options(
            [row](const CLI::Option* option) { return Takes(row->command, option->get_name()); });
        // make_group starts with the blank line that make_help has written already.
        return text + make_group(get_label("Options"), false, options).substr(1) + "\n" + Formatter::make_footer(app);
    }
};

class CommandLine {
public:
    CommandLine() {
        // CLI11's own help option acts only once every value was checked, and each command would get a copy of
        // it: readerctl's own, below, acts at once, also after a command.
        app_.set_help_flag();
        app_.formatter(std::make_shared<Help>());
        app_.option_defaults()->disable_flag_override()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
        app_.allow_windows_style_options(false); // as on Linux: "/x" is a word
        app_.allow_extras();
        app_.fallthrough(); // the options after the command too
        app_.footer(ExitStatus);

        // While parsing: help and version win over any mistake on the line.
        app_.add_flag_callback(
                "-h,--help", [] { throw CLI::CallForHelp(); }, "this help; after a command, the command's help")
            ->trigger_on_parse();
        app_.set_version_flag("--version", std::string(), "the version of readerctl")->trigger_on_parse();
        app_.add_option("--port", call_.port, "use COM<N> only, no search (N 1 to 16)")
            ->option_text("N")
            ->transform(Checked(
                "--port", [](const std::string& text) { return InRange(text, 1, 16); }, "1 to 16"));
        app_.add_option("--line", call_.lineIndex, "line settings with --port (default: the remembered ones)")
            ->option_text("SETTING")
            ->transform(Checked(
                "--line", [](const std::string& text) -> long long { return ParseLineSetting(text); },
                "an index 0 to 11 or a setting such as 19200,e,8,1"));
        app_.add_flag("--all-lines", call_.allLines, "scan, set, default: search at all twelve line settings");
        app_.add_flag("--json", call_.json, "one JSON object per line on standard output");
        app_.add_option("--count", call_.count, "monitor: stop after N cards or keypad entries")
            ->option_text("N")
            ->transform(Checked(
                "--count", [](const std::string& text) { return InRange(text, 1, 999999999); }, "1 or more"));
        app_.add_option("--trace", call_.tracePath, "append the protocol trace to FILE (JSON lines)")
            ->option_text("FILE")
            ->check(FileName("--trace"));
        app_.add_option("--language", call_.language, "language of the messages (default: the remembered one)")
            ->option_text("en|gb|big5")
            ->transform(Checked(
                "--language",
                [](const std::string& text) -> long long {
                    return text.size() > 1 ? ListItem(text, {"en", "gb", "big5"}) : -1;
                },
                "en, gb or big5"));
        app_.add_flag("--no-verify", noVerify_, "set, default: do not read the reader's settings back afterwards");
        app_.add_option("--record", call_.recordPath, "scan, set, default: append a CSV row per reader to FILE")
            ->option_text("FILE")
            ->check(FileName("--record"));
        app_.add_flag("--repeat", call_.repeat,
                      "set, default: one reader after another, each read back and recorded, until Ctrl-C");
        app_.add_option("--pin", pin_, "ports: pin every port present to its adapter, or COM<N> to NAME (Linux)")
            ->option_text("[COM<N>=NAME]")
            ->expected(0, 1);

        for (std::size_t i = 0; i < CommandCount; ++i) {
            commands_[i] = app_.add_subcommand(Commands[i].name, Commands[i].description);
            commands_[i]->group("Commands");
            // Every word after the command, so that a word too many is told apart from an unknown command.
            commands_[i]->add_option("words", words_[i])->group("");
        }
        app_.require_subcommand(0, 1); // then a command's name after the command is a word like any other
    }

    CtlParse parse(const std::vector<std::string>& args) {
        // CLI11 honours "--" only inside the command it stands in, and parses a command named after it with
        // options again; so the words after it never reach CLI11, and go to the command here.
        const auto mark = std::find(args.begin(), args.end(), "--");
        std::vector<std::string> before;
        for (auto arg = args.begin(); arg != mark; ++arg) {
            // CLI11 gives an empty value of --pin as no value, which pins every port: a script's empty variable
            // must not do that.
            if (*arg == "--pin=" || (*arg == "--pin" && arg + 1 != mark && arg[1].empty()))
                return {{}, "--pin needs COM<N>=NAME after it, or nothing to pin every port present"};
            // CLI11 takes the next word as the value of "--trace=": the empty value is given as such instead.
            const bool emptyValue = arg->rfind("--", 0) == 0 && arg->find('=') + 1 == arg->size();
            const std::string name = arg->substr(0, arg->size() - 1);
            const CLI::Option* option = emptyValue ? app_.get_option_no_throw(name) : nullptr;
            if (option && option->get_items_expected_max() > 0) {
                before.push_back(name);
                before.emplace_back();
            } else {
                before.push_back(*arg);
            }
        }
        std::vector<std::string> after(mark == args.end() ? mark : mark + 1, args.end());
        try {
            app_.parse(std::vector<std::string>(before.rbegin(), before.rend())); // CLI11 takes the last first
        } catch (const CLI::CallForHelp&) {
            call_.command = CtlCommand::Help;
            call_.help = app_.help();
            return {call_, {}};
        } catch (const CLI::CallForVersion&) {
            call_.command = CtlCommand::Version;
            return {call_, {}};
        } catch (const CLI::ParseError& error) {
            return {{}, describe(error, before)};
        } catch (const Refused& refused) {
            return {{}, refused.what()};
        }

        if (const std::vector<std::string> extras = app_.remaining(); !extras.empty()) {
            const std::string& extra = extras.front();
            return {{}, (extra.size() > 1 && extra[0] == '-' ? "unknown option '" : "unknown command '") + extra + "'"};
        }
        std::size_t index = CommandCount;
        for (std::size_t i = 0; i < CommandCount; ++i) {
            if (commands_[i]->parsed())
                index = i;
        }
        std::vector<std::string> words;
        if (index < CommandCount) {
            words = words_[index];
        } else if (!after.empty()) {
            const CommandRow* row = FindCommand(after.front());
            if (!row)
                return {{}, "unknown command '" + after.front() + "'"};
            index = static_cast<std::size_t>(row - Commands);
            after.erase(after.begin());
        } else {
            return {{}, "no command given"};
        }
        words.insert(words.end(), after.begin(), after.end());

        const CommandRow& command = Commands[index];
        call_.command = command.command;
        call_.verify = !noVerify_;
        if (command.command == CtlCommand::Set) {
            if (std::string error = ParseSettings(words, call_.repeat, call_.settings); !error.empty())
                return {{}, error};
        } else if (!words.empty()) {
            return {{}, std::string(command.name) + " takes no arguments; '" + words[0] + "' is one too many"};
        }
        if (std::string error = pairing(); !error.empty())
            return {{}, error};
        if (app_.get_option("--pin")->count() > 0 && !(call_.pin = ParsePin(pin_)))
            return {{}, "--pin " + pin_ + ": COM<N>=NAME, N 1 to 16"};
        return {call_, {}};
    }

private:
    std::string pairing() const {
        if (call_.lineIndex && call_.port == 0)
            return "--line goes with --port";
        if (call_.allLines && call_.port != 0)
            return "--all-lines searches every port; it cannot go with --port";
        for (const OptionRule& rule : OptionRules) {
            if (app_.get_option(rule.option)->count() > 0 && !Takes(call_.command, rule.option))
                return std::string(rule.option) + " goes with " + CommandList(rule.commands);
        }
        return {};
    }

    /// CLI11 refuses on its own only a missing value and a value given to a flag; said again in our words.
    std::string describe(const CLI::ParseError& error, const std::vector<std::string>& tokens) const {
        for (std::size_t i = 0; i < tokens.size(); ++i) {
            const std::size_t equals = tokens[i].find('=');
            const std::string name = tokens[i].substr(0, equals);
            const CLI::Option* option = app_.get_option_no_throw(name);
            if (!option)
                continue;
            const bool flag = option->get_items_expected_max() == 0;
            if (flag && equals != std::string::npos)
                return name + " takes no value";
            if (!flag && i + 1 == tokens.size())
                return name + " needs a value";
        }
        return error.what();
    }

    CLI::App app_{"Find, configure and monitor the keypad card reader on a serial line.", "readerctl"};
    CtlInvocation call_;
    bool noVerify_ = false;
    std::string pin_;
    std::array<CLI::App*, CommandCount> commands_{};
    std::array<std::vector<std::string>, CommandCount> words_;
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
    return CommandLine().parse(args);
}

} // namespace cli
