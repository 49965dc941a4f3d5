#include "arguments.h"

#include "cli/session.h"
#include "commission/words.h"
#include "localisation/message_table.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <functional>
#include <iterator>
#include <sstream>

namespace cli {

namespace {

using commission::SettingRow;
using commission::SettingTable;
using localisation::Format;

class Declare;

/// A command: its name and arguments, what it does, the options it takes (declared on its own CLI11
/// subcommand) and what runs it.
struct CommandRow {
    CtlCommand command;
    const char* name;
    const char* arguments; ///< after the name on the usage line
    const char* description;
    void (*setup)(Declare&); ///< declares the options it takes, each by its function below
    int (*run)(Session&);
};

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
std::string ParsePin(const std::string& text, std::optional<CtlPin>& pin) {
    const std::size_t equals = text.find('=');
    std::string refusal = "--pin " + text + ": " + Format(localisation::usPinValue, {});
    if (text.empty()) {
        pin = CtlPin{};
        return {};
    }
    if (equals == std::string::npos || equals + 1 == text.size() || commission::Lower(text.substr(0, 3)) != "com")
        return refusal;
    const long long port = commission::InRange(text.substr(3, equals - 3), 1, 16);
    if (port < 0)
        return refusal;
    pin = CtlPin{static_cast<int>(port), text.substr(equals + 1)};
    return {};
}

long long LanguageItem(const std::string& text) {
    return text.size() > 1 ? commission::ListItem(text, {"en", "gb", "big5"}) : -1;
}

/// A check of an option's value as CLI11 runs it. CLI11 would put the option's name before the refusal, in its
/// own words: the first refusal is kept as it was written, and told instead.
CLI::Validator Checked(std::string& first, const std::function<std::string(std::string&)>& check) {
    return CLI::Validator(
        [&first, check](std::string& text) {
            std::string refusal = check(text);
            if (first.empty())
                first = refusal;
            return refusal;
        },
        std::string());
}

/// `parse` gives the number an option's text stands for, or -1; CLI11 converts that number into the variable.
CLI::Validator Number(std::string& first, const std::string& option, long long (*parse)(const std::string&),
                      const std::string& range) {
    return Checked(first, [=](std::string& text) {
        if (text.empty())
            return Format(localisation::usNeedsValue, {option});
        const long long value = parse(text);
        if (value < 0)
            return option + " " + text + ": " + range;
        text = std::to_string(value);
        return std::string();
    });
}

CLI::Validator FileName(std::string& first, const std::string& option) {
    return Checked(first, [=](std::string& text) {
        return text.empty() ? Format(localisation::usNeedsFile, {option}) : std::string();
    });
}

/// What a command's row declares its options into, and what the options are bound to.
struct Parsed {
    CtlInvocation call;
    bool noVerify = false;
    std::string pin;
    std::string expect;
    std::vector<std::string> words; ///< set's settings and values
    std::string rest;               ///< the first word after a command's arguments: one too many
    std::string refusal;            ///< the first value refused by a check of ours
    /// Options that cannot go together, and what is said when they do.
    struct Exclusion {
        const CLI::Option* option;
        const CLI::Option* other;
        std::string text;
    };
    std::vector<Exclusion> exclusions;
};

/// The options, each written once: a command's setup declares those it takes on its subcommand.
class Declare {
public:
    Declare(CLI::App& command, CLI::App& root, Parsed& parsed) : app_(command), root_(root), p_(parsed) {}

