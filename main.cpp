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
#include <string>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("readerconfig"));
    QGuiApplication::setDesktopFileName(QStringLiteral("readerconfig"));
    InstallFontSubstitutions();
    // The window says nothing about a port that does not open; what the user can do about one (a missing
    // group membership) goes to the terminal, once.
    ReportOpenAdviceOnce([](const std::string& advice) { std::fprintf(stderr, "readerconfig: %s\n", advice.c_str()); });
    // The one option: --trace FILE appends the protocol trace to FILE.
    std::unique_ptr<TraceFile> trace;
    const QStringList arguments = QApplication::arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        QString path;
        if (argument == QLatin1String("--trace") && i + 1 < arguments.size())
            path = arguments[++i];
        else if (argument.startsWith(QLatin1String("--trace=")))
            path = argument.mid(8);
        else
            std::fprintf(stderr, "readerconfig: '%s' is not understood; the one option is --trace FILE\n",
                         qPrintable(argument));
        std::string error;
        if (!path.isEmpty() && !(trace = TraceFile::Open(path.toLocal8Bit().toStdString(), "readerconfig", error)))
            std::fprintf(stderr, "readerconfig: %s\n", error.c_str());
    }
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
