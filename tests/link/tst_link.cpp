// The command frame and the reply reception over the virtual device, with scripted replies.

#include "link/link.h"
#include "platform/testing/virtual_system.h"
#include "protocol/protocol.h"

#include <QTest>

#include <functional>
#include <string>

using namespace readerlink;
using protocol::BuildReplyFrame;
using protocol::HexToUInt32;

namespace {

/// Sends a fixed byte string once the host's frame is complete, after a delay; with `echo`, the line gives the
/// host every byte it writes back at once.
class Scripted : public platform::VirtualPeer {
public:
    std::string reply;
    std::uint64_t delayUs = 2000;
    std::uint32_t spacingUs = 500;
    bool echo = false;
    /// Called before every host read, with the virtual time.
    std::function<void(std::uint64_t nowUs)> onPoll;

    void hostWrote(const std::uint8_t* data, std::size_t count, const platform::LineSettings&, std::uint64_t nowUs,
                   platform::ReplySink& sink) override {
        if (echo)
            sink.send(data, count, nowUs, 0);
        if (data[count - 1] == '\r' && !reply.empty())
            sink.send(reinterpret_cast<const std::uint8_t*>(reply.data()), reply.size(), nowUs + delayUs, spacingUs);
    }
    void poll(std::uint64_t nowUs, platform::ReplySink&) override {
        if (onPoll)
            onPoll(nowUs);
    }
};

/// What a trace sink is told, one line per event.
class TraceLines final : public TraceSink {
public:
    QStringList lines;
    void portOpened(int, const std::string&, platform::OpenError) override { lines << "open"; }
    void portClosed(int, const std::string&) override { lines << "close"; }
    void exchange(const Exchange& e) override {
        static const char* const outcomes[] = {"valid", "bad checksum", "time-out", "not sent", "port gone", "dropped"};
        lines << QStringLiteral("%1: %2 bytes, %3 discarded, %4 set aside%5")
                     .arg(outcomes[static_cast<int>(e.outcome)])
                     .arg(e.reply.size())
                     .arg(e.discarded.size())
                     .arg(e.setAside.size())
                     .arg(e.echoed ? ", echo" : "");
    }
};

std::string Frame(const std::string& body) {
    return BuildReplyFrame(body);
}

/// A reply frame that a test sends first, so that ReplyText has something to keep.
const std::string Previous = Frame("H01Xprevious");

struct Line {
    platform::VirtualSystem system;
    LinkSetup setup{system};
    Link link{setup};
    Scripted reader;
    explicit Line(std::uint32_t clockStartMs = 0) : system(clockStartMs) {
        platform::VirtualSystem::PortConfig config;
        config.peer = &reader;
        system.setPort(1, config);
        QVERIFY(link.OpenComPort(1, "19200,e,8,1"));
    }
    /// Sends `command` and returns the result with the time from the end of sending to the return.
    bool send(const char* command, std::uint64_t* waitedMs = nullptr) {
        const bool ok = link.SendCommand(command).valid();
        if (waitedMs)
            *waitedMs = (system.nowUs() - system.frames().back().atUs) / 1000;
        return ok;
    }
    /// An exchange answered by Previous.
    void prime() {
        reader.reply = Previous;
        QVERIFY(send("H00X"));
    }
    std::string received() const {
        return {reinterpret_cast<const char*>(link.received().data()), link.received().size()};
    }
};

} // namespace

class TestLink : public QObject {
    Q_OBJECT

private slots:
    void commandFrames_data() {
        QTest::addColumn<QByteArray>("command");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("H00B") << QByteArray("H00B") << QByteArray("\x09H00B03\x0D");
        QTest::newRow("H00V") << QByteArray("H00V") << QByteArray("\x09H00V17\x0D");
        QTest::newRow("H00F") << QByteArray("H00F") << QByteArray("\x09H00F07\x0D");
        QTest::newRow("H00A001") << QByteArray("H00A001") << QByteArray("\x09H00A00131\x0D");
        QTest::newRow("H00E5") << QByteArray("H00E5") << QByteArray("\x09H00E531\x0D");
    }
    void commandFrames() {
        QFETCH(QByteArray, command);
        QFETCH(QByteArray, frame);
        Line line;
        line.send(command.constData());
        QCOMPARE(QByteArray::fromStdString(line.system.frames().back().raw), frame);
        // Five writes: TAB, the text in one go, each digit, CR; 1 ms after single bytes, 5 ms after the text.
        const auto& writes = line.system.writes();
        QCOMPARE(writes.size(), std::size_t{5});
        QCOMPARE(QByteArray::fromStdString(writes[1].bytes), command);
        QCOMPARE(writes[1].atUs - writes[0].atUs, std::uint64_t{1000});
        QCOMPARE(writes[2].atUs - writes[1].atUs, std::uint64_t{5000});
        QCOMPARE(writes[4].atUs - writes[3].atUs, std::uint64_t{1000});
    }

