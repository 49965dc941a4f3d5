// readerctl on lines that are not ideal, over the reader model in virtual time: how soon a run of readers
// notices one plugged in.

#include "ctl_fixture.h"

#include <QTest>

#include <algorithm>

class TestReaderctlLines : public QObject {
    Q_OBJECT

private slots:
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
