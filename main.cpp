// readerconfig: sets up a keypad card reader on a serial line.

#include "console/fonts.h"
#include "console/frmmodule.h"
#include "link/link.h"
#include "platform/settings_store.h"
#include "platform/system.h"
#include "trace/trace_file.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <exception>
#include <string>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("readerconfig"));
    QGuiApplication::setDesktopFileName(QStringLiteral("readerconfig"));
    console::InstallFontSubstitutions();
    platform::System& system = platform::NativeSystem();
    readerlink::LinkSetup links(system);
    // The window says nothing about a port that does not open; what the user can do about one (a missing
    // group membership) goes to the terminal, once.
    links.openErrorReport = platform::OpenAdviceOnce(
        [](const std::string& advice) { std::fprintf(stderr, "readerconfig: %s\n", advice.c_str()); });
    // The one option: --trace FILE appends the protocol trace to FILE.
    std::unique_ptr<trace::TraceFile> trace;
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
        if (!path.isEmpty() &&
            !(trace = trace::TraceFile::Open(path.toLocal8Bit().toStdString(), "readerconfig", system, error)))
            std::fprintf(stderr, "readerconfig: %s\n", error.c_str());
    }
    links.trace = trace.get();
    try {
        const std::unique_ptr<platform::SettingsStore> store = platform::MakeSystemSettingsStore();
        console::TfrmModule frmModule(*store, links);
        frmModule.show();
        app.exec();
    } catch (const std::exception& error) {
        QMessageBox::critical(nullptr, QStringLiteral("VELNO QUVIN4 Reader Config"),
                              QString::fromLocal8Bit(error.what()));
    } catch (...) {
        QMessageBox::critical(nullptr, QStringLiteral("VELNO QUVIN4 Reader Config"), QStringLiteral("Unknown error"));
    }
    return 0;
}
