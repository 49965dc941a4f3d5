// readerctl over the reader model in virtual time: each command's frames, its output as text and as JSON, its
// exit status, the remembered-port rules, Ctrl-C, and the protocol trace of a scan that meets every kind of
// failed reply.

#include "commission/csv.h"
#include "ctl_fixture.h"
#include "platform/testing/memory_settings_store.h"
#include "platform/testing/virtual_system.h"
#include "sim/reader_model.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <sstream>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#endif

using namespace cli;

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
        QTest::newRow("scan as JSON, parity unanswered")
            << Setup([](Ctl& c) {
                   c.reader.state.paritySupported = false;
                   c.reader.state.mode = "112";
               })
            << "--json scan" << 0 << "H00B H00V H00L H00M H00A"
            << "{\"ok\":true,\"port\":3,\"line\":\"19200,e,8,1\",\"serial\":"
               "\"20240117\",\"version\":\"03.20-01\",\"id\":\"01\","
               "\"keys\":\"04\",\"parity\":null,\"mode\":\"112\"}\n"
            << "";
        QTest::newRow("scan, nothing anywhere")
            << Setup([](Ctl& c) { c.system.setPort(3, {}); }) << "scan" << 1 << "H00B H00B"
            << "Scan Reader ....\n"
            << "Reader Not Find (tried 19200,e,8,1 only; --all-lines tries all twelve line settings)\n";
        QTest::newRow("scan with --port: no device there, no search")
            << Setup([](Ctl& c) { c.readerOn(5); }) << "--json --port 4 scan" << 1 << ""
            << "{\"ok\":false,\"code\":\"no-device\",\"error\":\"Reader Not Find: COM4: no such device\"}\n"
            << "Reader Not Find: COM4: no such device\n";
        QTest::newRow("scan with --port and --line")
            << Setup([](Ctl& c) { c.reader.state.lineIndex = 7; }) << "--port 3 --line 38400,e,8,1 --json scan" << 0
            << "H00B H00V H00L H00M H00A"
            << "{\"ok\":true,\"port\":3,\"line\":\"38400,e,8,1\",\"serial\":\"20240117\",\"version\":\"03.20-01\","
               "\"id\":\"01\","
               "\"keys\":\"04\",\"parity\":\"0\",\"mode\":\"001\"}\n"
            << "";
        // Each set and the factory default end with the information read back.
        const QString back = " H00B H00V H00L H00M H00A";
        QTest::newRow("set id") << remembered << "set id 12" << 0 << "H00B H00C2024011712" + back
                                << "Set Reader ID = 12\nSet Reader ID Ok\nRead back on COM3 at 19200,e,8,1: ID 12, as "
                                   "set\n"
                                << "";
        QTest::newRow("set keys, JSON")
            << remembered << "--json set keys 6" << 0 << "H00B H00L06" + back
            << "{\"ok\":true,\"port\":3,\"line\":\"19200,e,8,1\",\"serial\":\"20240117\",\"asked\":{\"keys\":\"06\"},"
               "\"read\":{\"serial\":\"20240117\",\"version\":\"03.20-01\",\"id\":\"01\",\"keys\":\"06\",\"parity\":"
               "\"0\",\"mode\":\"001\"},\"outcome\":\"done\",\"unchanged\":[]}\n"
            << "";
        QTest::newRow("set line, read back at the new setting")
            << remembered << "set line 38400,e,8,1" << 0 << "H00B H00E7" + back
            << "Set Reader BaudRate = 38400,e,8,1\nSet Reader BaudRate Ok\nRead back on COM3 at 38400,e,8,1: line "
               "38400,e,8,1, as set\n"
            << "";
        QTest::newRow("set mode, no read-back")
            << remembered << "--no-verify set mode rs485 34 40" << 0 << "H00B H00A112"
            << "Set Reader Mode = RS485 40\nSet Reader Mode Ok\n"
            << "";
        QTest::newRow("set parity")
            << remembered << "set parity 1" << 0 << "H00B H00M1" + back
            << "Set Parity Mode\nSet Parity Mode Ok\nRead back on COM3 at 19200,e,8,1: parity 1, "
               "as set\n"
            << "";
        QTest::newRow("set, in Simplified Chinese")
            << remembered << "--language gb --no-verify set keys 4" << 0 << "H00B H00L04"
            << QString::fromUtf8("设定读卡机按键数\n设定读卡机按键数完成\n") << "";
        // The remembered port is silent: a search of every port, as the window's scan does, finds nothing.
        QTest::newRow("set, the reader gone")
            << Setup([](Ctl& c) {
                   c.remember(3, 5, "19200,e,8,1");
                   c.system.setPort(3, {});
               })
            << "set id 9" << 1 << "H00B H00B H00B H00B"
            << "Set Reader ID = 09\nSet Reader ID Error\nCOM3 does not answer at 19200,e,8,1; searching every "
               "port\nScan Reader ....\n"
            << "Reader Not Find (tried 19200,e,8,1 only; --all-lines tries all twelve line settings)\n";
        QTest::newRow("set with nothing remembered: found by a scan first")
            << nothing << "set id 12" << 0 << "H00B H00V H00L H00M H00A H00B H00C2024011712" + back
            << "Scan Reader ....\nGet Reader Info Ok. (COM : #3)\nSet Reader ID = 12\nSet Reader ID Ok\nRead back on "
               "COM3 at 19200,e,8,1: ID 12, as set\n"
            << "";
        QTest::newRow("set with --port, nothing remembered")
            << nothing << "--port 3 set keys 20" << 0 << "H00B H00L20" + back
            << "Set Reader Key\nSet Reader Key Ok\nRead back on COM3 at 19200,e,8,1: keys 20, as set\n"
            << "";
        // Without a scan readerctl cannot know whether the reader has keycode parity: it says so.
        QTest::newRow("default")
            << remembered << "default" << 0 << "H00B H00C2024011701 H00A001 H00L04 H00M0 H00E5" + back
            << "Note: whether this reader has keycode parity is not known without a scan: \"H00M0\" "
               "is sent, and its answer does not count\nSet Default Wiegand 26\nSet Default Wiegand "
               "26 Ok\nRead back on COM3 at 19200,e,8,1: ID 01, keys 04, mode 001, parity 0, line "
               "19200,e,8,1, as set\n"
            << "";
        // A scan found a reader without parity: its default skips "H00M0".
        QTest::newRow("default after a scan, no parity")
            << Setup([](Ctl& c) { c.reader.state.paritySupported = false; }) << "--no-verify default" << 0
            << "H00B H00V H00L H00M H00A H00B H00C2024011701 H00A001 "
               "H00L04 H00E5"
            << "Scan Reader ....\nGet Reader Info Ok. (COM : #3)\nSet "
               "Default Wiegand 26\nSet Default Wiegand 26 Ok\n"
            << "";
        QTest::newRow("monitor, two entries, digits without the checksum of a short reply")
            << Setup([](Ctl& c) {
                   c.remember(3, 5, "19200,e,8,1");
                   c.reader.presentCard("499602D2");
                   c.reader.presentKeys("1234");
                   c.reader.presentCard("0001");
               })
            << "--json monitor --count 3" << 0 << "H00F H00F H00F"
            << R"({"ok":true,"card":"499602D2","number":1234567890,)"
               R"("w26":{"facility":150,"number":722,"whole":9831122,"even_parity":0,"odd_parity":0,"parity_ok":true,)"
               R"("bits":"01001011000000010110100100"},)"
               R"("w34":{"facility":18838,"number":722,"whole":1234567890,"even_parity":1,"odd_parity":0,)"
               R"("parity_ok":true,"bits":"1010010011001011000000010110100100"},)"
               R"("reversed":{"card":"D2029649","number":3523384905},)"
               R"("w26_swapped":{"facility":105,"number":64813,"whole":6946093,"even_parity":1,"odd_parity":1,)"
               R"("parity_ok":false,"bits":"10110100111111101001011011"},)"
               R"("w34_swapped":{"facility":46697,"number":64813,"whole":3060399405,"even_parity":0,"odd_parity":1,)"
               R"("parity_ok":false,"bits":"0101101100110100111111101001011011"}})"
               "\n{\"ok\":true,\"keypad\":\"1234\"}\n{\"ok\":true,\"card\":\"0001\",\"number\":null}\n"
            << "";
        QTest::newRow("monitor as text, the reader stops answering")
            << Setup([](Ctl& c) {
                   c.remember(3, 5, "19200,e,8,1");
                   c.reader.presentCard("FFFFFFFF");
                   c.reader.faults.stopAfterPolls = 2;
               })
            << "monitor" << 1 << "H00F H00F H00F"
            << "Card ID : 4294967295  FFFFFFFF(H)  W26 255:65535\n"
            << "Reader Not Find: no reply from COM3 at "
               "19200,e,8,1\n";
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
        // The reader listens at another line setting now: the next run must find it there.
        QTest::newRow("set line: saved") << "--port 3 set line 3" << 3 << 0;
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
    // every port, line setting, frame and ending is in the trace, each port's lines in order. The right one's
    // answer drops the tries under way on the others then and there.
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
        QMap<QString, QList<int>> endedAt; // reply outcome -> t of its lines
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
            if (event == "reply") {
                entry += " " + line.value("outcome").toString() + " " + QString::number(line.value("bytes").toInt());
                endedAt[line.value("outcome").toString()] << line.value("t").toInt();
            }
            if (event == "open" && !line.value("ok").toBool())
                entry += " refused: " + line.value("error").toString();
            const int port = line.value("port").toInt();
            ports[port] << entry;
            order << QString::number(port) + " " + event;
        }
        QCOMPARE(first.value("program").toString(), QStringLiteral("readerctl"));
        QVERIFY(first.value("wall").toString().endsWith('Z'));
        const QStringList dropped{"open", "command H00B", "reply dropped 0", "close"};
        QCOMPARE(ports[1], dropped);
        // A wrong reply comes quickly: that port makes its second try while COM4's reply is on its way.
        const QStringList wrongTry{"open", "command H00B", "reply bad checksum 16", "close"};
        QCOMPARE(ports[2], wrongTry + dropped);
        // The late reply would come after the time-out; its try is dropped long before.
        QCOMPARE(ports[3], dropped);
        const int answeredAt = endedAt.value("valid").first();
        QVERIFY(answeredAt < 120); // before any time-out
        QCOMPARE(endedAt.value("dropped"), QList<int>(3, answeredAt));
        QCOMPARE(ports[4].mid(0, 6),
                 (QStringList{"open", "command H00B", "reply valid 16", "close", "open", "command H00V"}));
        QCOMPARE(ports[5].first(), QStringLiteral("open refused: not found"));
        // All at once: every port was opened and asked before the first reply came.
        QVERIFY(order.indexOf("16 open") < order.indexOf("4 reply"));
    }

    // Five settings in one call: each through the set sequence, the line setting last whatever its place, then
    // the information read back at the new line setting, which is remembered for the next run.
    void fiveSettingsLineLast() {
        Ctl ctl;
        ctl.remember(3, 5, "19200,e,8,1");
        QCOMPARE(ctl.run("--json set line 38400,e,8,1 id 12 keys 4 mode wiegand 26 32 parity 1"), 0);
        QCOMPARE(ctl.commands(), QStringLiteral("H00B H00C2024011712 H00B H00L04 H00B H00A001 H00B H00M1 H00B H00E7 "
                                                "H00B H00V H00L H00M H00A"));
        QCOMPARE(ctl.lines(), (QStringList{"19200,e,8,1", "38400,e,8,1"}));
        QCOMPARE(ctl.lines(10), QStringList{"38400,e,8,1"}); // the read-back
        const QJsonObject result = ctl.json();
        QVERIFY(result.value("ok").toBool());
        QCOMPARE(result.value("line").toString(), QStringLiteral("38400,e,8,1"));
        const QJsonObject asked = result.value("asked").toObject();
        const QJsonObject read = result.value("read").toObject();
        for (const char* key : {"id", "keys", "mode", "parity"})
            QCOMPARE(read.value(key).toString(), asked.value(key).toString());
        QCOMPARE(read.value("id").toString(), QStringLiteral("12"));
        QCOMPARE(ctl.saved("ScanCommNo"), 3);
        QCOMPARE(ctl.saved("ScanBaudRateNo"), 7);
        QCOMPARE(std::get<std::string>(ctl.store.values.at("ScanBaudRate")), std::string("38400,e,8,1"));
        // The next run finds the reader at once, at its new line setting.
        ctl.system.clearRecords();
        QCOMPARE(ctl.run("set id 13"), 0);
        QCOMPARE(ctl.lines(), QStringList{"38400,e,8,1"});
    }

    // Every failure code, as the JSON object gives it and with the exit status; the human output names the cause.
    void codes_data() {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("cause"); // in the error text
        const Setup remembered = [](Ctl& c) { c.remember(3, 5, "19200,e,8,1"); };
        const auto refusing = [](platform::OpenError why) {
            return Setup([why](Ctl& c) {
                platform::VirtualSystem::PortConfig config;
                config.refusal = why;
                c.system.setPort(3, config);
            });
        };
        QTest::newRow("usage") << remembered << "--json set keys 21" << 2 << "usage"
                               << "keys 21: 0 to 20";
        QTest::newRow("not found") << Setup([](Ctl& c) { c.system.setPort(3, {}); }) << "--json scan" << 1
                                   << "not-found"
                                   << "--all-lines tries all twelve";
        QTest::newRow("not found on a silent --port")
            << Setup([](Ctl& c) { c.system.setPort(2, {}); }) << "--json --port 2 scan" << 1 << "not-found"
            << "Reader Not Find";
        QTest::newRow("no device") << remembered << "--json --port 9 scan" << 1 << "no-device"
                                   << "COM9: no such device";
        QTest::newRow("port busy") << refusing(platform::OpenError::Busy) << "--json --port 3 set id 7" << 1
                                   << "port-busy"
                                   << "COM3 is in use by another program";
        QTest::newRow("permission") << refusing(platform::OpenError::Permission) << "--json --port 3 monitor" << 1
                                    << "permission"
                                    << "COM3: no permission";
        QTest::newRow("port error") << refusing(platform::OpenError::Other) << "--json --port 3 default" << 1
                                    << "port-error"
                                    << "COM3 could not be opened";
        QTest::newRow("no reply") << Setup([](Ctl& c) {
            c.remember(3, 5, "19200,e,8,1");
            c.reader.faults.muted['L'] = -1;
        }) << "--json set keys 6" << 1
                                  << "no-reply"
                                  << "Set Reader Key Error: no reply from COM3 at 19200,e,8,1";
        QTest::newRow("incomplete") << Setup([](Ctl& c) { c.reader.faults.muted['A'] = -1; }) << "--json scan" << 1
                                    << "incomplete"
                                    << "did not give all of its information";
        QTest::newRow("verify mismatch: acknowledged and kept") << Setup([](Ctl& c) {
            c.remember(3, 5, "19200,e,8,1");
            c.reader.faults.ignoredSets = "L";
        }) << "--json set id 9 keys 6" << 1 << "verify-mismatch"
                                                                << "keys 04, not 06";
        QTest::newRow("interrupted between settings") << Setup([](Ctl& c) {
            c.remember(3, 5, "19200,e,8,1");
            c.interrupted = [&c] { return c.system.commands().size() >= 2; };
        }) << "--json set id 9 keys 6" << 1 << "interrupted"
                                                      << "were not sent";
    }
    void codes() {
        QFETCH(Setup, setup);
        QFETCH(QString, line);
        QFETCH(int, status);
        Ctl ctl;
        setup(ctl);
        QCOMPARE(ctl.run(line), status);
        const QJsonObject result = ctl.json();
        QCOMPARE(result.value("ok").toBool(true), false);
        QTEST(result.value("code").toString(), "code");
        QFETCH(QString, cause);
        QVERIFY2(result.value("error").toString().contains(cause), qPrintable(result.value("error").toString()));
        QVERIFY2(ctl.errors().contains(cause), qPrintable(ctl.errors()));
        QCOMPARE(ctl.system.openCount(), 0);
    }

    // A site: two readers one after another on different ports, IDs 11 and 12, each read back, recorded and
    // waited for until it is gone; the first, seen again, is not taken twice; Ctrl-C ends with the summary.
    void repeatOverTwoReaders() {
        QTemporaryDir folder;
        const QString path = folder.filePath("site.csv");
        Ctl ctl;
        sim::ReaderModel second;
        second.state.serial = "20240118";
        // The first reader, once done, falls silent, answers again a while later (and must not be taken twice),
        // then is unplugged; the second comes on another port.
        int phase = 0;
        std::uint64_t since = 0;
        const auto step = [&](const std::string& command) {
            const std::uint64_t now = ctl.system.nowMs();
            if (phase == 0 && ctl.reader.state.id == "11" && command == "H00A") { // read back
                ctl.reader.faults.silent = true;
                phase = 1, since = now;
            } else if (phase == 1 && now > since + 5000) {
                ctl.reader.faults.silent = false;
                phase = 2, since = now;
            } else if (phase == 2 && now > since + 10000) {
                ctl.system.setPort(3, {});
                ctl.readerOn(5, &second);
                phase = 3;
            } else if (phase == 3 && second.state.id == "12") {
                phase = 4, since = now;
            }
        };
        ctl.system.onFrame = [&](const platform::VirtualSystem::FrameRecord& frame) { step(frame.command); };
        ctl.system.onSleep = [&](std::uint32_t) { step({}); };
        ctl.interrupted = [&] { return phase == 4 && ctl.system.nowMs() > since + 5000; };
        QCOMPARE(ctl.run("--json --repeat --record " + path + " set id 11+ keys 6"), 0);
        QCOMPARE(ctl.reader.state.id, std::string("11"));
        QCOMPARE(second.state.id, std::string("12"));
        QCOMPARE(second.state.keyCount, std::string("06"));
        const auto sent = [&](const char* command) {
            const std::vector<std::string> commands = ctl.system.commands();
            return std::count(commands.begin(), commands.end(), std::string(command));
        };
        QCOMPARE(sent("H00C2024011711"), 1);
        QCOMPARE(sent("H00C2024011712"), 0);
        QCOMPARE(sent("H00C2024011812"), 1);

        const QStringList lines = ctl.output().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 4);
        QCOMPARE(QJsonDocument::fromJson(lines[0].toUtf8()).object().value("read").toObject().value("id").toString(),
                 QStringLiteral("11"));
        // The first reader seen again: an object of its own.
        QCOMPARE(lines[1], QStringLiteral("{\"ok\":true,\"outcome\":\"done-already\",\"port\":3,\"line\":"
                                          "\"19200,e,8,1\",\"serial\":\"20240117\",\"id\":\"11\"}"));
        QCOMPARE(lines[3], QStringLiteral("{\"ok\":true,\"done\":2,\"failed\":0}"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList rows = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        QCOMPARE(rows.size(), 5);
        QCOMPARE(rows[0].section(',', 0, 12),
                 QStringLiteral("door,time,port,line,serial,firmware,id,keys,mode,parity,outcome,code,note"));
        QVERIFY2(rows[1].endsWith(",COM3,\"19200,e,8,1\",20240117,03.20-01,11,04,001,0,under-way,," + QString(11, ',')),
                 qPrintable(rows[1]));
        QVERIFY2(rows[2].endsWith(",COM3,\"19200,e,8,1\",20240117,03.20-01,11,06,001,0,done,," + QString(11, ',')),
                 qPrintable(rows[2]));
        QVERIFY2(rows[4].endsWith(",COM5,\"19200,e,8,1\",20240118,03.20-01,12,06,001,0,done,," + QString(11, ',')),
                 qPrintable(rows[4]));
        QVERIFY2(QDateTime::fromString(rows[1].section(QLatin1Char(','), 1, 1), Qt::ISODate).isValid(),
                 qPrintable(rows[1]));
    }

#ifndef _WIN32
    // What is wrong around a command, said once on standard error while the command goes on: a link in the ports
    // folder that leads nowhere, a trace that can no longer be written.
    void warnings() {
        QTemporaryDir config;
        qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
        QVERIFY(QDir().mkpath(config.path() + "/VELNO/ports"));
        QVERIFY(QFile::link(config.path() + "/unplugged", config.path() + "/VELNO/ports/COM2"));
        Ctl ctl;
        QCOMPARE(ctl.run("--json ports"), 0);
        const QJsonObject second = QJsonDocument::fromJson(ctl.output().split('\n')[1].toUtf8()).object();
        QVERIFY(second.value("device").isNull());
        QVERIFY2(second.value("problem").toString().endsWith("unplugged, which does not exist"),
                 qPrintable(second.value("problem").toString()));
        qunsetenv("XDG_CONFIG_HOME");

        // A trace that takes not even its first line is refused; one whose disk fills later is warned of once.
        Ctl full;
        QCOMPARE(full.run("--trace /dev/full --port 3 scan"), 2);
        QVERIFY(full.system.opens().empty());
        QTemporaryDir folder;
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        const rlimit small{600, limit.rlim_max};
        signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &small);
        Ctl traced;
        const int status = traced.run("--trace " + folder.filePath("t.jsonl") + " --port 3 scan");
        setrlimit(RLIMIT_FSIZE, &limit);
        QCOMPARE(status, 0);
        QCOMPARE(traced.errors().count("cannot be written to"), 1);
    }
#endif

    // A reader's bytes become CSV fields that a spreadsheet neither splits nor runs as a formula.
    void csvFields_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("field");
        QTest::newRow("plain") << "20240117"
                               << "20240117";
        QTest::newRow("line setting") << "19200,e,8,1"
                                      << "\"19200,e,8,1\"";
        QTest::newRow("quote") << "A\"B"
                               << "\"A\"\"B\"";
        QTest::newRow("formula") << "=1+2"
                                 << "'=1+2";
        QTest::newRow("formula with a comma") << "@SUM(1,2)"
                                              << "\"'@SUM(1,2)\"";
        QTest::newRow("empty") << ""
                               << "";
    }
    void csvFields() {
        QFETCH(QString, text);
        QTEST(QString::fromStdString(commission::CsvField(text.toStdString())), "field");
    }
};

QTEST_APPLESS_MAIN(TestReaderctl)
#include "tst_readerctl.moc"