    Declare& allLines() {
        CLI::Option* option = app_.add_flag("--all-lines", p_.call.allLines,
                                            "scan, set, default, diff: search at all twelve line settings")
                                  ->excludes(root_.get_option("--port"));
        p_.exclusions.push_back({option, root_.get_option("--port"), Format(localisation::usAllLinesPort, {})});
        return *this;
    }
    Declare& count() {
        app_.add_option("--count", p_.call.count,
                        "monitor: stop after N cards or keypad entries; linetest: N queries (100)")
            ->option_text("N")
            ->transform(Number(
                p_.refusal, "--count", [](const std::string& text) { return commission::InRange(text, 1, 999999999); },
                Format(localisation::usOrMore, {"1"})));
        return *this;
    }
    Declare& noVerify() {
        app_.add_flag("--no-verify", p_.noVerify,
                      "set, default, apply: do not read the reader's settings back afterwards");
        return *this;
    }
    Declare& record() {
        app_.add_option("--record", p_.call.recordPath, "append a CSV row per reader to FILE")
            ->option_text("FILE")
            ->check(FileName(p_.refusal, "--record"));
        return *this;
    }
    Declare& repeat() {
        app_.add_flag("--repeat", p_.call.repeat,
                      "set, default: one reader after another, each read back and recorded, until Ctrl-C");
        return *this;
    }
    /// A report is kept of a site: a plan's, or one reader after another.
    Declare& report() {
        CLI::Option* option =
            app_.add_option("--report", p_.call.reportPath,
                            "apply, audit, set --repeat: keep an HTML report of the site's readers in FILE")
                ->option_text("FILE.html")
                ->check(FileName(p_.refusal, "--report"));
        if (CLI::Option* repeat = app_.get_option_no_throw("--repeat"))
            option->needs(repeat);
        return *this;
    }
    Declare& pin() {
        app_.add_option("--pin", p_.pin, "ports: pin every port present to its adapter, or COM<N> to NAME (Linux)")
            ->option_text("[COM<N>=NAME]")
            ->expected(0, 1)
            ->check(Checked(p_.refusal, [](std::string& text) {
                std::optional<CtlPin> pin;
                return ParsePin(text, pin);
            }));
        return *this;
    }
    Declare& replace() {
        app_.add_option("--replace", p_.call.replaceDoor,
                        "apply: the next reader found takes DOOR's row whatever its serial (a reader replaced)")
            ->option_text("DOOR");
        app_.add_flag("--replace-failed", p_.call.replaceFailed,
                      "apply: a new reader takes the row of a reader that failed after taking its ID");
        return *this;
    }
    Declare& atTheDoor() {
        app_.add_option("--linetest", p_.call.lineTest, "apply: after each read-back, test the line with N queries")
            ->option_text("N")
            ->transform(Number(
                p_.refusal, "--linetest",
                [](const std::string& text) { return commission::InRange(text, 1, 999999999); },
                Format(localisation::usOrMore, {"1"})));
        app_.add_flag("--card", p_.call.card, "apply: after each read-back, ask for a card and record it (RS485 mode)");
        return *this;
    }
    Declare& views() {
        app_.add_flag("-v,--views", p_.call.views,
                      "monitor: each card as a controller may show it: W26, W34, bytes reversed, D0/D1 swapped");
        return *this;
    }
    Declare& expect() {
        app_.add_option("--expect", p_.expect,
                        "monitor: the card number expected (decimal, 0x hexadecimal, or facility:number as 077:30211);"
                        " says whether each card matches, and under which view")
            ->option_text("CARD")
            ->check(Checked(p_.refusal, [](std::string& text) {
                if (text.empty())
                    return Format(localisation::usNeedsValue, {"--expect"});
                return commission::ParseExpectation(text) ? std::string() : Format(localisation::usExpect, {text});
            }));
        return *this;
    }
    Declare& out() {
        app_.add_option("--out", p_.call.outPath, "enrol: the card list, a CSV file; continued when it exists")
            ->option_text("FILE")
            ->required()
            ->check(FileName(p_.refusal, "--out"));
        return *this;
    }
    Declare& name() {
        app_.add_option("--name", p_.call.namePrefix, "enrol: the names of new cards, PREFIX and a counter (\"Card \")")
            ->option_text("PREFIX");
        return *this;
    }
    /// set's settings with their values: the words after the command, options and "--" aside.
    Declare& settings() {
        app_.add_option("words", p_.words)->group("");
        return *this;
    }
    /// A site's plan, the command's one argument.
    Declare& plan() {
        app_.add_option("plan", p_.call.planPath)->required()->group("");
        return *this;
    }

private:
    CLI::App& app_;
    CLI::App& root_;
    Parsed& p_;
};

const CommandRow Commands[] = {
    {CtlCommand::Ports, "ports", "", "COM1..COM16, the device and the adapter behind each one",
     [](Declare& d) { d.pin(); }, RunPorts},
    {CtlCommand::Scan, "scan", "", "find the reader and print its information",
     [](Declare& d) { d.allLines().record(); }, RunScan},
    {CtlCommand::Set, "set", " SETTING VALUE... [SETTING VALUE...]", "change one or more settings of the reader",
     [](Declare& d) { d.settings().allLines().noVerify().record().repeat().report(); }, RunSet},
    {CtlCommand::Default, "default", "", "the factory default (ID 01, Wiegand 26, 4 keys, no parity, 19200,e,8,1)",
     [](Declare& d) { d.allLines().noVerify().record().repeat().report(); }, RunSet},
    {CtlCommand::Monitor, "monitor", "", "poll the reader; print every card and keypad entry",
     [](Declare& d) { d.count().views().expect(); }, RunMonitor},
    {CtlCommand::Apply, "apply", " PLAN", "commission a site: each reader found gets its row of the plan",
     [](Declare& d) { d.plan().noVerify().record().replace().report().atTheDoor(); }, RunApply},
    {CtlCommand::Diff, "diff", " PLAN", "what apply would change on the reader connected now; sends only queries",
     [](Declare& d) { d.plan().allLines(); }, RunDiff},
    {CtlCommand::Audit, "audit", " PLAN", "read only: each reader found compared with its row of the plan",
     [](Declare& d) { d.plan().record().report(); }, RunAudit},
    {CtlCommand::LineTest, "linetest", "",
     "presence queries at the reader's line setting: what the line does with them, and a verdict",
     [](Declare& d) { d.count(); }, RunLineTest},
    {CtlCommand::Enrol, "enrol", "", "poll the reader; each new card presented becomes a row of the --out list",
     [](Declare& d) { d.out().name(); }, RunEnrol},
};

const CommandRow* FindCommand(const std::string& name) {
    const auto found =
        std::find_if(std::begin(Commands), std::end(Commands), [&](const CommandRow& row) { return name == row.name; });
    return found == std::end(Commands) ? nullptr : found;
}

bool TakesPlan(const CLI::App& command) {
    return command.get_option_no_throw("plan") != nullptr;
}

/// The options `app` lists in its help: readerctl's own, then a command's.
std::vector<const CLI::Option*> Listed(const CLI::App& app) {
    const auto named = [](const CLI::Option* option) { return option->nonpositional(); };
    std::vector<const CLI::Option*> options = (app.get_parent() ? *app.get_parent() : app).get_options(named);
    const std::vector<const CLI::App*> commands = app.get_parent()
                                                      ? std::vector<const CLI::App*>{&app}
                                                      : app.get_subcommands([](const CLI::App*) { return true; });
    for (const CLI::App* command : commands) {
        for (const CLI::Option* option : command->get_options(named)) {
            if (std::none_of(options.begin(), options.end(),
                             [&](const CLI::Option* listed) { return listed->get_name() == option->get_name(); }))
                options.push_back(option);
        }
    }
    return options;
}

/// CLI11's help with readerctl's usage lines; a command's help lists readerctl's options with its own.
class Help final : public CLI::Formatter {
public:
    std::string make_usage(const CLI::App* app, std::string) const override {
        const CommandRow* row = app->get_parent() ? FindCommand(app->get_name()) : nullptr;
        return std::string(get_label("Usage")) + ": readerctl [OPTIONS] " +
               (row ? std::string(row->name) + row->arguments : "COMMAND [ARGS]") + "\n";
    }

