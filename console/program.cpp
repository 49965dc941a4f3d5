#include "program.h"

#include <QApplication>
#include <QMessageBox>

#include <algorithm>
#include <array>
#include <span>
#include <string_view>

using namespace std::string_view_literals;

namespace console {

namespace {

const char* const Usage = R"(Usage: readerconfig [--trace FILE]
       readerconfig --site [PLAN] [--record FILE] [--report FILE.html] [--trace FILE]

Sets up a keypad card reader on a serial line.

Options:
  --trace FILE             append the protocol trace to FILE (JSON lines)
  --site [PLAN]            open the site window: one reader after another, each given its row of the plan
                           (a CSV file), or without a plan the settings chosen in the window
  --record FILE            with --site: append a CSV row per reader to FILE (by default beside the plan, or in
                           the documents folder)
  --report FILE.html       with --site: keep an HTML report of the site's readers in FILE
  --version                print the version
  --help, -h               print this help

Qt's own options, such as -platform NAME or -style NAME, are passed on to Qt.
)";

// Those that QApplication takes out of the arguments itself, with one dash or two.
constexpr std::array QtOptionsWithValue{
    "-platform"sv, "-platformpluginpath"sv, "-platformtheme"sv, "-plugin"sv,      "-qwindowgeometry"sv,
    "-geometry"sv, "-qwindowtitle"sv,       "-title"sv,         "-qwindowicon"sv, "-icon"sv,
    "-style"sv,    "-stylesheet"sv,         "-session"sv,       "-display"sv,     "-name"sv,
    "-visual"sv};
constexpr std::array QtFlags{"-reverse"sv, "-widgetcount"sv, "-testability"sv, "-sync"sv, "-nograb"sv, "-dograb"sv};
constexpr std::array QtOptionsWithValueAttached{"-style="sv, "-stylesheet="sv, "-qmljsdebugger="sv};

/// A call that only prints `text`.
ProgramCall Saying(ProgramCall::Kind kind, std::string text) {
    ProgramCall call;
    call.kind = kind;
    call.text = std::move(text);
    return call;
}

ProgramCall Mistake(const std::string& reason) {
    return Saying(ProgramCall::UsageError, "readerconfig: " + reason + "; see 'readerconfig --help'\n");
}

bool Listed(std::span<const std::string_view> names, std::string_view option) {
    return std::find(names.begin(), names.end(), option) != names.end();
}

} // namespace

ProgramCall ReadCommandLine(const std::vector<std::string>& args) {
    ProgramCall call;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h")
            return Saying(ProgramCall::Help, Usage);
        if (arg == "--version")
            return Saying(ProgramCall::Version, std::string("readerconfig ") + READERCONFIG_VERSION + "\n");
        // --NAME FILE or --NAME=FILE; false when `arg` is not that option.
        const auto file = [&](std::string_view name, std::string& into) {
            if (arg != name && !arg.starts_with(std::string(name) + "="))
                return false;
            if (arg != name)
                into = arg.substr(name.size() + 1);
            else if (i + 1 < args.size())
                into = args[++i];
            return true;
        };
        std::string* const files[] = {&call.tracePath, &call.recordPath, &call.reportPath};
        constexpr std::string_view FileOptions[] = {"--trace", "--record", "--report"};
        bool taken = false;
        for (std::size_t o = 0; o < std::size(FileOptions) && !taken; ++o) {
            if ((taken = file(FileOptions[o], *files[o])) && files[o]->empty())
                return Mistake(std::string(FileOptions[o]) + " needs a file name");
        }
        if (taken)
            continue;
        if (arg == "--site" || arg.starts_with("--site=")) {
            if (call.site)
                return Mistake("--site is given twice");
            call.site = true;
            // The plan is optional: a word that is not an option after --site is it.
            if (arg != "--site")
                call.planPath = arg.substr(7);
            else if (i + 1 < args.size() && !args[i + 1].starts_with("-"))
                call.planPath = args[++i];
            continue;
        }
        const std::string_view option = std::string_view(arg).substr(arg.starts_with("--") ? 1 : 0);
        const auto attached = [&](std::string_view prefix) { return option.starts_with(prefix); };
        if (Listed(QtOptionsWithValue, option)) {
            if (++i == args.size())
                return Mistake(arg + " needs a value");
        } else if (!Listed(QtFlags, option) &&
                   std::none_of(QtOptionsWithValueAttached.begin(), QtOptionsWithValueAttached.end(), attached)) {
            return Mistake(arg.starts_with("-") ? "unknown option '" + arg + "'" : "unexpected argument '" + arg + "'");
        }
    }
    if (!call.site && !call.recordPath.empty())
        return Mistake("--record goes with --site");
    if (!call.site && !call.reportPath.empty())
        return Mistake("--report goes with --site");
    return call;
}

void RestoreDefaultCursor() {
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}

void ShowErrorBox(const QString& text) {
    // The operation that failed may have left its wait cursor set.
    RestoreDefaultCursor();
    QMessageBox::critical(nullptr, QStringLiteral("VELNO QUVIN4 Reader Config"), text);
}

} // namespace console
