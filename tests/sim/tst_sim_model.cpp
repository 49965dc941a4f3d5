// The reader model behind the virtual-time double, spoken to through the real link: replies carry their fields
// where the window reads them, set commands change the reader, and every fault knob does what it says.

#include "link/link.h"
#include "platform/testing/virtual_system.h"
#include "protocol/protocol.h"
#include "sim/reader_model.h"

#include <QTest>

#include <random>
#include <string>
#include <vector>

namespace {

constexpr const char* DefaultLine = "19200,e,8,1";

/// Records what the reader sends, for tests that drive the model directly.
struct Recorder final : platform::ReplySink {
    std::string bytes;
    std::uint64_t firstAtUs = 0;
    std::uint64_t lastAtUs = 0;
    std::uint32_t spacingUs = 0;
    void send(const std::uint8_t* data, std::size_t count, std::uint64_t atUs, std::uint32_t spacing) override {
        if (bytes.empty())
            firstAtUs = atUs;
        spacingUs = spacing;
        bytes.append(reinterpret_cast<const char*>(data), count);
        if (count > 0)
            lastAtUs = atUs + (count - 1) * spacing;
    }
};

std::string Frame(const std::string& text) {
    return protocol::BuildCommandFrame(text).value_or("");
}

platform::LineSettings Line(const char* text) {
    platform::LineSettings line;
    platform::ParseLineSettings(text, line);
    return line;
}

/// The model's fault knobs by name, so that data rows can carry them.
void Apply(sim::ReaderModel& reader, const QString& knob) {
    auto& f = reader.faults;
    if (knob == "silent")
        f.silent = true;
    else if (knob == "delay 130 ms")
        f.answerDelayUs = 130000;
    else if (knob == "delay 50 ms")
        f.answerDelayUs = 50000;
    else if (knob == "bad checksum")
        f.badChecksum = true;
    else if (knob == "lower case")
        f.lowerCaseChecksum = true;
    else if (knob == "noise")
        f.noiseBeforeLf = true;
    else if (knob == "noise 20")
        f.noiseBytes = 20;
    else if (knob == "echo")
        f.echo = true;
    else if (knob == "info 15")
        f.infoReplyLength = 15;
    else if (knob == "info 17")
        f.infoReplyLength = 17;
    else if (knob == "mute V")
        f.muted['V'] = -1;
    else if (knob == "mute V:1")
        f.muted['V'] = 1;
    else if (knob == "stop after 2 polls")
        f.stopAfterPolls = 2;
    else if (knob == "zero at 8")
        f.zeroBytePosition = 8;
    else if (knob.startsWith("long ")) {
        f.replyBodyLength = knob.mid(5).toUInt();
        f.pacing = false;
    } else if (knob == "babble")
        f.babble = true;
    else if (!knob.isEmpty())
        qFatal("unknown knob %s", qPrintable(knob));
}

} // namespace

class TestSimModel : public QObject {
    Q_OBJECT

    platform::VirtualSystem* system_ = nullptr;
    readerlink::LinkSetup* links_ = nullptr;
    readerlink::Link* link_ = nullptr;
    sim::ReaderModel* reader_ = nullptr;

    /// Opens the reader's port with `settings`; every test starts from a fresh reader and clock.
    void open(const char* settings = DefaultLine) { QVERIFY(link_->OpenComPort(1, settings)); }
    QString field(int from, int to) const {
        return QString::fromLatin1(
            link_->replyText().substr(static_cast<std::size_t>(from - 1), static_cast<std::size_t>(to - from + 1)));
    }
    /// SendCommand, with the virtual time it took in `elapsedMs`.
    bool send(const char* command, double* elapsedMs = nullptr) {
        const std::uint64_t start = system_->nowUs();
        const bool ok = link_->SendCommand(command).valid();
        if (elapsedMs)
            *elapsedMs = static_cast<double>(system_->nowUs() - start) / 1000.0;
        return ok;
    }

private slots:
    void init() {
        system_ = new platform::VirtualSystem;
        links_ = new readerlink::LinkSetup(*system_);
        link_ = new readerlink::Link(*links_);
        reader_ = new sim::ReaderModel;
        platform::VirtualSystem::PortConfig config;
        config.peer = reader_;
        system_->setPort(1, config);
    }
    void cleanup() {
        delete link_;
        delete links_;
        delete reader_;
        delete system_;
    }

