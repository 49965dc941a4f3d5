// readerconfig: sets up a keypad card reader on a serial line.

#include "console/fonts.h"
#include "console/frmmodule.h"
#include "platform/settings_store.h"

#include <QApplication>
#include <QMessageBox>

#include <exception>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("readerconfig"));
    QGuiApplication::setDesktopFileName(QStringLiteral("readerconfig"));
    InstallFontSubstitutions();
    try {
        const std::unique_ptr<platform::SettingsStore> store = platform::MakeSystemSettingsStore();
        TfrmModule frmModule(*store);
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
