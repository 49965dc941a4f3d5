// readerctl's command line: every accepted form gives the digits the reader will get, and every bad one is
// refused with a message before anything is opened.

#include "cli/arguments.h"

#include <QStringList>
#include <QTest>

using namespace cli;

namespace {

std::vector<std::string> Words(const QString& line) {
    std::vector<std::string> words;
    for (const QString& word : line.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        words.push_back(word.toStdString());
    return words;
}

} // namespace

class TestArguments : public QObject {
    Q_OBJECT

private slots:
    void setValues_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("setting");
        QTest::addColumn<QString>("value");
        QTest::newRow("id 7") << "set id 7" << int(CtlSetting::Id) << "07";
        QTest::newRow("id 07") << "set id 07" << int(CtlSetting::Id) << "07";
        QTest::newRow("id 99") << "set id 99" << int(CtlSetting::Id) << "99";
        QTest::newRow("keys 0") << "set keys 0" << int(CtlSetting::Keys) << "00";
        QTest::newRow("keys 20") << "set keys 20" << int(CtlSetting::Keys) << "20";
        QTest::newRow("line index") << "set line 11" << int(CtlSetting::Line) << "11";
        QTest::newRow("line text") << "set line 38400,e,8,1" << int(CtlSetting::Line) << "7";
        QTest::newRow("line upper parity") << "set line 4800,N,8,1" << int(CtlSetting::Line) << "0";
        QTest::newRow("mode rs485 40") << "set mode rs485 34 40" << int(CtlSetting::Mode) << "112";
        QTest::newRow("mode wiegand 42") << "set mode Wiegand 42 24" << int(CtlSetting::Mode) << "020";
        QTest::newRow("mode by index") << "set mode 0 0 1" << int(CtlSetting::Mode) << "001";
        QTest::newRow("parity 1") << "set parity 1" << int(CtlSetting::Parity) << "1";
        QTest::newRow("options around") << "--json set --port 3 keys 8" << int(CtlSetting::Keys) << "08";
    }
    void setValues() {
        QFETCH(QString, line);
        QFETCH(int, setting);
        QFETCH(QString, value);
        const CtlParse parse = ParseCtlArguments(Words(line));
        QVERIFY2(parse.invocation, parse.error.c_str());
        QCOMPARE(int(parse.invocation->command), int(CtlCommand::Set));
        QCOMPARE(int(parse.invocation->setting), setting);
        QCOMPARE(QString::fromStdString(parse.invocation->value), value);
    }

    void options() {
        CtlParse parse =
            ParseCtlArguments(Words("--port 10 --line=5 --trace t.jsonl --language big5 monitor --count 3"));
        QVERIFY2(parse.invocation, parse.error.c_str());
        const CtlInvocation& call = *parse.invocation;
        QCOMPARE(int(call.command), int(CtlCommand::Monitor));
        QCOMPARE(call.port, 10);
        QCOMPARE(call.lineIndex.value_or(-1), 5);
        QCOMPARE(call.tracePath, std::string("t.jsonl"));
        QCOMPARE(call.language.value_or(-1), 2);
        QCOMPARE(call.count.value_or(0), 3LL);

        parse = ParseCtlArguments(Words("scan --all-lines --json"));
        QVERIFY(parse.invocation && parse.invocation->allLines && parse.invocation->json);
        // Help wins over everything after it, so `readerctl set --help` helps instead of complaining.
        parse = ParseCtlArguments(Words("set --help"));
        QVERIFY(parse.invocation && parse.invocation->command == CtlCommand::Help);
    }

    void refused_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("says");
        QTest::newRow("nothing") << ""
                                 << "no command";
        QTest::newRow("unknown command") << "reset"
                                         << "unknown command 'reset'";
        QTest::newRow("unknown option") << "--fast scan"
                                        << "unknown option '--fast'";
        QTest::newRow("id 0") << "set id 0"
                              << "1 to 99";
        QTest::newRow("id 100") << "set id 100"
                                << "1 to 99";
        QTest::newRow("id sign") << "set id -5"
                                 << "unknown option";
        QTest::newRow("id letters") << "set id 0x7"
                                    << "1 to 99";
        QTest::newRow("keys 21") << "set keys 21"
                                 << "0 to 20";
        QTest::newRow("line 12") << "set line 12"
                                 << "index 0-11";
        QTest::newRow("line odd parity") << "set line 19200,o,8,1"
                                         << "index 0-11";
        QTest::newRow("mode 3 values short") << "set mode rs485 26"
                                             << "three values";
        QTest::newRow("mode bad") << "set mode serial 26 24"
                                  << "neither wiegand nor rs485";
        QTest::newRow("wiegand 32") << "set mode wiegand 32 32"
                                    << "26, 34 or 42";
        QTest::newRow("rs485 26") << "set mode rs485 26 26"
                                  << "24, 32 or 40";
        QTest::newRow("parity 2") << "set parity 2"
                                  << "0 (no parity)";
        QTest::newRow("set nothing") << "set"
                                     << "needs a setting";
        QTest::newRow("set unknown") << "set baud 5"
                                     << "unknown setting 'baud'";
        QTest::newRow("extra word") << "scan now"
                                    << "one too many";
        QTest::newRow("port 0") << "--port 0 scan"
                                << "1 to 16";
        QTest::newRow("port 17") << "--port 17 scan"
                                 << "1 to 16";
        QTest::newRow("port missing value") << "scan --port"
                                            << "needs a value";
        QTest::newRow("line without port") << "--line 5 scan"
                                           << "--line goes with --port";
        QTest::newRow("all-lines with set") << "--all-lines set id 3"
                                            << "goes with scan";
        QTest::newRow("all-lines with port") << "--all-lines --port 2 scan"
                                             << "cannot go with --port";
        QTest::newRow("count with scan") << "--count 2 scan"
                                         << "goes with monitor";
        QTest::newRow("count zero") << "--count 0 monitor"
                                    << "1 or more";
        QTest::newRow("language fr") << "--language fr scan"
                                     << "en, gb or big5";
        QTest::newRow("flag with value") << "--json=1 scan"
                                         << "takes no value";
    }
    void refused() {
        QFETCH(QString, line);
        QFETCH(QString, says);
        const CtlParse parse = ParseCtlArguments(Words(line));
        QVERIFY(!parse.invocation);
        QVERIFY2(QString::fromStdString(parse.error).contains(says), parse.error.c_str());
    }
};

QTEST_APPLESS_MAIN(TestArguments)
#include "tst_arguments.moc"
