// What main.cpp does around the window: its command line, read before Qt starts, and the error box.

#include "console/program.h"

#include <QApplication>
#include <QMessageBox>
#include <QProcess>
#include <QTest>
#include <QTimer>

class TestProgram : public QObject {
    Q_OBJECT

private slots:
    void commandLine_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("shown"); // Run: the trace file; Help: the first line; else the whole text
        const QString version = QStringLiteral("readerconfig " READERCONFIG_VERSION "\n");
        const auto mistake = [](const char* reason) {
            return QStringLiteral("readerconfig: %1; see 'readerconfig --help'\n").arg(QString::fromUtf8(reason));
        };
        QTest::newRow("nothing") << QStringList() << int(ProgramCall::Run) << "";
        QTest::newRow("--help") << QStringList{"--trace", "t", "--help"} << int(ProgramCall::Help)
                                << "Usage: readerconfig [--trace FILE]";
        QTest::newRow("-h") << QStringList{"-h"} << int(ProgramCall::Help) << "Usage: readerconfig [--trace FILE]";
        QTest::newRow("--version") << QStringList{"--version"} << int(ProgramCall::Version) << version;
        QTest::newRow("--trace FILE") << QStringList{"--trace", "t.jsonl"} << int(ProgramCall::Run) << "t.jsonl";
        QTest::newRow("--trace=FILE") << QStringList{"--trace=t.jsonl"} << int(ProgramCall::Run) << "t.jsonl";
        QTest::newRow("--trace without a file")
            << QStringList{"--trace"} << int(ProgramCall::UsageError) << mistake("--trace needs a file name");
        QTest::newRow("--trace=") << QStringList{"--trace="} << int(ProgramCall::UsageError)
                                  << mistake("--trace needs a file name");
        QTest::newRow("unknown option") << QStringList{"--port", "3"} << int(ProgramCall::UsageError)
                                        << mistake("unknown option '--port'");
        QTest::newRow("stray argument") << QStringList{"t.jsonl"} << int(ProgramCall::UsageError)
                                        << mistake("unexpected argument 't.jsonl'");
        QTest::newRow("Qt's options pass")
            << QStringList{"-platform", "offscreen", "-style=fusion", "--style", "fusion", "-reverse", "--trace", "t"}
            << int(ProgramCall::Run) << "t";
        QTest::newRow("Qt's option without its value")
            << QStringList{"-style"} << int(ProgramCall::UsageError) << mistake("-style needs a value");
    }
    void commandLine() {
        QFETCH(QStringList, args);
        QFETCH(int, kind);
        QFETCH(QString, shown);
        std::vector<std::string> words;
        for (const QString& arg : args)
            words.push_back(arg.toStdString());
        const ProgramCall call = ReadCommandLine(words);
        QCOMPARE(int(call.kind), kind);
        const QString text = QString::fromStdString(call.text);
        if (kind == ProgramCall::Run)
            QCOMPARE(QString::fromStdString(call.tracePath), shown);
        else
            QCOMPARE(kind == ProgramCall::Help ? text.section(QLatin1Char('\n'), 0, 0) : text, shown);
    }

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

    void noWindowWithoutARun_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        QTest::newRow("--help") << QStringList{"--help"} << 0 << "Usage: readerconfig [--trace FILE]"
                                << "";
        QTest::newRow("unknown option") << QStringList{"--bogus"} << UsageErrorStatus << ""
                                        << "readerconfig: unknown option '--bogus'; see 'readerconfig --help'";
        QTest::newRow("trace file that does not open")
            << QStringList{"--trace", "/nonexistent/t.jsonl"} << UsageErrorStatus << ""
            << "readerconfig: cannot open the trace file /nonexistent/t.jsonl";
    }
    void noWindowWithoutARun() {
#ifndef READERCONFIG_PATH
        QSKIP("the program runs on a desktop without a display only where there is X11 or Wayland");
#else
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        // With no display to reach, the program would end at once if it made its window.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(READERCONFIG_PATH), args);
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), status);
        QCOMPARE(QString::fromLocal8Bit(program.readAllStandardOutput()).section(QLatin1Char('\n'), 0, 0), out);
        const QString errors = QString::fromLocal8Bit(program.readAllStandardError());
        QCOMPARE(errors, err.isEmpty() ? err : err + QLatin1Char('\n'));
#endif
    }
};

QTEST_MAIN(TestProgram)
#include "tst_program.moc"
