// The line test's verdict from its figures: pass, marginal or fail at the edges of each bound, and the loss that a
// clean run rules out (the rule of three).

#include "commission/line_test.h"

#include <QTest>

using namespace commission;

namespace {

/// `sent` queries: `timeouts` and `bad` of them unanswered, the others answered; `slow` of the answered ones after
/// `slowMs`, the rest after 12 ms.
LineTest Figures(long long sent, long long timeouts, long long bad, long long slow = 0, std::uint32_t slowMs = 0,
                 Code code = Code::None) {
    LineTest test;
    test.sent = sent;
    test.timeouts = timeouts;
    test.badChecksum = bad;
    test.answered = sent - timeouts - bad;
    if (test.answered > slow)
        test.replyMs[12] = test.answered - slow;
    if (slow > 0)
        test.replyMs[slowMs] = slow;
    test.code = code != Code::None ? code : test.unanswered() > 0 ? Code::NoReply : Code::None;
    return test;
}

} // namespace

Q_DECLARE_METATYPE(LineTest)

class TestLineVerdict : public QObject {
    Q_OBJECT

private slots:
    void verdict_data() {
        QTest::addColumn<LineTest>("test");
        QTest::addColumn<QString>("verdict");
        QTest::addColumn<double>("lossRuledOut"); // -1: none
        QTest::newRow("100 clean queries") << Figures(100, 0, 0) << "pass" << 0.03;
        QTest::newRow("1000 clean queries") << Figures(1000, 0, 0) << "pass" << 0.003;
        QTest::newRow("99th percentile 149 ms") << Figures(100, 0, 0, 2, 149) << "pass" << 0.03;
        QTest::newRow("99th percentile 150 ms") << Figures(100, 0, 0, 2, 150) << "marginal" << 0.03;
        QTest::newRow("only the slowest 1 % over 150 ms") << Figures(100, 0, 0, 1, 200) << "pass" << 0.03;
        QTest::newRow("one time-out in 100") << Figures(100, 1, 0) << "marginal" << -1.0;
        QTest::newRow("one bad checksum in 100") << Figures(100, 0, 1) << "marginal" << -1.0;
        QTest::newRow("exactly 99 % answered") << Figures(1000, 6, 4) << "marginal" << -1.0;
        QTest::newRow("under 99 % answered") << Figures(1000, 11, 0) << "fail" << -1.0;
        QTest::newRow("nothing answered") << Figures(5, 5, 0) << "fail" << -1.0;
        QTest::newRow("two queries: the bound is 100 %") << Figures(2, 0, 0) << "pass" << 1.0;
        QTest::newRow("stopped before the first query") << Figures(0, 0, 0, 0, 0, Code::Interrupted) << "fail" << -1.0;
        QTest::newRow("the adapter pulled after three clean queries")
            << Figures(3, 0, 0, 0, 0, Code::PortGone) << "fail" << -1.0;
    }
    void verdict() {
        QFETCH(LineTest, test);
        QTEST(QString(VerdictName(VerdictOf(test))), "verdict");
        QFETCH(double, lossRuledOut);
        const std::optional<double> loss = LossRuledOut(test);
        QCOMPARE(loss.value_or(-1.0), lossRuledOut);
    }
};

QTEST_APPLESS_MAIN(TestLineVerdict)
#include "tst_line_verdict.moc"
