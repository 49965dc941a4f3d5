// readerctl on lines that are not ideal, over the reader model in virtual time: what linetest counts and the
// reply times it gives, and how soon a run of readers notices one plugged in.

#include "commission/line_test.h"
#include "ctl_fixture.h"
#include "sim/reader_line.h"

#include <QTest>

#include <algorithm>
#include <numeric>
#include <random>

namespace {

/// Replies of the whole frame at once, landing `ms` whole milliseconds after the query's CR; the link, which
/// starts its time-out 1 ms after the CR, then measures `ms` - 1. One entry per query, the last repeated; a
/// setup that takes onFrame over keeps the first.
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
    // reply that came after its time-out is, and the reply times are ranked, not averaged.
    void lineTest_data() {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("json");

        const QString at3 = R"({"ok":%1,%2"port":3,"line":"19200,e,8,1",%3})"
                            "\n";
        const auto object = [&](const QString& failure, const QString& fields) {
            return at3.arg(failure.isEmpty() ? "true" : "false", failure, fields);
        };
        const QString none = R"("reply_ms":{"min":null,"median":null,"p99":null,"max":null})";

        QTest::newRow("reply times spread over 10 to 109 ms, shuffled")
            << Setup([](Ctl& c) {
                   std::vector<int> ms(100);
                   std::iota(ms.begin(), ms.end(), 11);
                   std::shuffle(ms.begin(), ms.end(), std::mt19937(7));
                   ReplyAfter(c, ms);
               })
            << "--json --port 3 linetest" << 0
            << object({}, R"("sent":100,"answered":100,"timeouts":0,"bad_checksum":0,"echo":false,"noise_bytes":0,)"
                          R"("reply_ms":{"min":10,"median":59,"p99":108,"max":109})");
        QTest::newRow("a 2-wire converter that hears the tool, and a burst before every reply")
            << Setup([](Ctl& c) {
                   ReplyAfter(c, {13});
                   c.reader.faults.echo = true;
                   c.reader.faults.noiseBytes = 5;
               })
            << "--json --port 3 linetest --count 10" << 0
            << object({}, R"("sent":10,"answered":10,"timeouts":0,"bad_checksum":0,"echo":true,"noise_bytes":50,)"
                          R"("reply_ms":{"min":12,"median":12,"p99":12,"max":12})");
        QTest::newRow("the edge of the time-out: 120 ms answers, 121 does not")
            << Setup([](Ctl& c) {
                   ReplyAfter(c, {121, 122});
               })
            << "--json --port 3 linetest --count 2" << 1
            << object(R"("code":"no-reply","error":"Line test on COM3 at 19200,e,8,1: 1 of 2 queries unanswered",)",
                      R"("sent":2,"answered":1,"timeouts":1,"bad_checksum":0,"echo":false,"noise_bytes":0,)"
                      R"("reply_ms":{"min":120,"median":120,"p99":120,"max":120})");
        QTest::newRow("late replies: each thrown away before the next query")
            << Setup([](Ctl& c) { ReplyAfter(c, {130}); }) << "--json --port 3 linetest --count 3" << 1
            << object(R"("code":"no-reply","error":"Line test on COM3 at 19200,e,8,1: 3 of 3 queries unanswered",)",
                      R"("sent":3,"answered":0,"timeouts":3,"bad_checksum":0,"echo":false,"noise_bytes":32,)" + none);
        QTest::newRow("the first query missed, then every other checksum garbled")
            << Setup([](Ctl& c) {
                   ReplyAfter(c, {13});
                   c.reader.faults.muted['B'] = 1;
                   c.system.onFrame = [&c](const platform::VirtualSystem::FrameRecord&) {
                       c.reader.faults.badChecksum = !c.reader.faults.badChecksum;
                   };
               })
            << "--json --port 3 linetest --count 6" << 1
            << object(R"("code":"no-reply","error":"Line test on COM3 at 19200,e,8,1: 4 of 6 queries unanswered",)",
                      R"("sent":6,"answered":2,"timeouts":1,"bad_checksum":3,"echo":false,"noise_bytes":0,)"
                      R"("reply_ms":{"min":12,"median":12,"p99":12,"max":12})");
        QTest::newRow("the adapter pulled at the fourth query")
            << Setup([](Ctl& c) {
                   ReplyAfter(c, {13});
                   c.system.onFrame = [&c, sent = 0](const platform::VirtualSystem::FrameRecord&) mutable {
                       if (++sent == 4)
                           c.system.vanish(3);
                   };
               })
            << "--json --port 3 linetest" << 1
            << object(R"j("code":"port-gone","error":"Line test on COM3 at 19200,e,8,1: COM3 is gone (the adapter )j"
                      R"j(was removed?)",)j",
                      R"("sent":3,"answered":3,"timeouts":0,"bad_checksum":0,"echo":false,"noise_bytes":0,)"
                      R"("reply_ms":{"min":12,"median":12,"p99":12,"max":12})");
        QTest::newRow("Ctrl-C after two queries: those two are the test")
            << Setup([](Ctl& c) {
                   ReplyAfter(c, {13});
                   c.interrupted = [&c] { return c.system.frames().size() >= 2; };
               })
            << "--json --port 3 linetest" << 0
            << object({}, R"("sent":2,"answered":2,"timeouts":0,"bad_checksum":0,"echo":false,"noise_bytes":0,)"
                          R"("reply_ms":{"min":12,"median":12,"p99":12,"max":12})");
        QTest::newRow("the port held by another program")
            << Setup([](Ctl& c) {
                   platform::VirtualSystem::PortConfig held;
                   held.heldByOther = true;
                   c.system.setPort(3, held);
               })
            << "--json --port 3 linetest" << 1
            << object(R"("code":"port-busy","error":"Line test on COM3 at 19200,e,8,1: COM3 is in use by another )"
                      R"(program",)",
                      R"("sent":0,"answered":0,"timeouts":0,"bad_checksum":0,"echo":false,"noise_bytes":0,)" + none);
    }
    void lineTest() {
        QFETCH(Setup, setup);
        QFETCH(QString, line);
        Ctl ctl;
        setup(ctl);
        QTEST(ctl.run(line), "status");
        // Standard output holds the one object; the progress went to standard error.
        QTEST(ctl.output(), "json");
        QCOMPARE(ctl.system.openCount(), 0);
    }

    // The nearest rank: the smallest value with at least that share of all values at or below it.
    void nearestRank_data() {
        QTest::addColumn<QList<int>>("values");
        QTest::addColumn<int>("percent");
        QTest::addColumn<int>("expected");
        const auto upTo = [](int last) {
            QList<int> values;
            for (int value = 1; value <= last; ++value)
                values << value;
            return values;
        };
        QTest::newRow("none") << QList<int>{} << 50 << 0;
        QTest::newRow("one") << QList<int>{7} << 99 << 7;
        QTest::newRow("the median of two is the lower") << QList<int>{20, 10} << 50 << 10;
        QTest::newRow("the median of three") << QList<int>{30, 10, 20} << 50 << 20;
        QTest::newRow("p99 of 100 is the 99th") << upTo(100) << 99 << 99;
        QTest::newRow("p99 of 101 is the 100th") << upTo(101) << 99 << 100;
        QTest::newRow("the same value many times") << QList<int>{5, 5, 5, 9} << 75 << 5;
    }
    void nearestRank() {
        QFETCH(QList<int>, values);
        QFETCH(int, percent);
        std::map<std::uint32_t, long long> counts;
        for (const int value : values)
            ++counts[std::uint32_t(value)];
        QTEST(int(commission::NearestRank(counts, percent)), "expected");
    }

    // For a person: the report on standard output, and one progress line on standard error, rewritten in place.
    void textReport() {
        Ctl ctl;
        ReplyAfter(ctl, {13});
        ctl.reader.faults.echo = true;
        QCOMPARE(ctl.run("--port 3 linetest --count 2"), 0);
        QCOMPARE(ctl.output(),
                 QStringLiteral("Line test on COM3 at 19200,e,8,1\n"
                                "  sent 2, answered 2, timed out 0, bad checksum 0\n"
                                "  echo: seen on 2 queries (the converter hears the tool's own frames); "
                                "noise bytes: 0\n"
                                "  reply time: min 12 ms, median 12 ms, 99th percentile 12 ms, max 12 ms\n"));
        QCOMPARE(ctl.errors(), QStringLiteral("\rLine test on COM3 at 19200,e,8,1: 1 of 2 queries"
                                              "\rLine test on COM3 at 19200,e,8,1: 2 of 2 queries"
                                              "\rLine test on COM3 at 19200,e,8,1: 2 of 2 queries\n"));
    }

    // A run of readers waits with every port searched: a reader at the factory default is noticed, from the moment
    // it is plugged in to its first answer, within a round of the line settings (and the try under way) when it is
    // wired to an adapter that is there, and within one try's time when its adapter is plugged in. Each row plugs
    // in at twenty moments.
    void noticed_data() {
        QTest::addColumn<int>("others"); // silent adapters besides, on COM1...
        QTest::addColumn<int>("port");   // where the reader comes
        QTest::addColumn<bool>("adapterThere");
        QTest::addColumn<int>("withinMs");
        constexpr int TryMs = 121; // one try: the writes go out without their pauses, then the time-out
        constexpr int ReplyMs = 15;
        QTest::newRow("wired to an adapter that is there") << 0 << 3 << true << 13 * TryMs + ReplyMs;
        QTest::newRow("its adapter plugged in beside another") << 1 << 4 << false << TryMs + ReplyMs;
        QTest::newRow("its adapter plugged in, no other port") << 0 << 3 << false << TryMs + ReplyMs;
    }
    void noticed() {
        QFETCH(int, others);
        QFETCH(int, port);
        QFETCH(bool, adapterThere);
        QFETCH(int, withinMs);
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
        QVERIFY2(slowestUs <= std::uint64_t(withinMs) * 1000, qPrintable(QString::number(slowestUs)));
    }
};

QTEST_APPLESS_MAIN(TestReaderctlLines)
#include "tst_readerctl_lines.moc"
