#include "arguments.h"

#include "commission/words.h"
#include "localisation/message_table.h"
#include "protocol/protocol.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <array>
#include <iterator>
#include <sstream>
#include <stdexcept>

namespace cli {

namespace {

using commission::SettingRow;
using commission::SettingTable;
using localisation::Format;

constexpr unsigned Bit(CtlOption option) {
    return 1u << static_cast<unsigned>(option);
}

struct CommandRow {
    const char* name;
    CtlCommand command;
    const char* arguments; ///< after the name on the usage line
    const char* description;
    unsigned options; ///< the CtlOptions it takes
    bool plan;        ///< takes a plan file
};

constexpr unsigned SetOptions = Bit(CtlOption::AllLines) | Bit(CtlOption::NoVerify) | Bit(CtlOption::Record) |
                                Bit(CtlOption::Repeat) | Bit(CtlOption::Report);

constexpr CommandRow Commands[] = {
    {"ports", CtlCommand::Ports, "", "COM1..COM16, the device and the adapter behind each one", Bit(CtlOption::Pin),
     false},
    {"scan", CtlCommand::Scan, "", "find the reader and print its information",
     Bit(CtlOption::AllLines) | Bit(CtlOption::Record), false},
    {"set", CtlCommand::Set, " SETTING VALUE... [SETTING VALUE...]", "change one or more settings of the reader",
     SetOptions, false},
    {"default", CtlCommand::Default, "", "the factory default (ID 01, Wiegand 26, 4 keys, no parity, 19200,e,8,1)",
     SetOptions, false},
    {"monitor", CtlCommand::Monitor, "", "poll the reader; print every card and keypad entry",
     Bit(CtlOption::Count) | Bit(CtlOption::Views) | Bit(CtlOption::Expect), false},
    {"apply", CtlCommand::Apply, " PLAN", "commission a site: each reader found gets its row of the plan",
     Bit(CtlOption::NoVerify) | Bit(CtlOption::Record) | Bit(CtlOption::Report) | Bit(CtlOption::Replace), true},
    {"diff", CtlCommand::Diff, " PLAN", "what apply would change on the reader connected now; sends only queries",
     Bit(CtlOption::AllLines), true},
    {"audit", CtlCommand::Audit, " PLAN", "read only: each reader found compared with its row of the plan",
     Bit(CtlOption::Record) | Bit(CtlOption::Report), true},
    {"linetest", CtlCommand::LineTest, "",
     "presence queries at the reader's line setting: what the line does with them, and a verdict",
     Bit(CtlOption::Count), false},
    {"enrol", CtlCommand::Enrol, "", "poll the reader; each new card presented becomes a row of the --out list",
     Bit(CtlOption::Out) | Bit(CtlOption::Name), false},
};
constexpr std::size_t CommandCount = std::size(Commands);

/// The options that only some commands take, by the name they are given with.
struct OptionName {
    CtlOption option;
    const char* name;
};
constexpr OptionName OptionNames[] = {
    {CtlOption::AllLines, "--all-lines"},
    {CtlOption::Count, "--count"},
    {CtlOption::NoVerify, "--no-verify"},
    {CtlOption::Pin, "--pin"},
    {CtlOption::Record, "--record"},
    {CtlOption::Repeat, "--repeat"},
    {CtlOption::Report, "--report"},
    {CtlOption::Replace, "--replace"},
    {CtlOption::Replace, "--replace-failed"},
    {CtlOption::Views, "--views"},
    {CtlOption::Expect, "--expect"},
    {CtlOption::Out, "--out"},
    {CtlOption::Name, "--name"},
};

const CommandRow* FindCommand(const std::string& name) {
    const auto found =
        std::find_if(std::begin(Commands), std::end(Commands), [&](const CommandRow& row) { return name == row.name; });
    return found == std::end(Commands) ? nullptr : found;
}

/// Whether `command` takes the option named `name`; the options no command row lists are taken by all.
bool Takes(const CommandRow& command, const std::string& name) {
    for (const OptionName& option : OptionNames) {
        if (name == option.name)
            return (command.options & Bit(option.option)) != 0;
    }
    return true;
}

/// "a, b and c" in the current language.
std::string Enumeration(const std::vector<std::string>& items) {
    std::string text = items.empty() ? std::string() : items.front();
    for (std::size_t i = 1; i < items.size(); ++i) {
        if (i + 1 == items.size()) {
            text = Format(localisation::usAnd, {text, items[i]});
        } else {
            text += ", ";
            text += items[i];
        }
    }
    return text;
}

/// The commands that take an option: "scan, set and default".
std::string TakenBy(const char* option) {
    std::vector<std::string> names;
    for (const CommandRow& row : Commands) {
        if (Takes(row, option))
            names.emplace_back(row.name);
    }
    return Enumeration(names);
}

const char* const SettingsNote = "  The values of mode may also be list indexes: 0|1, 0|1|2, 0|1|2. The settings are\n"
                                 "  sent in this order, the line setting last, whatever the order given.\n";

/// `set`'s words: settings with their values, each setting at most once.
std::string ParseSettings(const std::vector<std::string>& words, bool repeat, commission::Request& settings) {
    std::vector<std::string> names;
    for (const SettingRow& row : SettingTable)
        names.emplace_back(row.name);
    if (words.empty())
        return Format(localisation::usSetNeeds, {Enumeration(names)});
    for (std::size_t i = 0; i < words.size();) {
        const std::string& name = words[i];
        const SettingRow* row = commission::FindSetting(name);
        if (!row)
            return Format(localisation::usUnknownSetting, {name, Enumeration(names)});
        if (settings[row->setting])
            return Format(localisation::usTwice, {"set " + name});
        const std::size_t end = std::min(words.size(), i + 1 + static_cast<std::size_t>(row->words));
        commission::Value value;
        if (std::string error = commission::ParseValue(
                *row, {words.begin() + static_cast<long>(i) + 1, words.begin() + static_cast<long>(end)}, repeat,
                value);
            !error.empty())
            return (end - i - 1 < static_cast<std::size_t>(row->words) ? "set " : "") + error;
        settings.add(value);
        i = end;
    }
    return {};
}

/// --pin's value: nothing, or COM<N>=NAME.
std::optional<CtlPin> ParsePin(const std::string& text) {
    const std::size_t equals = text.find('=');
    if (text.empty())
        return CtlPin{};
    if (equals == std::string::npos || equals + 1 == text.size() || commission::Lower(text.substr(0, 3)) != "com")
        return std::nullopt;
    const long long port = commission::InRange(text.substr(3, equals - 3), 1, 16);
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
                throw Refused(Format(localisation::usNeedsValue, {option}));
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
                throw Refused(Format(localisation::usNeedsFile, {option}));
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
            for (const SettingRow& setting : SettingTable) {
                std::ostringstream line;
                CLI::detail::format_help(line, std::string(setting.name) + " " + setting.values, setting.help,
                                         get_column_width());
                text += line.str();
            }
            text += SettingsNote + std::string("\n");
        }
        if (row->plan) {
            std::string columns = "door, serial";
            for (const SettingRow& setting : SettingTable)
                columns += std::string(", ") + setting.name;
            text += "PLAN: a CSV file with a header row; the columns are " + columns +
                    ".\n  An empty cell leaves that setting alone; a record written by --record is a plan too.\n\n";
        }
        const auto options = app->get_parent()->get_options(
            [row](const CLI::Option* option) { return Takes(*row, option->get_name()); });
        // make_group starts with the blank line that make_help has written already.
        return text + make_group(get_label("Options"), false, options).substr(1) + "\n" + Formatter::make_footer(app);
    }
};

