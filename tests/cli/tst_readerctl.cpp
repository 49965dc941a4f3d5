// readerctl over the reader model in virtual time: each command's frames, its output as text and as JSON, its
// exit status, the remembered-port rules, Ctrl-C, and the protocol trace of a scan that meets every kind of
// failed reply.

#include "cli/readerctl.h"
#include "platform/testing/memory_settings_store.h"
#include "platform/testing/virtual_system.h"
#include "sim/reader_model.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <sstream>

using namespace cli;

namespace {

struct Ctl {
    platform::VirtualSystem system;
    platform::MemorySettingsStore store;
    sim::ReaderModel reader;
    std::ostringstream out;
    std::ostringstream err;
    std::function<bool()> interrupted = [] { return false; };

    Ctl() { readerOn(3); }
    void readerOn(int portNo, sim::ReaderModel* model = nullptr) {
        platform::VirtualSystem::PortConfig config;
        config.peer = model ? model : &reader;
        system.setPort(portNo, config);
    }
    void remember(int portNo, int index, const std::string& settings) {
        store.keyExists = true;
        store.values["ScanCommNo"] = portNo;
        store.values["ScanBaudRateNo"] = index;
        store.values["ScanBaudRate"] = settings;
    }
    int run(const QString& line) {
        std::vector<std::string> args;
        for (const QString& word : line.split(QLatin1Char(' '), Qt::SkipEmptyParts))
            args.push_back(word.toStdString());
        CtlEnvironment environment{system, store, out, err, interrupted};
        return RunReaderctl(args, environment);
    }
    QString output() const { return QString::fromStdString(out.str()); }
    QString errors() const { return QString::fromStdString(err.str()); }
    QString commands() const {
        QStringList list;
        for (const std::string& command : system.commands())
            list << QString::fromStdString(command);
        return list.join(QLatin1Char(' '));
    }
    std::int32_t saved(const char* name) const {
        const auto found = store.values.find(name);
        return found == store.values.end() ? -1 : std::get<std::int32_t>(found->second);
    }
};

using Setup = std::function<void(Ctl&)>;

} // namespace

Q_DECLARE_METATYPE(Setup)

