// readerctl on lines that are not ideal, over the reader model in virtual time: what linetest counts and the
// reply times it gives, and how soon a run of readers notices one plugged in.

#include "ctl_fixture.h"
#include "sim/reader_line.h"

#include <QTest>

#include <algorithm>

namespace {

/// The whole reply at once, landing `ms[k]` whole milliseconds after query k's CR (the last entry for the rest),
/// which is the reply time the link measures. A setup that takes onFrame over keeps the first.
void ReplyAfter(Ctl& c, const std::vector<int>& ms) {
    c.reader.faults.pacing = false;
    const auto due = [&c, ms](std::size_t query) {
        const std::uint32_t crossingUs = 2 * sim::CharacterTimeUs(c.reader.line());
        c.reader.faults.answerDelayUs = std::uint32_t(ms[std::min(query, ms.size() - 1)]) * 1000 - crossingUs;
    };
    due(0);
    c.system.onFrame = [due, sent = std::size_t{0}](const platform::VirtualSystem::FrameRecord&) mutable {
        due(++sent);
    };
}

} // namespace

Q_DECLARE_METATYPE(Setup)

class TestReaderctlLines : public QObject {
    Q_OBJECT

private slots:
    // What the line did with each query, as JSON: the counts add up to what was sent, the echo is no noise, a
    // reply that came after its time-out is, and the reply times are ranked (nearest rank), not averaged.
    void lineTest_data() {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("json");
        // The object: "ok", the failure's code and error, then the port, the line setting and `fields`.
        const auto object = [](const QString& failure, const QString& fields) {
            return QString(R"({"ok":%1,%2"port":3,"line":"19200,e,8,1",%3})")
                       .arg(failure.isEmpty() ? "true" : "false", failure, fields) +
                   "\n";
        };
        // Plain strings where a raw one would hold an odd number of quotes: moc reads raw strings as plain ones.
        const QString unanswered =
            "\"code\":\"no-reply\",\"error\":\"Line test on COM3 at 19200,e,8,1: %1 queries unanswered\",";
        QTest::newRow("reply times 10 to 19 ms, shuffled")
            << Setup([](Ctl& c) {
                   ReplyAfter(c, {17, 12, 20, 11, 15, 19, 13, 16, 18, 14});
               })
            << "--port 3 linetest --count 10" << 0
            << object({},
                      R"("sent":10,"answered":10,"timeouts":0,"bad_checksum":0,"echo":false,"noise_bytes":0,)"
                      R"("reply_ms":{"min":11,"median":15,"p99":20,"max":20},"verdict":"pass","loss_ruled_out":0.3)");
        QTest::newRow("a 2-wire converter that hears the tool, a burst before every reply")
            << Setup([](Ctl& c) {
                   ReplyAfter(c, {13});
                   c.reader.faults.echo = true;
                   c.reader.faults.noiseBytes = 5;
               })
            << "--port 3 linetest --count 10" << 0
            << object({},
                      R"("sent":10,"answered":10,"timeouts":0,"bad_checksum":0,"echo":true,"noise_bytes":50,)"
                      R"("reply_ms":{"min":13,"median":13,"p99":13,"max":13},"verdict":"pass","loss_ruled_out":0.3)");
        QTest::newRow("late replies, each thrown away before the next query")
            << Setup([](Ctl& c) { ReplyAfter(c, {130}); }) << "--port 3 linetest --count 3" << 1
            << object(
                   unanswered.arg("3 of 3"),
                   R"("sent":3,"answered":0,"timeouts":3,"bad_checksum":0,"echo":false,"noise_bytes":32,)"
                   R"("reply_ms":{"min":null,"median":null,"p99":null,"max":null},"verdict":"fail","loss_ruled_out":null)");
        QTest::newRow("the first query missed, then every other checksum garbled")
            << Setup([](Ctl& c) {
                   ReplyAfter(c, {13});
                   c.reader.faults.muted['B'] = 1;
                   c.system.onFrame = [&c](const platform::VirtualSystem::FrameRecord&) {
                       c.reader.faults.badChecksum = !c.reader.faults.badChecksum;
                   };
               })
            << "--port 3 linetest --count 6" << 1
            << object(unanswered.arg("4 of 6"),
                      R"("sent":6,"answered":2,"timeouts":1,"bad_checksum":3,"echo":false,"noise_bytes":0,)"
                      R"("reply_ms":{"min":13,"median":13,"p99":13,"max":13},"verdict":"fail","loss_ruled_out":null)");
        QTest::newRow("the adapter pulled at the fourth query: the three before")
            << Setup([](Ctl& c) {
                   ReplyAfter(c, {13});
                   c.system.onFrame = [&c, sent = 0](const platform::VirtualSystem::FrameRecord&) mutable {
                       if (++sent == 4)
                           c.system.vanish(3);
                   };
               })
            << "--port 3 linetest" << 1
            << object(
                   "\"code\":\"port-gone\",\"error\":\"Line test on COM3 at 19200,e,8,1: COM3 is gone (the adapter was "
                   "removed?)\",",
                   R"("sent":3,"answered":3,"timeouts":0,"bad_checksum":0,"echo":false,"noise_bytes":0,)"
                   R"("reply_ms":{"min":13,"median":13,"p99":13,"max":13},"verdict":"fail","loss_ruled_out":null)");
        QTest::newRow("Ctrl-C after two queries: those two are the test")
            << Setup([](Ctl& c) {
                   ReplyAfter(c, {13});
                   c.interrupted = [&c] { return c.system.frames().size() >= 2; };
               })
            << "--port 3 linetest" << 0
            << object({},
                      R"("sent":2,"answered":2,"timeouts":0,"bad_checksum":0,"echo":false,"noise_bytes":0,)"
                      R"("reply_ms":{"min":13,"median":13,"p99":13,"max":13},"verdict":"pass","loss_ruled_out":1.0)");
        // One query of a hundred lost: the line works, but not to be signed off.
        QTest::newRow("one time-out in a hundred: marginal, exit 1")
            << Setup([](Ctl& c) {
                   ReplyAfter(c, {13});
                   c.reader.faults.muted['B'] = 1;
               })
            << "--port 3 linetest" << 1
            << object(
                   unanswered.arg("1 of 100"),
                   R"("sent":100,"answered":99,"timeouts":1,"bad_checksum":0,"echo":false,"noise_bytes":0,)"
                   R"("reply_ms":{"min":13,"median":13,"p99":13,"max":13},"verdict":"marginal","loss_ruled_out":null)");
    }
    void lineTest() {
        QFETCH(Setup, setup);
        QFETCH(QString, line);
        Ctl ctl;
        setup(ctl);
        QTEST(ctl.run("--json " + line), "status");
        QTEST(ctl.output(), "json"); // the one object; the progress went to standard error
        QCOMPARE(ctl.system.openCount(), 0);
    }

