// readerconfig: sets up a keypad card reader on a serial line.

#include "console/fonts.h"
#include "console/frmmodule.h"
#include "console/program.h"
#include "console/site_window.h"
#include "link/link.h"
#include "platform/console.h"
#include "platform/settings_store.h"
#include "platform/system.h"
#include "trace/trace_file.h"

#include <QApplication>

#include <cstdio>
#include <exception>
#include <memory>
#include <string>
#include <utility>
#include <vector>

int main(int argc, char** argv) {
    // Before QApplication, which needs a display: help, the version and a mistake do without one.
    platform::UseUtf8Console();
    const console::ProgramCall call = console::ReadCommandLine(platform::ProgramArguments(argc, argv));
    switch (call.kind) {
    case console::ProgramCall::Help:
    case console::ProgramCall::Version:
        std::fputs(call.text.c_str(), stdout);
        return 0;
    case console::ProgramCall::UsageError:
        std::fputs(call.text.c_str(), stderr);
        return console::UsageErrorStatus;
    case console::ProgramCall::Run:
        break;
    }
    platform::System& system = platform::NativeSystem();
    readerlink::LinkSetup links(system);
    std::unique_ptr<trace::TraceFile> trace;
    if (!call.tracePath.empty()) {
        std::string error;
        if (!(trace = trace::TraceFile::Open(call.tracePath, "readerconfig", system, error))) {
            std::fprintf(stderr, "readerconfig: %s\n", error.c_str());
            return console::UsageErrorStatus;
        }
        trace->onWriteError = [](const std::string& path) {
            std::fprintf(stderr, "readerconfig: the trace file %s cannot be written to; the trace stops here\n",
                         path.c_str());
        };
        links.trace = trace.get();
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("readerconfig"));
    QGuiApplication::setDesktopFileName(call.site ? QStringLiteral("readerconfig-site")
                                                  : QStringLiteral("readerconfig"));
    console::InstallFontSubstitutions();
    // The window says nothing about a port that does not open; what the user can do about one (a missing
    // group membership) goes to the terminal, once.
    links.openErrorReport = platform::OpenAdviceOnce(
        [](const std::string& advice) { std::fprintf(stderr, "readerconfig: %s\n", advice.c_str()); });
    // What ended the program is said twice: in the error box for the user at the window, on standard error for a
    // log; and the exit status is not that of a run that went well.
    const auto failed = [](const QString& what) {
        std::fprintf(stderr, "readerconfig: %s\n", what.toUtf8().constData());
        console::ShowErrorBox(what);
        return 1;
    };
    try {
        const std::unique_ptr<platform::SettingsStore> store = platform::MakeSystemSettingsStore();
        if (call.site) {
            console::TfrmSite frmSite(*store, links, {call.planPath, call.recordPath, call.reportPath});
            frmSite.show();
            app.exec();
        } else {
            console::TfrmModule frmModule(*store, links);
            // As for a port that does not open: the window stays as it is, the reason goes to the terminal, once.
            frmModule.settingsNotSaved = [told = false](const std::string& location) mutable {
                if (!std::exchange(told, true))
                    std::fprintf(stderr,
                                 "readerconfig: the port, line setting and language cannot be saved in %s; they "
                                 "will be forgotten when the program ends\n",
                                 location.c_str());
            };
            frmModule.show();
            app.exec();
        }
    } catch (const std::exception& error) {
        return failed(QString::fromUtf8(error.what()));
    } catch (...) {
        return failed(QStringLiteral("Unknown error"));
    }
    return 0;
}
