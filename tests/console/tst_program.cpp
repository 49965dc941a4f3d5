// What main.cpp does around the window: its command line, read before Qt starts, and the error box.

#include "console/program.h"

#include <QApplication>
#include <QProcess>
#include <QTest>
#include <QTimer>

class TestProgram : public QObject {
    Q_OBJECT

private slots:
    void commandLineWithoutADisplay_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("printed"); // status 0: the first line on standard output; else standard error
        const QString usage = QStringLiteral("Usage: readerconfig [--trace FILE]");
        const QString unopened = QStringLiteral("readerconfig: cannot open the trace file /nonexistent/t");
        const auto mistake = [](const char* reason) {
            return QStringLiteral("readerconfig: %1; see 'readerconfig --help'").arg(QLatin1String(reason));
        };
        QTest::newRow("--help") << QStringList{"--trace", "t", "--help"} << 0 << usage;
        QTest::newRow("-h") << QStringList{"-h"} << 0 << usage;
        QTest::newRow("--version") << QStringList{"--version"} << 0 << "readerconfig " READERCONFIG_VERSION;
        QTest::newRow("--trace FILE") << QStringList{"--trace", "/nonexistent/t"} << 2 << unopened;
        QTest::newRow("--trace=FILE") << QStringList{"--trace=/nonexistent/t"} << 2 << unopened;
        QTest::newRow("--trace alone") << QStringList{"--trace"} << 2 << mistake("--trace needs a file name");
        QTest::newRow("unknown option") << QStringList{"--port", "3"} << 2 << mistake("unknown option '--port'");
        QTest::newRow("stray argument") << QStringList{"t"} << 2 << mistake("unexpected argument 't'");
        QTest::newRow("Qt's options pass") << QStringList{"-platform", "offscreen", "-style=fusion", "--style",
                                                          "fusion",    "-reverse",  "--trace",       "/nonexistent/t"}
                                           << 2 << unopened;
        QTest::newRow("Qt's option without its value") << QStringList{"-style"} << 2 << mistake("-style needs a value");
    }
    void commandLineWithoutADisplay() {
#ifndef READERCONFIG_PATH
        QSKIP("the program is run where a missing display makes QApplication fail: X11 or Wayland");
#else
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, printed);
        // Had it made its window, the program would have ended at once on the missing display.
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
        const QString out = QString::fromLocal8Bit(program.readAllStandardOutput());
        const QString err = QString::fromLocal8Bit(program.readAllStandardError());
        QCOMPARE(status ? err : out.section(QLatin1Char('\n'), 0, 0) + QLatin1Char('\n'), printed + QLatin1Char('\n'));
        QCOMPARE(status ? out : err, QString());
#endif
    }

    // What the command line asks of the window, read without starting it.
    void siteCommandLine_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("read"); // site plan|record|report, or the mistake
        QTest::newRow("the main window") << QStringList{} << "main ||";
        QTest::newRow("the site window without a plan") << QStringList{"--site"} << "site ||";
        QTest::newRow("a plan") << QStringList{"--site", "north.csv"} << "site north.csv||";
        QTest::newRow("every file, attached too")
            << QStringList{"--record=r.csv", "--site=north.csv", "--report", "north.html", "--trace", "t"}
            << "site north.csv|r.csv|north.html";
        QTest::newRow("an option after --site is no plan")
            << QStringList{"--site", "--record", "r.csv"} << "site |r.csv|";
        QTest::newRow("Qt's option after --site") << QStringList{"--site", "-style", "fusion"} << "site ||";
        QTest::newRow("--record without --site") << QStringList{"--record", "r.csv"} << "--record goes with --site";
        QTest::newRow("--report without --site") << QStringList{"--report=r.html"} << "--report goes with --site";
        QTest::newRow("--record without a file") << QStringList{"--site", "--record"} << "--record needs a file name";
        QTest::newRow("--report= empty") << QStringList{"--site", "--report="} << "--report needs a file name";
        QTest::newRow("two plans") << QStringList{"--site", "a.csv", "b.csv"} << "unexpected argument 'b.csv'";
        QTest::newRow("--site twice") << QStringList{"--site", "--site"} << "--site is given twice";
    }
    void siteCommandLine() {
        QFETCH(QStringList, args);
        std::vector<std::string> words;
        for (const QString& arg : args)
            words.push_back(arg.toStdString());
        const console::ProgramCall call = console::ReadCommandLine(words);
        const QString read =
            call.kind == console::ProgramCall::UsageError
                ? QString::fromStdString(call.text).section(QStringLiteral("readerconfig: "), 1).section(';', 0, 0)
                : QString::fromStdString((call.site ? "site " : "main ") + call.planPath + "|" + call.recordPath + "|" +
                                         call.reportPath);
        QTEST(read, "read");
    }

    void errorBoxOverTheNormalPointer() {
        QApplication::setOverrideCursor(Qt::WaitCursor); // left by an operation that an exception cut short
        bool waitCursor = true;
        QTimer::singleShot(0, [&] {
            waitCursor = QApplication::overrideCursor() != nullptr;
            if (QWidget* box = QApplication::activeModalWidget())
                box->close();
        });
        console::ShowErrorBox(QStringLiteral("the port went away"));
        QVERIFY(!waitCursor);
    }
};

QTEST_MAIN(TestProgram)
#include "tst_program.moc"