    // For a person: the report on standard output, one progress line on standard error rewritten in place.
    void textReport() {
        Ctl ctl;
        ReplyAfter(ctl, {13});
        ctl.reader.faults.echo = true;
        QCOMPARE(ctl.run("--port 3 linetest --count 2"), 0);
        QCOMPARE(ctl.output(), "Line test on COM3 at 19200,e,8,1\n  sent 2, answered 2, timed out 0, bad checksum 0\n"
                               "  echo: seen on 2 queries (the converter hears the tool's own frames); noise bytes: 0\n"
                               "  reply time: min 13 ms, median 13 ms, 99th percentile 13 ms, max 13 ms\n"
                               "  verdict: pass\n  every one of 2 queries answered: a loss of 100 % or more is ruled "
                               "out (95 % confidence)\n");
        const QString progress = "\rLine test on COM3 at 19200,e,8,1: %1 of 2 queries";
        QCOMPARE(ctl.errors(), progress.arg(1) + progress.arg(2) + progress.arg(2) + "\n");
    }

    // A run of readers waits with every port searched: a reader at the factory default is noticed, from the moment
    // it is plugged in to its first answer, within a round of the line settings (and the try under way) when it is
    // wired to an adapter that is there, and within one try's time when its adapter is plugged in; each at twenty
    // moments.
    void noticed_data() {
        QTest::addColumn<int>("others"); // silent adapters besides, from COM1
        QTest::addColumn<int>("port");   // where the reader comes
        QTest::addColumn<bool>("adapterThere");
        QTest::addColumn<int>("withinMs");
        constexpr int TryMs = 121; // the writes go out without their pauses, then the time-out
        constexpr int ReplyMs = 15;
        QTest::newRow("wired to an adapter that is there") << 0 << 3 << true << 13 * TryMs + ReplyMs;
        QTest::newRow("its adapter plugged in beside another") << 1 << 4 << false << TryMs + ReplyMs;
        QTest::newRow("its adapter plugged in, no other port") << 0 << 3 << false << TryMs + ReplyMs;
    }
    void noticed() {
        QFETCH(int, others);
        QFETCH(int, port);
        QFETCH(bool, adapterThere);
        std::uint64_t slowestUs = 0;
        for (int k = 0; k < 20; ++k) {
            Ctl ctl;
            ctl.remember(3, 7, "38400,e,8,1"); // where the last reader was left
            ctl.system.setPort(3, {adapterThere});
            for (int other = 1; other <= others; ++other)
                ctl.system.setPort(other, {});
            const std::uint64_t plugAtUs = 6000000 + std::uint64_t(k) * 61000;
            std::uint64_t pluggedUs = 0;
            std::uint64_t answeredUs = 0;
            ctl.reader.trace = [&](std::uint64_t atUs, char direction, const std::string&) {
                if (direction == '<' && !answeredUs)
                    answeredUs = atUs;
            };
            ctl.interrupted = [&] {
                if (!pluggedUs && ctl.system.nowUs() >= plugAtUs) {
                    pluggedUs = ctl.system.nowUs();
                    ctl.readerOn(port);
                }
                return answeredUs != 0 || ctl.system.nowUs() > 60000000;
            };
            ctl.run("--repeat set keys 6");
            QVERIFY(answeredUs > pluggedUs && pluggedUs > 0);
            slowestUs = std::max(slowestUs, answeredUs - pluggedUs);
        }
        QFETCH(int, withinMs);
        QVERIFY2(slowestUs <= std::uint64_t(withinMs) * 1000, qPrintable(QString::number(slowestUs)));
    }
};

QTEST_APPLESS_MAIN(TestReaderctlLines)
#include "tst_readerctl_lines.moc"