const char* const ExitStatus =
    "Exit status: 0 done, 1 the reader was not found or the operation failed, 2 usage error.";

class CommandLine {
public:
    CommandLine() {
        // CLI11's own help option acts only once every value was checked, and each command would get a copy of
        // it: readerctl's own, below, acts at once, also after a command.
        app_.set_help_flag();
        app_.formatter(std::make_shared<Help>());
        // An option given twice is a mistake, as a setting given twice is: the second would silently win.
        app_.option_defaults()->disable_flag_override()->multi_option_policy(CLI::MultiOptionPolicy::Throw);
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
                "--port", [](const std::string& text) { return commission::InRange(text, 1, 16); },
                Format(localisation::usFromTo, {"1", "16"})));
        app_.add_option("--line", call_.lineIndex, "line settings with --port (default: the remembered ones)")
            ->option_text("SETTING")
            ->transform(Checked(
                "--line", [](const std::string& text) -> long long { return commission::ParseLineSetting(text); },
                Format(localisation::usLineRange, {})));
        app_.add_flag("--all-lines", call_.allLines, "scan, set, default, diff: search at all twelve line settings");
        app_.add_flag("--json", call_.json, "one JSON object per line on standard output");
        app_.add_option("--count", call_.count,
                        "monitor: stop after N cards or keypad entries; linetest: N queries (100)")
            ->option_text("N")
            ->transform(Checked(
                "--count", [](const std::string& text) { return commission::InRange(text, 1, 999999999); },
                Format(localisation::usOrMore, {"1"})));
        app_.add_option("--trace", call_.tracePath, "append the protocol trace to FILE (JSON lines)")
            ->option_text("FILE")
            ->check(FileName("--trace"));
        app_.add_option("--language", call_.language, "language of the messages (default: the remembered one)")
            ->option_text("en|gb|big5")
            ->transform(Checked(
                "--language", [](const std::string& text) -> long long { return LanguageItem(text); },
                Format(localisation::usLanguages, {})));
        app_.add_flag("--no-verify", noVerify_,
                      "set, default, apply: do not read the reader's settings back afterwards");
        app_.add_option("--record", call_.recordPath, "append a CSV row per reader to FILE")
            ->option_text("FILE")
            ->check(FileName("--record"));
        app_.add_flag("--repeat", call_.repeat,
                      "set, default: one reader after another, each read back and recorded, until Ctrl-C");
        app_.add_option("--pin", pin_, "ports: pin every port present to its adapter, or COM<N> to NAME (Linux)")
            ->option_text("[COM<N>=NAME]")
            ->expected(0, 1);
        app_.add_option("--replace", call_.replaceDoor,
                        "apply: the next reader found takes DOOR's row whatever its serial (a reader replaced)")
            ->option_text("DOOR");
        app_.add_flag("--replace-failed", call_.replaceFailed,
                      "apply: a new reader takes the row of a reader that failed after taking its ID");
        app_.add_option("--report", call_.reportPath,
                        "apply, audit, set --repeat: keep an HTML report of the site's readers in FILE")
            ->option_text("FILE.html")
            ->check(FileName("--report"));
        app_.add_flag("-v,--views", call_.views,
                      "monitor: each card as a controller may show it: W26, W34, bytes reversed, D0/D1 swapped");
        app_.add_option("--expect", expect_,
                        "monitor: the card number expected (decimal, 0x hexadecimal, or facility:number as 077:30211);"
                        " says whether each card matches, and under which view")
            ->option_text("CARD")
            ->check(CLI::Validator(
                [](std::string& text) {
                    if (text.empty())
                        throw Refused(Format(localisation::usNeedsValue, {"--expect"}));
                    if (!commission::ParseExpectation(text))
                        throw Refused(Format(localisation::usExpect, {text}));
                    return std::string();
                },
                std::string()));
        app_.add_option("--out", call_.outPath, "enrol: the card list, a CSV file; continued when it exists")
            ->option_text("FILE")
            ->check(FileName("--out"));
        app_.add_option("--name", call_.namePrefix, "enrol: the names of new cards, PREFIX and a counter (\"Card \")")
            ->option_text("PREFIX");

        for (std::size_t i = 0; i < CommandCount; ++i) {
            commands_[i] = app_.add_subcommand(Commands[i].name, Commands[i].description);
            commands_[i]->group("Commands");
            // Every word after the command, so that a word too many is told apart from an unknown command.
            commands_[i]->add_option("words", words_[i])->group("");
        }
        app_.require_subcommand(0, 1); // then a command's name after the command is a word like any other
    }

    std::vector<std::string> optionsOf(const std::string& command) const {
        std::vector<std::string> names;
        const CommandRow* row = FindCommand(command);
        for (const CLI::Option* option : app_.get_options()) {
            const std::string name = option->get_name();
            if (name.rfind("--", 0) == 0 && (!row || Takes(*row, name)))
                names.push_back(name);
            else if (name == "-h,--help" || name == "--help")
                names.emplace_back("--help");
        }
        return names;
    }

    static long long LanguageItem(const std::string& text) {
        return text.size() > 1 ? commission::ListItem(text, {"en", "gb", "big5"}) : -1;
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
                return {{}, Format(localisation::usPinEmpty, {})};
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
        } catch (const CLI::ArgumentMismatch& error) {
            return {{}, twice(before).value_or(describe(error, before))};
        } catch (const CLI::ParseError& error) {
            return {{}, describe(error, before)};
        } catch (const Refused& refused) {
            return {{}, refused.what()};
        }

        if (const std::vector<std::string> extras = app_.remaining(); !extras.empty()) {
            const std::string& extra = extras.front();
            return {{},
                    Format(extra.size() > 1 && extra[0] == '-' ? localisation::usUnknownOption
                                                               : localisation::usUnknownCommand,
                           {extra})};
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
                return {{}, Format(localisation::usUnknownCommand, {after.front()})};
            index = static_cast<std::size_t>(row - Commands);
            after.erase(after.begin());
        } else {
            return {{}, Format(localisation::usNoCommand, {})};
        }
        words.insert(words.end(), after.begin(), after.end());

        const CommandRow& command = Commands[index];
        call_.command = command.command;
        call_.verify = !noVerify_;
        if (command.command == CtlCommand::Set) {
            if (std::string error = ParseSettings(words, call_.repeat, call_.settings); !error.empty())
                return {{}, error};
        } else if (command.plan) {
            if (words.empty())
                return {{}, Format(localisation::usNeedsPlan, {command.name})};
            call_.planPath = words[0];
            if (words.size() > 1)
                return {{}, Format(localisation::usOnePlan, {command.name, words[1]})};
        } else if (!words.empty()) {
            return {{}, Format(localisation::usOneTooMany, {command.name, words[0]})};
        }
        if (std::string error = pairing(command); !error.empty())
            return {{}, error};
        if (command.command == CtlCommand::Enrol && call_.outPath.empty())
            return {{}, Format(localisation::usNeedsFile, {"enrol --out"})};
        if (!expect_.empty())
            call_.expect = commission::ParseExpectation(expect_);
        if (app_.get_option("--pin")->count() > 0 && !(call_.pin = ParsePin(pin_)))
            return {{}, "--pin " + pin_ + ": " + Format(localisation::usPinValue, {})};
        return {call_, {}};
    }

