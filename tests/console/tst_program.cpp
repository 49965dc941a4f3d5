// What main.cpp does around the window: the error box.

#include "console/program.h"

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

class TestProgram : public QObject {
    Q_OBJECT

private slots:
    void errorBoxWithTheNormalPointer() {
        // Left set by an operation that an exception cut short; more than one must not matter.
        QApplication::setOverrideCursor(Qt::WaitCursor);
        QApplication::setOverrideCursor(Qt::WaitCursor);
        bool waitCursorShown = true;
        QString shown;
        QTimer::singleShot(0, [&] {
            waitCursorShown = QApplication::overrideCursor() != nullptr;
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                shown = box->text();
                box->accept();
            }
        });
        ShowErrorBox(QStringLiteral("the port went away"));
        QVERIFY(!waitCursorShown);
        QCOMPARE(shown, QStringLiteral("the port went away"));
    }
};

QTEST_MAIN(TestProgram)
#include "tst_program.moc"