class TestReaderctl : public QObject {
    Q_OBJECT

private slots:
    void commands_data() {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("frames");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");

        const Setup remembered = [](Ctl& c) { c.remember(3, 5, "19200,e,8,1"); };
        const Setup nothing = [](Ctl&) {};

        QTest::newRow("scan, found by the search")
            << nothing << "scan" << 0 << "H00B H00V H00L H00M H00A"
            << "Scan Reader ....\nGet Reader Info Ok. (COM : #3)\nS/N : 20240117\nVER : 03.20-01\n"
               "ID : 01\nKey Num : 04\nNo Parity 4 bits\nWiegand, Wiegand 26, RS485 32\nCOM3 : 19200,e,8,1\n"
            << "";
        QTest::newRow("scan as JSON, parity unanswered") << Setup([](Ctl& c) {
            c.reader.state.paritySupported = false;
            c.reader.state.mode = "112";
        }) << "--json scan" << 0 << "H00B H00V H00L H00M H00A"
                                                         << "{\"port\":3,\"line\":\"19200,e,8,1\",\"serial\":"
                                                            "\"20240117\",\"version\":\"03.20-01\",\"id\":\"01\","
                                                            "\"keys\":\"04\",\"parity\":null,\"mode\":\"112\"}\n"
                                                         << "";
        QTest::newRow("scan, nothing anywhere")
            << Setup([](Ctl& c) { c.system.setPort(3, {}); }) << "scan" << 1 << "H00B H00B"
            << "Scan Reader ....\n"
            << "Reader Not Find\n";
        QTest::newRow("scan with --port: three tries there only")
            << Setup([](Ctl& c) { c.readerOn(5); }) << "--json --port 4 scan" << 1 << ""
            << "{\"ok\":false,\"error\":\"Reader Not Find\"}\n"
            << "Reader Not Find\n";
        QTest::newRow("scan with --port and --line")
            << Setup([](Ctl& c) { c.reader.state.lineIndex = 7; }) << "--port 3 --line 38400,e,8,1 --json scan" << 0
            << "H00B H00V H00L H00M H00A"
            << "{\"port\":3,\"line\":\"38400,e,8,1\",\"serial\":\"20240117\",\"version\":\"03.20-01\",\"id\":\"01\","
               "\"keys\":\"04\",\"parity\":\"0\",\"mode\":\"001\"}\n"
            << "";
        QTest::newRow("set id") << remembered << "set id 12" << 0 << "H00B H00C2024011712"
                                << "Set Reader ID = 12\nSet Reader ID Ok\n"
                                << "";
        QTest::newRow("set keys, JSON") << remembered << "--json set keys 6" << 0 << "H00B H00L06"
                                        << "{\"ok\":true}\n"
                                        << "";
        QTest::newRow("set line") << remembered << "set line 38400,e,8,1" << 0 << "H00B H00E7"
                                  << "Set Reader BaudRate = 38400,e,8,1\nSet Reader BaudRate Ok\n"
                                  << "";
        QTest::newRow("set mode") << remembered << "set mode rs485 34 40" << 0 << "H00B H00A112"
                                  << "Set Reader Mode = RS485 40\nSet Reader Mode Ok\n"
                                  << "";
        QTest::newRow("set parity") << remembered << "set parity 1" << 0 << "H00B H00M1"
                                    << "Set Parity Mode\nSet Parity Mode Ok\n"
                                    << "";
        QTest::newRow("set, in Simplified Chinese")
            << remembered << "--language gb set keys 4" << 0 << "H00B H00L04"
            << QString::fromUtf8("设定读卡机按键数\n设定读卡机按键数完成\n") << "";
        QTest::newRow("set, the reader gone") << Setup([](Ctl& c) {
            c.remember(3, 5, "19200,e,8,1");
            c.system.setPort(3, {});
        }) << "--json set id 9" << 1 << "H00B H00B"
                                              << "{\"ok\":false,\"error\":\"Set Reader ID Error\"}\n"
                                              << "Set Reader ID Error\n";
        QTest::newRow("set with nothing remembered") << nothing << "set id 12" << 1 << ""
                                                     << ""
                                                     << "no reader is remembered: run 'readerctl scan' first, or give "
                                                        "--port\n";
        QTest::newRow("set with --port, nothing remembered") << nothing << "--port 3 set keys 20" << 0 << "H00B H00L20"
                                                             << "Set Reader Key\nSet Reader Key Ok\n"
                                                             << "";
        QTest::newRow("default") << remembered << "default" << 0 << "H00B H00C2024011701 H00A001 H00L04 H00M0 H00E5"
                                 << "Set Default Wiegand 26\nSet Default Wiegand 26 Ok\n"
                                 << "";
        QTest::newRow("monitor, two entries") << Setup([](Ctl& c) {
            c.remember(3, 5, "19200,e,8,1");
            c.reader.presentCard("499602D2");
            c.reader.presentKeys("1234");
            c.reader.presentCard("00000001");
        }) << "--json monitor --count 2" << 0 << "H00F H00F"
                                              << "{\"card\":\"499602D2\",\"number\":1234567890}\n{\"keys\":\"1234\"}\n"
                                              << "";
        QTest::newRow("monitor as text, the reader stops answering") << Setup([](Ctl& c) {
            c.remember(3, 5, "19200,e,8,1");
            c.reader.presentCard("FFFFFFFF");
            c.reader.faults.stopAfterPolls = 2;
        }) << "monitor" << 1 << "H00F H00F H00F"
                                                                     << "Card ID : 4294967295  FFFFFFFF(H)\n"
                                                                     << "Reader Not Find\n";
        QTest::newRow("usage error, nothing opened") << remembered << "set id 0" << 2 << ""
                                                     << ""
                                                     << "readerctl: id 0: 1 to 99; see 'readerctl --help'\n";
    }
    void commands() {
        QFETCH(Setup, setup);
        QFETCH(QString, line);
        QFETCH(int, status);
        Ctl ctl;
        setup(ctl);
        QCOMPARE(ctl.run(line), status);
        QTEST(ctl.commands(), "frames");
        QTEST(ctl.output(), "out");
        QTEST(ctl.errors(), "err");
        QCOMPARE(ctl.system.openCount(), 0);
        if (status == 2)
            QVERIFY(ctl.system.opens().empty());
    }