private:
    std::string pairing(const CommandRow& command) const {
        for (const CLI::Option* option : app_.get_options()) {
            if (option->count() > 1)
                return Format(localisation::usTwice, {option->get_name()});
        }
        if (call_.lineIndex && call_.port == 0)
            return Format(localisation::usGoesWith, {"--line", "--port"});
        if (call_.allLines && call_.port != 0)
            return Format(localisation::usAllLinesPort, {});
        for (const OptionName& option : OptionNames) {
            if (app_.get_option(option.name)->count() > 0 && !Takes(command, option.name))
                return Format(localisation::usGoesWith, {option.name, TakenBy(option.name)});
        }
        if (!call_.reportPath.empty() && !command.plan && !call_.repeat)
            return Format(localisation::usGoesWith, {"--report", "apply, audit, --repeat"});
        return {};
    }

    /// The option given twice, in our words.
    std::optional<std::string> twice(const std::vector<std::string>& tokens) const {
        std::vector<std::string> seen;
        for (const std::string& token : tokens) {
            const std::string name = token.substr(0, token.find('='));
            if (name.rfind("--", 0) != 0 || !app_.get_option_no_throw(name))
                continue;
            if (std::find(seen.begin(), seen.end(), name) != seen.end())
                return Format(localisation::usTwice, {name});
            seen.push_back(name);
        }
        return std::nullopt;
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
                return Format(localisation::usNoValue, {name});
            if (!flag && i + 1 == tokens.size())
                return Format(localisation::usNeedsValue, {name});
        }
        if (std::optional<std::string> repeated = twice(tokens))
            return *repeated;
        return error.what();
    }

    CLI::App app_{"Find, configure and monitor the keypad card reader on a serial line.", "readerctl"};
    CtlInvocation call_;
    bool noVerify_ = false;
    std::string pin_;
    std::string expect_;
    std::array<CLI::App*, CommandCount> commands_{};
    std::array<std::vector<std::string>, CommandCount> words_;
};

} // namespace

CtlParse ParseCtlArguments(const std::vector<std::string>& args) {
    return CommandLine().parse(args);
}

std::optional<int> LanguageAsked(const std::vector<std::string>& args) {
    for (std::size_t i = 0; i < args.size() && args[i] != "--"; ++i) {
        std::string value;
        if (args[i] == "--language" && i + 1 < args.size())
            value = args[i + 1];
        else if (args[i].rfind("--language=", 0) == 0)
            value = args[i].substr(11);
        else
            continue;
        if (const long long item = CommandLine::LanguageItem(value); item >= 0)
            return static_cast<int>(item);
    }
    return std::nullopt;
}

std::vector<std::string> OptionNamesOf(const std::string& command) {
    return CommandLine().optionsOf(command);
}

std::vector<std::string> CommandNames() {
    std::vector<std::string> names;
    for (const CommandRow& row : Commands)
        names.emplace_back(row.name);
    return names;
}

} // namespace cli