    /// An option's value as its text says; which options go together the messages tell.
    std::string make_option_opts(const CLI::Option* option) const override {
        return option->get_option_text().empty() ? std::string() : " " + option->get_option_text();
    }

    /// The options are listed by list() alone, each once: CLI11 would list a command's without readerctl's.
    std::string make_group(std::string, bool, std::vector<const CLI::Option*>) const override { return {}; }

    /// readerctl has no positionals: their place takes the options of readerctl and of every command.
    std::string make_positionals(const CLI::App* app) const override {
        return app->get_parent() ? std::string() : list(*app);
    }

    std::string make_footer(const CLI::App* app) const override {
        if (!app->get_parent())
            return Formatter::make_footer(app);
        std::string text;
        if (app->get_option_no_throw("words")) {
            text += "Settings:\n";
            for (const SettingRow& setting : SettingTable) {
                std::ostringstream line;
                CLI::detail::format_help(line, std::string(setting.name) + " " + setting.values, setting.help,
                                         get_column_width());
                text += line.str();
            }
            text += SettingsNote + std::string("\n");
        }
        if (TakesPlan(*app)) {
            std::string columns = "door, serial";
            for (const SettingRow& setting : SettingTable)
                columns += std::string(", ") + setting.name;
            text += "PLAN: a CSV file with a header row; the columns are " + columns +
                    ".\n  An empty cell leaves that setting alone; a record written by --record is a plan too.\n\n";
        }
        // make_group starts with the blank line that make_help has written already.
        return text + list(*app).substr(1) + "\n" + Formatter::make_footer(app);
    }

private:
    std::string list(const CLI::App& app) const {
        return Formatter::make_group(get_label("Options"), false, Listed(app));
    }
};

const char* const ExitStatus =
    "Exit status: 0 done, 1 the reader was not found or the operation failed, 2 usage error.";

/// A typed error of CLI11's in readerctl's words, or in CLI11's own when none were found for it.
CtlParse Refused(const std::string& refusal, const CLI::Error& error) {
    return {{}, refusal.empty() ? error.what() : refusal};
}

class CommandLine {
public:
    CommandLine() {
        // CLI11's own help option acts only once every value was checked, and each command would get a copy of
        // it: readerctl's own, below, acts at once, also after a command.
        app_.set_help_flag();
        app_.formatter(std::make_shared<Help>());
        // A second value would silently win, as a setting given twice would: counted, and refused below.
        app_.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
        app_.allow_windows_style_options(false); // as on Linux: "/x" is a word
        app_.allow_extras();                     // told in readerctl's words below
        app_.fallthrough();                      // readerctl's own options after the command too
        app_.footer(ExitStatus);

        // While parsing: help and version win over any mistake on the line.
        app_.add_flag_callback(
                "-h,--help", [] { throw CLI::CallForHelp(); }, "this help; after a command, the command's help")
            ->trigger_on_parse();
        app_.set_version_flag("--version", std::string(), "the version of readerctl")->trigger_on_parse();
        CLI::Option* port =
            app_.add_option("--port", p_.call.port, "use COM<N> only, no search (N 1 to 16)")
                ->option_text("N")
                ->transform(Number(
                    p_.refusal, "--port", [](const std::string& text) { return commission::InRange(text, 1, 16); },
                    Format(localisation::usFromTo, {"1", "16"})));
        app_.add_option("--line", p_.call.lineIndex, "line settings with --port (default: the remembered ones)")
            ->option_text("SETTING")
            ->needs(port)
            ->transform(Number(
                p_.refusal, "--line",
                [](const std::string& text) -> long long { return commission::ParseLineSetting(text); },
                Format(localisation::usLineRange, {})));
        app_.add_flag("--json", p_.call.json, "one JSON object per line on standard output");
        app_.add_option("--trace", p_.call.tracePath, "append the protocol trace to FILE (JSON lines)")
            ->option_text("FILE")
            ->check(FileName(p_.refusal, "--trace"));
        app_.add_option("--language", p_.call.language, "language of the messages (default: the remembered one)")
            ->option_text("en|gb|big5")
            ->transform(Number(p_.refusal, "--language", LanguageItem, Format(localisation::usLanguages, {})));

        for (const CommandRow& row : Commands) {
            CLI::App* command = app_.add_subcommand(row.name, row.description)->group("Commands");
            Declare declare(*command, app_, p_);
            row.setup(declare);
            // Declared last, it takes what the command's own arguments leave, even after "--", where CLI11 would
            // otherwise read options again.
            command->add_option("rest", p_.rest)->group("");
        }
        // CLI11 would take "--json=1" as the flag's value: a flag takes none.
        std::vector<CLI::App*> apps = app_.get_subcommands([](const CLI::App*) { return true; });
        apps.push_back(&app_);
        for (CLI::App* app : apps) {
            for (CLI::Option* flag :
                 app->get_options([](const CLI::Option* o) { return o->get_items_expected_max() == 0; }))
                flag->check(Checked(p_.refusal, [name = flag->get_name()](std::string& text) {
                    return text == "true" ? std::string() : Format(localisation::usNoValue, {name});
                }));
        }
        app_.require_subcommand(0, 1); // then a command's name after the command is a word like any other
    }

