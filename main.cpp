// readerconfig: sets up a keypad card reader on a serial line.

#include "console/fonts.h"
#include "console/frmmodule.h"
#include "console/program.h"
#include "link/link.h"
#include "platform/settings_store.h"
#include "trace/trace_file.h"

#include <QApplication>

#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    // Before QApplication, which needs a display: help, the version and a mistake do without one.
    const ProgramCall call = ReadCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    switch (call.kind) {
    case ProgramCall::Help:
    case ProgramCall::Version:
        std::fputs(call.text.c_str(), stdout);
        return 0;
    case ProgramCall::UsageError:
        std::fputs(call.text.c_str(), stderr);
        return UsageErrorStatus;
    case ProgramCall::Run:
        break;
    }
    std::unique_ptr<TraceFile> trace;
    if (!call.tracePath.empty()) {
        std::string error;
        if (!(trace = TraceFile::Open(call.tracePath, "readerconfig", error))) {
            std::fprintf(stderr, "readerconfig: %s\n", error.c_str());
            return UsageErrorStatus;
        }
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("readerconfig"));
    QGuiApplication::setDesktopFileName(QStringLiteral("readerconfig"));
    InstallFontSubstitutions();
    // The window says nothing about a port that does not open; what the user can do about one (a missing
    // group membership) goes to the terminal, once.
    ReportOpenAdviceOnce([](const std::string& advice) { std::fprintf(stderr, "readerconfig: %s\n", advice.c_str()); });
    SetTraceSink(trace.get());
    try {
        const std::unique_ptr<platform::SettingsStore> store = platform::MakeSystemSettingsStore();
        TfrmModule frmModule(*store);
        frmModule.show();
        app.exec();
    } catch (const std::exception& error) {
        ShowErrorBox(QString::fromLocal8Bit(error.what()));
    } catch (...) {
        ShowErrorBox(QStringLiteral("Unknown error"));
    }
    SetTraceSink(nullptr);
    return 0;
}
