#include "program.h"

#include <QApplication>
#include <QMessageBox>

void ShowErrorBox(const QString& text) {
    // The operation that failed may have left its wait cursor set.
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    QMessageBox::critical(nullptr, QStringLiteral("VELNO QUVIN4 Reader Config"), text);
}