    void replyFields_data() {
        QTest::addColumn<QString>("presented"); // "C:" a card, "K:" a keypad entry, for "H00F"
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<int>("length"); // link_->rxCount(), or -1 where the tool does not check it
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("expected");

        QTest::newRow("B id") << "" << QByteArray("H00B") << 16 << 3 << 4 << "01";
        QTest::newRow("B serial") << "" << QByteArray("H00B") << 16 << 6 << 13 << "20240117";
        QTest::newRow("V version") << "" << QByteArray("H00V") << -1 << 6 << 13 << "03.20-01";
        QTest::newRow("L key count") << "" << QByteArray("H00L") << -1 << 6 << 7 << "04";
        QTest::newRow("M parity") << "" << QByteArray("H00M") << -1 << 6 << 6 << "0";
        QTest::newRow("A mode digits") << "" << QByteArray("H00A") << -1 << 6 << 8 << "001";
        QTest::newRow("F nothing presented") << "" << QByteArray("H00F") << 8 << 1 << 1 << "\n";
        QTest::newRow("F card, not K") << "C:499602D2" << QByteArray("H00F") << 18 << 7 << 7 << "C";
        QTest::newRow("F card number") << "C:499602D2" << QByteArray("H00F") << 18 << 8 << 15 << "499602D2";
        QTest::newRow("F keypad K") << "K:1234" << QByteArray("H00F") << 14 << 7 << 7 << "K";
        QTest::newRow("F keypad keys to len-3") << "K:1234" << QByteArray("H00F") << 14 << 8 << 11 << "1234";
        QTest::newRow("F keypad, no keys") << "K:" << QByteArray("H00F") << 10 << 7 << 7 << "K";
    }
    void replyFields() {
        QFETCH(QString, presented);
        QFETCH(QByteArray, command);
        QFETCH(int, length);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QString, expected);
        if (presented.startsWith("C:"))
            reader_->presentCard(presented.mid(2).toStdString());
        else if (presented.startsWith("K:"))
            reader_->presentKeys(presented.mid(2).toStdString());
        open();
        QVERIFY(send(command.constData()));
        if (length >= 0)
            QCOMPARE(link_->rxCount(), length);
        QCOMPARE(static_cast<int>(link_->replyText().size()), link_->rxCount());
        QCOMPARE(link_->replyText().back(), '\r');
        QCOMPARE(field(from, to), expected);
    }

    // A reader whose fields are too short or hold non-digits still answers with frames of the usual
    // layout, so that the window's handling of odd characters can be tested.
    void oddStateKeepsLayout() {
        reader_->state.id = "X";
        reader_->state.serial = "123";
        open();
        QVERIFY(send("H00B"));
        QCOMPARE(link_->rxCount(), 16);
        QCOMPARE(field(3, 4), QString("X "));
        QCOMPARE(field(6, 13), QString("123     "));
    }

    void setCommands_data() {
        QTest::addColumn<QByteArray>("set");
        QTest::addColumn<bool>("answered");
        QTest::addColumn<QByteArray>("query");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("after");

        QTest::newRow("key count") << QByteArray("H00L07") << true << QByteArray("H00L") << 6 << 7 << "07";
        QTest::newRow("key count, one digit") << QByteArray("H00L7") << false << QByteArray("H00L") << 6 << 7 << "04";
        QTest::newRow("parity") << QByteArray("H00M1") << true << QByteArray("H00M") << 6 << 6 << "1";
        QTest::newRow("mode") << QByteArray("H00A112") << true << QByteArray("H00A") << 6 << 8 << "112";
        QTest::newRow("mode, two digits") << QByteArray("H00A12") << false << QByteArray("H00A") << 6 << 8 << "001";
        QTest::newRow("id") << QByteArray("H00C2024011707") << true << QByteArray("H00B") << 3 << 4 << "07";
        QTest::newRow("id, other serial")
            << QByteArray("H00C9999999907") << false << QByteArray("H00B") << 3 << 4 << "01";
        QTest::newRow("id, one digit") << QByteArray("H00C202401177") << false << QByteArray("H00B") << 3 << 4 << "01";
    }
    void setCommands() {
        QFETCH(QByteArray, set);
        QFETCH(bool, answered);
        QFETCH(QByteArray, query);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QString, after);
        open();
        QCOMPARE(send(set.constData()), answered);
        QVERIFY(send(query.constData()));
        QCOMPARE(field(from, to), after);
    }

    void lineChange_data() {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QString>("newLine"); // empty: refused, the reader stays at 19200,e,8,1

        QTest::newRow("E3") << QByteArray("H00E3") << "9600,e,8,1";
        QTest::newRow("E0") << QByteArray("H00E0") << "4800,n,8,1";
        QTest::newRow("EA") << QByteArray("H00EA") << "115200,n,8,1";
        QTest::newRow("EB") << QByteArray("H00EB") << "115200,e,8,1";
        QTest::newRow("EC refused") << QByteArray("H00EC") << "";
        QTest::newRow("Ea refused") << QByteArray("H00Ea") << "";
    }
    void lineChange() {
        QFETCH(QByteArray, command);
        QFETCH(QString, newLine);
        open();
        // The reply still comes at the old setting.
        QCOMPARE(send(command.constData()), !newLine.isEmpty());
        const bool moved = !newLine.isEmpty();
        QCOMPARE(send("H00B"), !moved);
        link_->CloseComPort();
        if (moved) {
            open(newLine.toLatin1().constData());
            QVERIFY(send("H00B"));
        }
    }

    // "H00E" moves the reader only once its reply is out: a frame heard while the reply is still on the wire
    // is taken at the old setting.
    void lineChangeWaitsForReply() {
        sim::ReaderModel reader;
        Recorder out;
        const std::string e3 = Frame("H00E3");
        reader.hostWrote(reinterpret_cast<const std::uint8_t*>(e3.data()), e3.size(), Line(DefaultLine), 0, out);
        QVERIFY(!out.bytes.empty());
        const std::uint64_t replyEnd = out.lastAtUs;
        QVERIFY(replyEnd > 1000);

        const std::string b = Frame("H00B");
        Recorder during;
        reader.hostWrote(reinterpret_cast<const std::uint8_t*>(b.data()), b.size(), Line(DefaultLine), 1000, during);
        QVERIFY(!during.bytes.empty());
        QCOMPARE(reader.line(), Line(DefaultLine));

        const std::uint64_t later = during.lastAtUs + 10;
        Recorder oldLine, newLine;
        reader.hostWrote(reinterpret_cast<const std::uint8_t*>(b.data()), b.size(), Line(DefaultLine), later, oldLine);
        reader.hostWrote(reinterpret_cast<const std::uint8_t*>(b.data()), b.size(), Line("9600,e,8,1"), later, newLine);
        QVERIFY(oldLine.bytes.empty());
        QVERIFY(!newLine.bytes.empty());
    }

    // Replies leave one character time after the command's CR has crossed the line, plus the answer delay,
    // and are paced at the character time of the reader's line unless pacing is off.
    void replyTiming_data() {
        QTest::addColumn<int>("lineIndex");
        QTest::addColumn<bool>("pacing");
        QTest::addColumn<int>("charUs");

        QTest::newRow("19200,e paced") << 5 << true << 573;  // 11 bits
        QTest::newRow("4800,n paced") << 0 << true << 2084;  // 10 bits
        QTest::newRow("115200,e paced") << 11 << true << 96; // rounded up
        QTest::newRow("19200,e at once") << 5 << false << 573;
    }
    void replyTiming() {
        QFETCH(int, lineIndex);
        QFETCH(bool, pacing);
        QFETCH(int, charUs);
        sim::ReaderModel reader;
        reader.state.lineIndex = lineIndex;
        reader.faults.pacing = pacing;
        reader.faults.answerDelayUs = 1000;
        Recorder out;
        const std::string b = Frame("H00B");
        reader.hostWrote(reinterpret_cast<const std::uint8_t*>(b.data()), b.size(),
                         Line(protocol::BaudRateTable[lineIndex]), 10000, out);
        QCOMPARE(out.bytes.size(), std::size_t{16});
        QCOMPARE(out.firstAtUs, std::uint64_t(10000 + 2 * charUs + 1000));
        QCOMPARE(out.spacingUs, pacing ? std::uint32_t(charUs) : 0u);
    }

    void wrongLineIgnored_data() {
        QTest::addColumn<QString>("host");
        QTest::addColumn<bool>("answered");

        QTest::newRow("the reader's") << "19200,e,8,1" << true;
        QTest::newRow("no parity") << "19200,n,8,1" << false;
        QTest::newRow("odd parity") << "19200,o,8,1" << false;
        QTest::newRow("other baud") << "9600,e,8,1" << false;
        QTest::newRow("7 data bits") << "19200,e,7,1" << false;
    }
    void wrongLineIgnored() {
        QFETCH(QString, host);
        QFETCH(bool, answered);
        open(host.toLatin1().constData());
        QCOMPARE(send("H00B"), answered);
        QCOMPARE(link_->rxCount(), answered ? 16 : 0);
        QCOMPARE(reader_->heard().size(), answered ? std::size_t{1} : std::size_t{0});
        // The converter's echo comes at any line setting, whatever the reader makes of the bytes.
        reader_->faults.echo = true;
        const readerlink::Reply echoed = link_->SendCommand("H00B");
        QCOMPARE(echoed.valid(), answered);
        QVERIFY(echoed.echoed);
    }

    void faults_data() {
        QTest::addColumn<QString>("knob");
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("rxCount");     // -1: not checked
        QTest::addColumn<int>("replyLength"); // length of link_->replyText() afterwards
        QTest::addColumn<int>("minMs");       // SendCommand's duration, 9 ms of writes included
        QTest::addColumn<int>("maxMs");

        QTest::newRow("none") << "" << QByteArray("H00B") << true << 16 << 16 << 9 << 30;
        QTest::newRow("silent") << "silent" << QByteArray("H00B") << false << 0 << 0 << 129 << 131;
        QTest::newRow("130 ms late") << "delay 130 ms" << QByteArray("H00B") << false << 0 << 0 << 129 << 131;
        QTest::newRow("50 ms late") << "delay 50 ms" << QByteArray("H00B") << true << 16 << 16 << 60 << 80;
        QTest::newRow("bad checksum") << "bad checksum" << QByteArray("H00B") << false << 16 << 16 << 9 << 30;
        QTest::newRow("lower case, letter digit") << "lower case" << QByteArray("H00L") << false << 10 << 10 << 9 << 30;
        QTest::newRow("lower case, no letter") << "lower case" << QByteArray("H00B") << true << 16 << 16 << 9 << 30;
        QTest::newRow("noise before LF") << "noise" << QByteArray("H00B") << true << 16 << 16 << 9 << 30;
        QTest::newRow("a burst of noise") << "noise 20" << QByteArray("H00B") << true << 16 << 16 << 20 << 40;
        QTest::newRow("echo") << "echo" << QByteArray("H00B") << true << 16 << 16 << 9 << 30;
        QTest::newRow("info 15") << "info 15" << QByteArray("H00B") << true << 15 << 15 << 9 << 30;
        QTest::newRow("info 17") << "info 17" << QByteArray("H00B") << true << 17 << 17 << 9 << 30;
        QTest::newRow("muted letter") << "mute V" << QByteArray("H00V") << false << 0 << 0 << 129 << 131;
        QTest::newRow("other letter") << "mute V" << QByteArray("H00B") << true << 16 << 16 << 9 << 30;
        QTest::newRow("zero byte") << "zero at 8" << QByteArray("H00B") << true << 16 << 7 << 9 << 30;
        QTest::newRow("1023 bytes") << "long 1019" << QByteArray("H00B") << true << 1023 << 1023 << 9 << 30;
        QTest::newRow("1024 bytes") << "long 1020" << QByteArray("H00B") << false << 0 << 0 << 9 << 30;
        QTest::newRow("1104 bytes") << "long 1100" << QByteArray("H00B") << false << 80 << 0 << 129 << 131;
        // The reply still comes, with the babble in between its bytes: its checksum fails.
        QTest::newRow("babble") << "babble" << QByteArray("H00B") << false << -1 << 31 << 9 << 30;
    }
    void faults() {
        QFETCH(QString, knob);
        QFETCH(QByteArray, command);
        QFETCH(bool, ok);
        QFETCH(int, rxCount);
        QFETCH(int, replyLength);
        QFETCH(int, minMs);
        QFETCH(int, maxMs);
        Apply(*reader_, knob);
        open();
        double elapsed = 0;
        QCOMPARE(send(command.constData(), &elapsed), ok);
        if (rxCount >= 0)
            QCOMPARE(link_->rxCount(), rxCount);
        QCOMPARE(static_cast<int>(link_->replyText().size()), replyLength);
        QVERIFY2(elapsed >= minMs && elapsed <= maxMs, qPrintable(QString::number(elapsed) + " ms"));
    }

    // A reply still on its way when the host closes the port and opens it again at once: lost with the close as
    // the virtual port drops what it queued, or there after the open, as on a real line, with the knob.
    void lateReplyAcrossReopen_data() {
        QTest::addColumn<bool>("outlive");
        QTest::addColumn<int>("waiting");
        QTest::newRow("queued at the command") << false << 0;
        QTest::newRow("on the line when due") << true << 16;
    }
    void lateReplyAcrossReopen() {
        QFETCH(bool, outlive);
        QFETCH(int, waiting);
        reader_->faults.answerDelayUs = 130000;
        reader_->faults.repliesOutliveClose = outlive;
        open();
        QVERIFY(!send("H00B"));
        link_->CloseComPort();
        open();
        system_->advanceUs(100000);
        reader_->faults.silent = true;
        const readerlink::Reply next = link_->SendCommand("H00V");
        QCOMPARE(int(next.discarded.size()), waiting);
    }

    // Knobs that count: the results of a run of commands, '1' answered and '0' not.
    void sequences_data() {
        QTest::addColumn<QString>("knob");
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<QString>("results");

        QTest::newRow("mute V:1") << "mute V:1" << QStringList{"H00V", "H00V", "H00V"} << "011";
        QTest::newRow("stop after 2 polls")
            << "stop after 2 polls" << QStringList{"H00F", "H00F", "H00F", "H00B"} << "1100";
        QTest::newRow("set after mute") << "mute V" << QStringList{"H00V", "H00L09", "H00L"} << "011";
    }
    void sequences() {
        QFETCH(QString, knob);
        QFETCH(QStringList, commands);
        QFETCH(QString, results);
        Apply(*reader_, knob);
        open();
        QString got;
        for (const QString& command : commands)
            got += send(command.toLatin1().constData()) ? '1' : '0';
        QCOMPARE(got, results);
    }

    // Presented cards and entries come one per poll, in order; a held card fills the polls after them.
    void presentations() {
        reader_->presentCard("0000001A");
        reader_->presentKeys("12#");
        reader_->holdCard("FFFFFFFF");
        open();
        const QStringList expected{"\nH01F1C0000001A", "\nH01F1K12#", "\nH01F1CFFFFFFFF", "\nH01F1CFFFFFFFF"};
        for (const QString& body : expected) {
            QVERIFY(send("H00F"));
            QCOMPARE(QString::fromLatin1(link_->replyText()).chopped(3), body);
        }
        reader_->holdCard({});
        QVERIFY(send("H00F"));
        QCOMPARE(link_->rxCount(), 8);
        QCOMPARE(reader_->queued(), std::size_t{0});
    }

    // What the host's side of the wire can put in front of the reader: only a whole, right frame is answered.
    void hostFrames_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("answered");

        QTest::newRow("frame") << QByteArray("\tH00B03\r") << true;
        QTest::newRow("no checksum") << QByteArray("\tH00B\r") << false;
        QTest::newRow("wrong checksum") << QByteArray("\tH00B04\r") << false;
        QTest::newRow("lower-case checksum") << QByteArray("\tH00L0d\r") << false;
        QTest::newRow("upper-case checksum") << QByteArray("\tH00L0D\r") << true;
        QTest::newRow("garbage, then a frame") << QByteArray("xx\r\tH0\t\tH00B03\r") << true;
        QTest::newRow("empty text") << QByteArray("\t09\r") << false;
        QTest::newRow("CR alone") << QByteArray("\r") << false;
        QTest::newRow("other address") << QByteArray::fromStdString(Frame("H05B")) << false;
        QTest::newRow("own address") << QByteArray::fromStdString(Frame("H01B")) << true;
        QTest::newRow("over-long, then a frame")
            << QByteArray("\t" + QByteArray(400, 'A') + "\r" + QByteArray::fromStdString(Frame("H00B"))) << true;
        QTest::newRow("over-long, unterminated") << QByteArray("\t" + QByteArray(2000, 'A') + "03\r") << false;
    }
    void hostFrames() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, answered);
        sim::ReaderModel reader;
        Recorder out;
        reader.hostWrote(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                         static_cast<std::size_t>(bytes.size()), Line(DefaultLine), 0, out);
        QCOMPARE(!out.bytes.empty(), answered);
    }

    // Random bytes at random line settings, and random knobs, must leave the model answering sanely: every reply
    // is a frame (LF .. CR) of bounded length.
    void randomInput() {
        std::mt19937 random(20240117);
        const char* lines[] = {"19200,e,8,1", "19200,n,8,1", "9600,e,8,1"};
        for (int round = 0; round < 200; ++round) {
            sim::ReaderModel reader;
            reader.state.lineIndex = static_cast<int>(random() % 14) - 1; // -1 and 12 listen to nothing
            reader.faults.infoReplyLength = static_cast<int>(random() % 40);
            reader.faults.zeroBytePosition = static_cast<int>(random() % 20);
            std::string bytes;
            for (int i = 0; i < 64; ++i) {
                const char pick[] = {'\t', '\r', 'H', '0', 'B', 'E', 'C', 'F', '3', 'A'};
                bytes += random() % 4 ? pick[random() % sizeof pick] : static_cast<char>(random());
            }
            if (round % 2)
                bytes += Frame("H00E" + std::string(1, "0123456789AB"[random() % 12])) + Frame("H00B");
            Recorder out;
            std::uint64_t now = 0;
            for (std::size_t at = 0; at < bytes.size(); at += 7, now += 5000) {
                reader.hostWrote(reinterpret_cast<const std::uint8_t*>(bytes.data()) + at,
                                 std::min<std::size_t>(7, bytes.size() - at), Line(lines[random() % 3]), now, out);
                reader.poll(now, out);
            }
            for (std::size_t at = 0; at < out.bytes.size();) {
                QCOMPARE(out.bytes[at], '\n');
                const std::size_t end = out.bytes.find('\r', at);
                QVERIFY(end != std::string::npos && end - at < 64);
                at = end + 1;
            }
        }
    }

    // A vanished adapter ends the exchange at its first read, after the 9 ms of writes, not at the time-out;
    // the link lets go of the port.
    void vanishedPortEndsTheExchange() {
        open();
        system_->vanish(1);
        double elapsed = 0;
        QVERIFY(!send("H00B", &elapsed));
        QVERIFY2(elapsed >= 9 && elapsed <= 10, qPrintable(QString::number(elapsed)));
        QVERIFY(link_->portGone());
        QCOMPARE(system_->openCount(), 0);
    }
};

QTEST_APPLESS_MAIN(TestSimModel)
#include "tst_sim_model.moc"
