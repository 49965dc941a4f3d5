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

Sets up a keypad card reader on a serial line.

Options:
  --trace FILE             append the protocol trace to FILE (JSON lines)
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

ProgramCall Mistake(const std::string& reason) {
    return {ProgramCall::UsageError, {}, "readerconfig: " + reason + "; see 'readerconfig --help'\n"};
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
            return {ProgramCall::Help, {}, Usage};
        if (arg == "--version")
            return {ProgramCall::Version, {}, std::string("readerconfig ") + READERCONFIG_VERSION + "\n"};
        if (arg == "--trace" || arg.starts_with("--trace=")) {
            if (arg != "--trace")
                call.tracePath = arg.substr(8);
            else if (i + 1 < args.size())
                call.tracePath = args[++i];
            if (call.tracePath.empty())
                return Mistake("--trace needs a file name");
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