    // The window's rule: only a scan that found the reader by searching saves where it answered.
    void rememberedPort_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("savedPort");
        QTest::addColumn<int>("opensOfFirst"); // how often the remembered COM7 was opened
        // Its tries, then the information.
        QTest::newRow("remembered port answers: nothing saved") << "scan" << 7 << 2;
        // Its three tries; then the search tries every port at once, COM7 again among them.
        QTest::newRow("found by the search: saved") << "scan" << 3 << 2;
        QTest::newRow("--port: never saved") << "--port 3 scan" << 7 << 0;
        QTest::newRow("set line: never saved") << "--port 3 set line 3" << 7 << 0;
    }
    void rememberedPort() {
        QFETCH(QString, line);
        QFETCH(int, savedPort);
        QFETCH(int, opensOfFirst);
        Ctl ctl;
        ctl.remember(7, 5, "19200,e,8,1");
        if (savedPort == 7 && opensOfFirst == 2)
            ctl.readerOn(7); // the reader is still where it was remembered
        else
            ctl.system.setPort(7, {});
        QCOMPARE(ctl.run(line), 0);
        QCOMPARE(ctl.saved("ScanCommNo"), savedPort);
        int opens = 0;
        for (const auto& open : ctl.system.opens())
            opens += open.portNo == 7 ? 1 : 0;
        QCOMPARE(opens, opensOfFirst);
    }

    void interrupted_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("afterFrames");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("frames");
        // The search's first try on every port at once: COM3 and COM5.
        QTest::newRow("scan: ends after the current try") << "scan" << 1 << 1 << 2;
        QTest::newRow("scan: during the information") << "scan" << 3 << 1 << 3;
        QTest::newRow("monitor: the poll in hand completes, exit 0") << "monitor" << 2 << 0 << 2;
    }
    void interrupted() {
        QFETCH(QString, line);
        QFETCH(int, afterFrames);
        QFETCH(int, status);
        Ctl ctl;
        ctl.system.setPort(3, {});
        ctl.readerOn(5); // the search would go on to COM5 without the interrupt
        ctl.remember(5, 5, "19200,e,8,1");
        if (line == "scan")
            ctl.system.setPort(3, {}), ctl.remember(0, 5, "19200,e,8,1");
        ctl.interrupted = [&ctl, afterFrames] { return ctl.system.frames().size() >= std::size_t(afterFrames); };
        QCOMPARE(ctl.run(line), status);
        QTEST(int(ctl.system.frames().size()), "frames");
        QCOMPARE(ctl.system.openCount(), 0);
    }

    // A scan over a silent port, a reader whose checksums are wrong, a late one and the right one, all at once:
    // every port, line setting, frame and ending is in the trace, each port's lines in order.
    void traceOfAScan() {
        QTemporaryDir folder;
        const QString path = folder.filePath("trace.jsonl");
        Ctl ctl;
        sim::ReaderModel wrong;
        wrong.faults.badChecksum = true;
        sim::ReaderModel late;
        late.faults.answerDelayUs = 150000;
        ctl.system.setPort(1, {});
        ctl.readerOn(2, &wrong);
        ctl.readerOn(3, &late);
        ctl.readerOn(4);
        QCOMPARE(ctl.run("--trace " + path + " scan"), 0);

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QMap<int, QStringList> ports;
        QStringList order;
        QJsonObject first;
        for (const QByteArray& text : file.readAll().split('\n')) {
            if (text.isEmpty())
                continue;
            QJsonParseError error{};
            const QJsonObject line = QJsonDocument::fromJson(text, &error).object();
            QVERIFY2(error.error == QJsonParseError::NoError, text.constData());
            if (first.isEmpty())
                first = line;
            const QString event = line.value("event").toString();
            QString entry = event;
            if (event == "command")
                entry += " " + line.value("text").toString();
            if (event == "reply")
                entry += " " + line.value("outcome").toString() + " " + QString::number(line.value("bytes").toInt());
            if (event == "open" && !line.value("ok").toBool())
                entry += " refused: " + line.value("error").toString();
            const int port = line.value("port").toInt();
            ports[port] << entry;
            order << QString::number(port) + " " + event;
        }
        QCOMPARE(first.value("program").toString(), QStringLiteral("readerctl"));
        QVERIFY(first.value("wall").toString().endsWith('Z'));
        const QStringList one{"open", "command H00B", "reply time-out 0", "close"};
        QCOMPARE(ports[1], one);
        // A wrong reply comes quickly: that port makes its second try while COM4's reply is on its way.
        const QStringList wrongTry{"open", "command H00B", "reply bad checksum 16", "close"};
        QCOMPARE(ports[2], wrongTry + wrongTry);
        // The late reply comes after its port was closed, and is lost with the close.
        QCOMPARE(ports[3], one);
        QCOMPARE(ports[4].mid(0, 6),
                 (QStringList{"open", "command H00B", "reply valid 16", "close", "open", "command H00V"}));
        QCOMPARE(ports[5].first(), QStringLiteral("open refused: not found"));
        // All at once: every port was opened and asked before the first reply came.
        QVERIFY(order.indexOf("16 open") < order.indexOf("4 reply"));
    }
};

QTEST_APPLESS_MAIN(TestReaderctl)
#include "tst_readerctl.moc"