    std::vector<std::string> optionsOf(const std::string& command) const {
        const CLI::App* app = FindCommand(command) ? app_.get_subcommand(command) : &app_;
        std::vector<std::string> names;
        for (const CLI::Option* option : Listed(*app)) {
            const std::string name = option->get_name();
            names.push_back(name.rfind("--", 0) == 0 ? name : "--help");
        }
        return names;
    }

    /// The line as given. CLI11 gives the options before a command to readerctl itself: once it has found the
    /// command, the line is given again with the command first, so that they are the command's as much as those
    /// after it.
    CtlParse read(std::vector<std::string> args) {
        if (std::string refusal = normalise(args); !refusal.empty())
            return {{}, refusal};
        std::optional<std::size_t> at;
        CtlParse parsed = parse(args, at);
        if (!at || *at == 0)
            return parsed;
        if (std::string refusal = stray(before_); !refusal.empty())
            return {{}, refusal};
        const auto mark = std::find(args.begin(), args.end(), "--");
        if (mark != args.end() && mark + 1 < args.begin() + static_cast<long>(*at)) // after "--", the command first
            return {{}, Format(localisation::usUnknownCommand, {mark[1]})};
        std::rotate(args.begin(), args.begin() + static_cast<long>(*at), args.begin() + static_cast<long>(*at) + 1);
        return CommandLine().parse(args, at);
    }

private:
    /// CLI11 would take "--trace=" as asking for the next word: it is given an empty value instead. An empty
    /// --pin would pin every port, as --pin alone does: a script's empty variable must not do that.
    std::string normalise(std::vector<std::string>& args) const {
        for (auto arg = args.begin(); arg != args.end() && *arg != "--"; ++arg) {
            if (*arg == "--pin=" || (*arg == "--pin" && arg + 1 != args.end() && arg[1].empty()))
                return Format(localisation::usPinEmpty, {});
            const CLI::Option* option = arg->size() > 3 && arg->rfind("--", 0) == 0 && arg->back() == '='
                                            ? find(arg->substr(0, arg->size() - 1))
                                            : nullptr;
            if (option && option->get_items_expected_max() > 0) {
                arg->pop_back();
                arg = args.insert(arg + 1, std::string());
            }
        }
        return {};
    }