    void replies_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("count");
        QTest::addColumn<QByteArray>("text");
        const QByteArray info = QByteArray::fromStdString(Frame("H01B20240117"));
        QTest::newRow("shortest frame") << QByteArray("\n0A\r") << 2 << true << 4 << QByteArray("\n0A\r");
        QTest::newRow("lower-case digit") << QByteArray("\n0a\r") << 2 << false << 4 << QByteArray("\n0a\r");
        QTest::newRow("info reply") << info << 2 << true << 16 << info;
        QTest::newRow("after 50 ms") << info << 50 << true << 16 << info;
        const QByteArray previous = QByteArray::fromStdString(Previous);
        QTest::newRow("after 130 ms") << info << 130 << false << 0 << previous;
        QTest::newRow("noise before the LF is set aside") << QByteArray("\xff") + info << 2 << true << 16 << info;
        QTest::newRow("wrong checksum") << QByteArray("\nH01B0\r") << 2 << false << 7 << QByteArray("\nH01B0\r");
        QTest::newRow("three bytes") << QByteArray("\nA\r") << 2 << false << 3 << QByteArray("\nA\r");
        QTest::newRow("zero byte in the body")
            << QByteArray::fromStdString(Frame(std::string("H0\0B", 4))) << 2 << true << 8 << QByteArray("\nH0");
        QTest::newRow("bytes after the CR stay for later") << info + QByteArray("junk") << 2 << true << 16 << info;
    }
    void replies() {
        QFETCH(QByteArray, reply);
        QFETCH(int, delayMs);
        QFETCH(bool, ok);
        QFETCH(int, count);
        QFETCH(QByteArray, text);
        Line line;
        line.prime();
        line.reader.reply = reply.toStdString();
        line.reader.delayUs = static_cast<std::uint64_t>(delayMs) * 1000;
        std::uint64_t waited = 0;
        const Reply answer = line.link.SendCommand("H00B");
        waited = (line.system.nowUs() - line.system.frames().back().atUs) / 1000;
        QCOMPARE(answer.valid(), ok);
        QCOMPARE(line.link.rxCount(), count);
        QCOMPARE(QByteArray::fromStdString(line.link.replyText()), text);
        // The reply hands over what the receive state holds: the frame only when one was complete.
        QCOMPARE(answer.received, line.received());
        QCOMPARE(QByteArray::fromStdString(answer.text), answer.outcome == ReplyOutcome::Timeout ? QByteArray() : text);
        if (ok || (line.link.rxCount() > 0 && text != QByteArray::fromStdString(Previous)))
            return;
        // A silent or broken line costs the time-out, about 121 ms, counted from the end of sending.
        QVERIFY2(waited >= 120 && waited <= 122, qPrintable(QString::number(waited)));
    }

    // A reply's time runs from the moment the frame's CR was written to the reply's own CR, whole milliseconds:
    // a reader 60 ms late is 60 ms late. The time-out starts after the CR's 1 ms pause, so a silent reader costs
    // 122 ms from the CR.
    void replyTime_data() {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("delayMs"); // to the reply's first byte
        QTest::addColumn<int>("spacingUs");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("waitedMs");
        const QByteArray info = QByteArray::fromStdString(Frame("H01B20240117"));
        QTest::newRow("at once: read once the CR's pause is over") << info << 0 << 0 << true << 1;
        QTest::newRow("60 ms late") << info << 60 << 0 << true << 60;
        QTest::newRow("60 ms late, 16 bytes 500 us apart") << info << 60 << 500 << true << 67;
        QTest::newRow("the last moment") << info << 121 << 0 << true << 121;
        QTest::newRow("one moment too late") << info << 122 << 0 << false << 122;
        QTest::newRow("silent") << QByteArray() << 0 << 0 << false << 122;
    }
    void replyTime() {
        QFETCH(QByteArray, reply);
        QFETCH(int, delayMs);
        QFETCH(int, spacingUs);
        QFETCH(bool, valid);
        QFETCH(int, waitedMs);
        Line line;
        line.reader.reply = reply.toStdString();
        line.reader.delayUs = static_cast<std::uint64_t>(delayMs) * 1000;
        line.reader.spacingUs = static_cast<std::uint32_t>(spacingUs);
        const Reply answer = line.link.SendCommand("H00B");
        QCOMPARE(answer.valid(), valid);
        QCOMPARE(int(answer.waitedMs), waitedMs);
        QCOMPARE(int(answer.waitedMs), int((line.system.nowUs() - line.system.frames().back().atUs) / 1000));
    }

    void timeoutKeepsThePreviousReply() {
        Line line;
        line.reader.reply = Frame("H01V03.20-01");
        QVERIFY(line.send("H00V"));
        const std::string previous = line.link.replyText();
        line.reader.reply = "\nH01";
        QVERIFY(!line.send("H00L"));
        QCOMPARE(line.link.replyText(), previous);
        QCOMPARE(line.link.rxCount(), 4);
        QCOMPARE(line.received(), std::string("\nH01"));
    }

    // What a real line puts before the reply (the converter's echo of the command, noise as it turns around)
    // is set aside; the reply begins at its LF.
    void beforeTheReply_data() {
        QTest::addColumn<bool>("echo");
        QTest::addColumn<QByteArray>("noise");
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<int>("outcome");
        QTest::addColumn<QByteArray>("setAside");
        QTest::addColumn<bool>("echoed");
        const QByteArray info = QByteArray::fromStdString(Frame("H01B20240117"));
        const QByteArray frame("\tH00B03\r");
        const int valid = int(ReplyOutcome::Valid);
        QTest::newRow("ideal line") << false << QByteArray() << info << valid << QByteArray() << false;
        QTest::newRow("echo") << true << QByteArray() << info << valid << frame << true;
        QTest::newRow("one stray byte") << false << QByteArray("\xff") << info << valid << QByteArray("\xff") << false;
        const QByteArray burst("\r\0\xff\t\x80", 5);
        QTest::newRow("a burst with a CR and a zero byte") << false << burst << info << valid << burst << false;
        QTest::newRow("echo, then noise") << true << QByteArray("\x80") << info << valid << frame + "\x80" << true;
        QTest::newRow("echo, no reply") << true << QByteArray() << QByteArray() << int(ReplyOutcome::Timeout) << frame
                                        << true;
        // An LF in the noise starts the frame there: the checksum fails, as it does for any garbled reply.
        QTest::newRow("an LF in the noise")
            << false << QByteArray("\n\xff") << info << int(ReplyOutcome::BadChecksum) << QByteArray() << false;
    }
    void beforeTheReply() {
        QFETCH(bool, echo);
        QFETCH(QByteArray, noise);
        QFETCH(QByteArray, reply);
        QFETCH(int, outcome);
        QFETCH(QByteArray, setAside);
        QFETCH(bool, echoed);
        Line line;
        line.reader.echo = echo;
        line.reader.reply = (noise + reply).toStdString();
        const Reply answer = line.link.SendCommand("H00B");
        QCOMPARE(int(answer.outcome), outcome);
        QCOMPARE(QByteArray::fromStdString(answer.setAside), setAside);
        QCOMPARE(answer.echoed, echoed);
        QCOMPARE(line.link.lineCounts().echoes, std::uint64_t{echoed});
        if (outcome == int(ReplyOutcome::Valid)) {
            // Positions, the checksum test and the receive state as on an ideal line.
            QCOMPARE(QByteArray::fromStdString(answer.received), reply);
            QCOMPARE(QByteArray::fromStdString(line.link.replyText()), reply);
            QCOMPARE(line.link.rxCount(), int(reply.size()));
        }
    }

    // A reply that comes after its command gave up waits in the input; it must never pass for the reply to the
    // next command, whether it is all in by then or still coming in while that command is written.
    void lateReplyNeverAnswersTheNext_data() {
        QTest::addColumn<int>("lateMs");
        QTest::addColumn<int>("gapMs");
        QTest::addColumn<QByteArray>("next");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<int>("discarded");
        QTest::addColumn<int>("setAside");
        const QByteArray keys = QByteArray::fromStdString(Frame("H01L06"));
        QTest::newRow("all in, the next unanswered") << 125 << 100 << QByteArray() << false << 16 << 0;
        QTest::newRow("all in, the next answered") << 125 << 100 << keys << true << 16 << 0;
        QTest::newRow("coming in while the next goes out") << 125 << 0 << QByteArray() << false << 0 << 16;
        QTest::newRow("coming in, the next answered") << 126 << 0 << keys << true << 0 << 16;
    }
    void lateReplyNeverAnswersTheNext() {
        QFETCH(int, lateMs);
        QFETCH(int, gapMs);
        QFETCH(QByteArray, next);
        QFETCH(bool, ok);
        QFETCH(int, discarded);
        QFETCH(int, setAside);
        Line line;
        line.reader.reply = Frame("H01B20240117");
        line.reader.delayUs = static_cast<std::uint64_t>(lateMs) * 1000;
        QVERIFY(!line.send("H00B"));
        line.system.advanceUs(static_cast<std::uint64_t>(gapMs) * 1000);
        line.reader.reply = next.toStdString();
        line.reader.delayUs = 10000; // after the late reply's tail: one talker at a time
        const Reply answer = line.link.SendCommand("H00L06");
        QCOMPARE(answer.valid(), ok);
        QCOMPARE(QByteArray::fromStdString(answer.text), ok ? next : QByteArray());
        QCOMPARE(int(answer.discarded.size()), discarded);
        QCOMPARE(int(answer.setAside.size()), setAside);
    }

    // A device that fails a read (unplugged, hung up) ends the exchange at that read, not at the time-out; the
    // link reports it once and lets the port go, and a caller that keeps sending costs a read time-out a try.
    void portGoneEndsTheExchangeAtOnce_data() {
        QTest::addColumn<int>("afterBytes"); // of the reply; -1: before the command
        QTest::newRow("before the command") << -1;
        QTest::newRow("as the command goes out") << 0;
        QTest::newRow("in the middle of a reply") << 5;
    }
    void portGoneEndsTheExchangeAtOnce() {
        QFETCH(int, afterBytes);
        TraceLines trace; // outlives the link, which traces its close
        Line line;
        line.setup.trace = &trace;
        line.reader.reply = Frame("H01B20240117");
        std::uint64_t goneAtUs = 0;
        const auto pull = [&] {
            goneAtUs = line.system.nowUs();
            line.system.vanish(1);
        };
        if (afterBytes < 0)
            pull();
        else if (afterBytes == 0)
            line.system.onFrame = [&](const auto&) { pull(); };
        // The reply's first byte comes 2 ms after the CR, which goes out 8 ms after the TAB.
        const std::uint64_t pullAtUs = 10000 + std::uint64_t(afterBytes) * line.reader.spacingUs;
        line.reader.onPoll = [&](std::uint64_t nowUs) {
            if (afterBytes > 0 && !goneAtUs && nowUs >= pullAtUs)
                pull();
        };
        const std::uint64_t startUs = line.system.nowUs();
        const Reply answer = line.link.SendCommand("H00B");
        QCOMPARE(answer.outcome, ReplyOutcome::PortGone);
        // The read under way when the device went, then the one that fails; at the earliest once the 9 ms of
        // writes and pauses are over.
        const std::uint64_t endedAfterUs = line.system.nowUs() - std::max(goneAtUs, startUs + 9000);
        QVERIFY2(endedAfterUs <= 1000, qPrintable(QString::number(endedAfterUs)));
        QCOMPARE(answer.received.empty(), afterBytes <= 0);
        QVERIFY(line.link.portGone() && !line.link.isOpen());
        QCOMPARE(line.system.openCount(), 0);
        QCOMPARE(
            trace.lines,
            (QStringList{QStringLiteral("port gone: %1 bytes, 0 discarded, 0 set aside").arg(answer.received.size()),
                         "close"}));

        const std::size_t writes = line.system.writes().size();
        const std::uint64_t before = line.system.nowUs();
        QCOMPARE(line.link.SendCommand("H00B").outcome, ReplyOutcome::PortGone);
        QCOMPARE(line.system.nowUs() - before, std::uint64_t{1000});
        line.link.CloseComPort();
        QCOMPARE(line.system.writes().size(), writes);
        QCOMPARE(trace.lines.size(), 2);
        // Plugged in and opened again, the link starts afresh.
        line.system.onFrame = {};
        platform::VirtualSystem::PortConfig config;
        config.peer = &line.reader;
        line.system.setPort(1, config);
        QVERIFY(line.link.OpenComPort(1, "19200,e,8,1"));
        QVERIFY(!line.link.portGone());
        QVERIFY(line.send("H00B"));
    }

    void clockWrapChangesNothing_data() {
        QTest::addColumn<quint32>("clockStart");
        QTest::newRow("wraps from 2^32 - 1") << quint32(0xFFFFFFFFu - 60);
        QTest::newRow("passes 2^31") << quint32(0x7FFFFFFFu - 60);
        QTest::newRow("ordinary") << quint32(1000);
    }
    void clockWrapChangesNothing() {
        QFETCH(quint32, clockStart);
        Line line(clockStart);
        std::uint64_t waited = 0;
        QVERIFY(!line.send("H00B", &waited));
        QVERIFY2(waited >= 120 && waited <= 122, qPrintable(QString::number(waited)));
        line.reader.reply = Frame("H01B20240117");
        line.reader.delayUs = 100000;
        QVERIFY(line.send("H00B"));
    }

    void streamingLineStillTimesOut() {
        // Bytes without a pause, never a frame: the time-out is tested after every read, not only empty ones.
        Line line;
        line.reader.reply = std::string(5000, 'U');
        line.reader.spacingUs = 200;
        std::uint64_t waited = 0;
        QVERIFY(!line.send("H00B", &waited));
        QVERIFY2(waited >= 120 && waited <= 122, qPrintable(QString::number(waited)));
        QVERIFY(line.link.rxCount() >= 0 && line.link.rxCount() < RxBufferSize);
    }

    void overLongReplyWrapsAndFails_data() {
        QTest::addColumn<int>("bodyLength");
        QTest::newRow("1020: exactly 1024 bytes") << 1020;
        QTest::newRow("1019: 1023 bytes fits") << 1019;
        QTest::newRow("2000 bytes") << 1996;
    }
    void overLongReplyWrapsAndFails() {
        QFETCH(int, bodyLength);
        Line line;
        line.reader.reply = Frame(std::string(static_cast<std::size_t>(bodyLength), '7'));
        line.reader.spacingUs = 50;
        const bool ok = line.send("H00B");
        QCOMPARE(ok, bodyLength + 4 < RxBufferSize);
        QVERIFY(line.link.rxCount() >= 0 && line.link.rxCount() < RxBufferSize);
    }

    void closeRestoresTheTimeouts() {
        platform::VirtualSystem system;
        LinkSetup setup(system);
        Link link(setup);
        platform::VirtualSystem::PortConfig config;
        config.initialTimeouts = {7, 8, 9, 10, 11};
        system.setPort(10, config);
        QVERIFY(link.OpenComPort(10, "4800,n,8,1"));
        QCOMPARE(system.timeoutsOf(10), LinkTimeouts);
        QCOMPARE(system.lines().back().text, std::string("4800,n,8,1"));
        link.CloseComPort();
        QCOMPARE(system.timeoutsOf(10), (platform::CommTimeouts{7, 8, 9, 10, 11}));
        QVERIFY(!system.isOpen(10));
    }

    void openFailures_data() {
        QTest::addColumn<bool>("exists");
        QTest::addColumn<bool>("held");
        QTest::newRow("no such port") << false << false;
        QTest::newRow("held by another program") << true << true;
    }
    void openFailures() {
        QFETCH(bool, exists);
        QFETCH(bool, held);
        platform::VirtualSystem system;
        LinkSetup setup(system);
        std::vector<platform::OpenError> reported;
        setup.openErrorReport = [&](int portNo, platform::OpenError error) {
            QCOMPARE(portNo, 16);
            reported.push_back(error);
        };
        Link link(setup);
        platform::VirtualSystem::PortConfig config;
        config.exists = exists;
        config.heldByOther = held;
        config.initialTimeouts = {1, 2, 3, 4, 5};
        system.setPort(16, config);
        QVERIFY(!link.OpenComPort(16, "19200,e,8,1"));
        QVERIFY(!link.isOpen());
        const platform::OpenError why = held ? platform::OpenError::Busy : platform::OpenError::NotFound;
        QCOMPARE(link.lastOpenError(), why);
        QCOMPARE(reported, std::vector<platform::OpenError>{why});
        QVERIFY(system.lines().empty()); // nothing is touched on a port that did not open
        QCOMPARE(system.timeoutsOf(16), (platform::CommTimeouts{1, 2, 3, 4, 5}));
    }

    // A scan waiting for an adapter looks at its absent port again and again: the trace hears of each change, not
    // of every look. An exchange still awaited when its port is closed is traced as dropped.
    void openAndCloseInTheTrace() {
        platform::VirtualSystem system;
        LinkSetup setup(system);
        TraceLines trace;
        setup.trace = &trace;
        Link link(setup);
        // Each look, and the trace's lines after it.
        const auto look = [&](int portNo) {
            link.OpenComPort(portNo, "19200,e,8,1");
            return trace.lines.size();
        };
        QCOMPARE(look(16), 1); // absent
        QCOMPARE(look(16), 1); // absent still
        platform::VirtualSystem::PortConfig held;
        held.heldByOther = true;
        system.setPort(16, held);
        QCOMPARE(look(16), 2); // another reason
        QCOMPARE(look(16), 2);
        QCOMPARE(look(15), 3); // another port
        QCOMPARE(look(16), 4);
        system.setPort(16, {});
        QCOMPARE(look(16), 5); // opened
        QVERIFY(link.StartCommand("H00B"));
        link.CloseComPort();
        QCOMPARE(trace.lines.mid(5), (QStringList{"dropped: 0 bytes, 0 discarded, 0 set aside", "close"}));
    }

    void hexToUInt32_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<quint32>("value");
        QTest::newRow("0000001A") << QByteArray("0000001A") << 26u;
        QTest::newRow("FFFFFFFF") << QByteArray("FFFFFFFF") << 4294967295u;
        QTest::newRow("1a: lower case counts as 0, short text fills on the right") << QByteArray("1a") << 268435456u;
        QTest::newRow("1A") << QByteArray("1A") << 436207616u;
        QTest::newRow("G0000001") << QByteArray("G0000001") << 1u;
        QTest::newRow("empty") << QByteArray() << 0u;
        QTest::newRow("ninth character ignored") << QByteArray("000000019") << 1u;
    }
    void hexToUInt32() {
        QFETCH(QByteArray, text);
        QFETCH(quint32, value);
        QCOMPARE(HexToUInt32(text.toStdString()), value);
    }

    void messagePumpServedWhileWaiting() {
        Line line;
        int served = 0;
        line.setup.messagePump = [&] { ++served; };
        line.send("H00B");
        QVERIFY(served >= 120 && served <= 122); // once per empty read
    }

    // Step by step, as one thread drives several ports: no pump, the writes without their pauses, and each take
    // reads what came until a read brings nothing. Two links on two ports never share a byte.
    void twoLinksStepByStep() {
        Line one;
        Scripted other;
        platform::VirtualSystem::PortConfig config;
        config.peer = &other;
        one.system.setPort(2, config);
        Link two(one.setup);
        QVERIFY(two.OpenComPort(2, "9600,n,8,1"));
        one.reader.reply = Frame("H01B11111111");
        other.reply = Frame("H02B22222222");
        other.delayUs = 40000;
        int served = 0;
        one.setup.messagePump = [&] { ++served; };

        const std::uint64_t startUs = one.system.nowUs();
        QVERIFY(one.link.StartCommand("H00B", WritePauses::Skipped));
        QVERIFY(two.StartCommand("H00B", WritePauses::Skipped));
        QCOMPARE(one.system.nowUs(), startUs); // no pause after the writes
        std::optional<Reply> first;
        while (!first)
            first = one.link.TakeReply(false);
        // By now the other reply has come whole: one take reads it all.
        one.system.advanceUs(60000);
        const std::optional<Reply> second = two.TakeReply(false);
        QVERIFY(second);
        QCOMPARE(first->text, Frame("H01B11111111"));
        QCOMPARE(second->text, Frame("H02B22222222"));
        QCOMPARE(served, 0);
        QVERIFY(!one.link.awaitingReply() && !two.awaitingReply());
        QVERIFY(!one.link.TakeReply(false)); // nothing under way
    }

    // A text that does not fit the frame's 8-bit length goes nowhere.
    void overLongCommandIsNotSent() {
        Line line;
        const Reply reply = line.link.SendCommand(std::string(256, 'A'));
        QCOMPARE(reply.outcome, ReplyOutcome::NotSent);
        QVERIFY(line.system.writes().empty());
    }
};

QTEST_GUILESS_MAIN(TestLink)
#include "tst_link.moc"