    /// `at`: where CLI11 found the command, as the line's index.
    CtlParse parse(const std::vector<std::string>& args, std::optional<std::size_t>& at) {
        for (const CommandRow& row : Commands)
            app_.get_subcommand(row.name)->preparse_callback([&](std::size_t left) {
                at = args.size() - left - 1;
                before_ = app_.remaining();
            });
        try {
            app_.parse(std::vector<std::string>(args.rbegin(), args.rend())); // CLI11 takes the last first
        } catch (const CLI::CallForHelp&) {
            p_.call.command = CtlCommand::Help;
            p_.call.help = app_.help();
            return {p_.call, {}};
        } catch (const CLI::CallForVersion&) {
            p_.call.command = CtlCommand::Version;
            return {p_.call, {}};
        } catch (const CLI::ValidationError& error) {
            return Refused(p_.refusal, error);
        } catch (const CLI::RequiresError& error) {
            return Refused(unpaired(), error);
        } catch (const CLI::RequiredError& error) {
            return Refused(missing(), error);
        } catch (const CLI::ExcludesError& error) {
            return Refused(excluded(), error);
        } catch (const CLI::ArgumentMismatch&) {
            // Any word is a value: only an option that ends the line goes without its value.
            return {{}, Format(localisation::usNeedsValue, {args.back()})};
        } catch (const CLI::ParseError& error) {
            return {{}, error.what()};
        }
        if (app_.get_subcommands().empty()) {
            const std::string refusal = stray(app_.remaining());
            return {{}, refusal.empty() ? Format(localisation::usNoCommand, {}) : refusal};
        }

        const CLI::App& command = *app_.get_subcommands().front();
        const CommandRow& row = *FindCommand(command.get_name());
        // CLI11 keeps a "--" that ended the options among the words it had no place for.
        for (const std::string& word : app_.remaining(true)) {
            if (word != "--")
                return {{}, extra(command, word)};
        }
        if (command.get_option("rest")->count() > 0)
            return {{}, tooMany(command, p_.rest)};
        for (const CLI::Option* option : Listed(command)) {
            if (option->count() > 1)
                return {{}, Format(localisation::usTwice, {option->get_name()})};
        }
        p_.call.command = row.command;
        p_.call.run = row.run;
        p_.call.verify = !p_.noVerify;
        if (command.get_option_no_throw("words")) {
            if (std::string refusal = ParseSettings(p_.words, p_.call.repeat, p_.call.settings); !refusal.empty())
                return {{}, refusal};
        }
        if (!p_.expect.empty())
            p_.call.expect = commission::ParseExpectation(p_.expect);
        if (const CLI::Option* pin = command.get_option_no_throw("--pin"); pin && pin->count() > 0)
            ParsePin(p_.pin, p_.call.pin);
        return {p_.call, {}};
    }

    /// The first of `words`, which readerctl took no part of, that is not an option of some command's with its
    /// value.
    std::string stray(const std::vector<std::string>& words) const {
        for (auto word = words.begin(); word != words.end(); ++word) {
            if (word->size() < 2 || word->front() != '-')
                return Format(localisation::usUnknownCommand, {*word});
            const std::size_t equals = word->find('=');
            const CLI::Option* option = *word == "--" ? nullptr : find(word->substr(0, equals));
            if (*word != "--" && !option)
                return Format(localisation::usUnknownOption, {*word});
            if (!option || option->get_items_expected_max() == 0 || equals != std::string::npos)
                continue;
            if (word + 1 != words.end())
                ++word; // its value
            else if (option->get_items_expected_min() > 0)
                return Format(localisation::usNeedsValue, {*word});
        }
        return {};
    }

    /// An option of readerctl's or of any command's.
    const CLI::Option* find(const std::string& name) const {
        if (const CLI::Option* option = app_.get_option_no_throw(name))
            return option;
        for (const CommandRow& row : Commands) {
            if (const CLI::Option* option = app_.get_subcommand(row.name)->get_option_no_throw(name))
                return option;
        }
        return nullptr;
    }

    /// A word the command took no part of: an option it does not take, an unknown one, or an argument too many.
    std::string extra(const CLI::App& command, const std::string& word) const {
        if (word.size() > 1 && word.front() == '-') {
            const CLI::Option* option = find(word.substr(0, word.find('=')));
            return option ? Format(localisation::usGoesWith, {option->get_name(), Enumeration(takers(*option))})
                          : Format(localisation::usUnknownOption, {word});
        }
        return tooMany(command, word);
    }

    std::string tooMany(const CLI::App& command, const std::string& word) const {
        return Format(TakesPlan(command) ? localisation::usOnePlan : localisation::usOneTooMany,
                      {command.get_name(), word});
    }

    /// The commands that take `option`, in the order of their rows; `alone`: only those where it needs no other.
    std::vector<std::string> takers(const CLI::Option& option, bool alone = false) const {
        std::vector<std::string> names;
        for (const CommandRow& row : Commands) {
            const CLI::Option* own = app_.get_subcommand(row.name)->get_option_no_throw(option.get_name());
            if (own && (!alone || own->get_needs().empty()))
                names.emplace_back(row.name);
        }
        return names;
    }

    /// The command CLI11 took; readerctl itself before it found one, or where it found one after "--".
    const CLI::App& chosen() const {
        const std::vector<CLI::App*> commands = app_.get_subcommands();
        return commands.empty() ? app_ : *commands.front();
    }

    /// CLI11 found an option without the one it needs.
    std::string unpaired() const {
        for (const CLI::Option* option : Listed(chosen())) {
            for (const CLI::Option* needed : option->get_needs()) {
                if (option->count() > 0 && needed->count() == 0) {
                    std::vector<std::string> with = takers(*option, true);
                    with.push_back(needed->get_name());
                    std::string text;
                    for (const std::string& name : with)
                        text += (text.empty() ? "" : ", ") + name;
                    return Format(localisation::usGoesWith, {option->get_name(), text});
                }
            }
        }
        return {};
    }

    /// CLI11 found a command without its argument, or without an option it must have.
    std::string missing() const {
        const CLI::App& command = chosen();
        for (const CLI::Option* option : command.get_options()) {
            if (option->get_required() && option->count() == 0)
                return option->nonpositional()
                           ? Format(localisation::usNeedsFile, {command.get_name() + " " + option->get_name()})
                           : Format(localisation::usNeedsPlan, {command.get_name()});
        }
        return {};
    }

    /// CLI11 found two options that cannot go together.
    std::string excluded() const {
        for (const Parsed::Exclusion& exclusion : p_.exclusions) {
            if (exclusion.option->count() > 0 && exclusion.other->count() > 0)
                return exclusion.text;
        }
        return {};
    }

    CLI::App app_{"Find, configure and monitor the keypad card reader on a serial line.", "readerctl"};
    Parsed p_;
    std::vector<std::string> before_; ///< the words before the command that readerctl took no part of
};

} // namespace

CtlParse ParseCtlArguments(const std::vector<std::string>& args) {
    return CommandLine().read(args);
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
        if (const long long item = LanguageItem(value); item >= 0)
            return static_cast<int>(item);
    }
    return std::nullopt;
}

bool JsonAsked(const std::vector<std::string>& args) {
    const auto end = std::find(args.begin(), args.end(), "--");
    return std::find(args.begin(), end, "--json") != end;
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
