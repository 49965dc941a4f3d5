// A card as the controllers show it, worked out by hand from the frames' definitions: Wiegand 26 is an even parity
// bit over the first 12 data bits, 8 bits of facility code, 16 of card number, an odd parity bit over the last 12;
// Wiegand 34 the same over 16 + 16 bits. Swapping D0 and D1 inverts every bit of the frame, parity bits included.

#include "commission/card_views.h"

#include <QTest>

using namespace commission;

Q_DECLARE_METATYPE(std::uint32_t)

namespace {

QString Pair(const WiegandView& view) {
    return QString::fromStdString(PairText(view));
}

} // namespace

class TestCards : public QObject {
    Q_OBJECT

private slots:
    void views_data() {
        QTest::addColumn<std::uint32_t>("value");
        QTest::addColumn<QString>("decimal");
        QTest::addColumn<QString>("w26");
        QTest::addColumn<QString>("w26Frame");
        QTest::addColumn<QString>("w34");
        QTest::addColumn<QString>("w34Frame");
        QTest::addColumn<QString>("reversed");
        QTest::addColumn<QString>("w26Swapped");
        QTest::addColumn<QString>("w34Swapped");
        // 77 = 0100 1101, 30211 = 0111 0110 0000 0011: 7 ones in the first 12 bits (even parity 1), 4 in the last
        // 12 (odd parity 1); in 34 bits 4 ones in 0x004D (0), 7 in 0x7603 (0).
        QTest::newRow("077:30211") << std::uint32_t(0x004D7603) << "0005076483"
                                   << "077:30211"
                                   << "1"
                                      "010011010111011000000011"
                                      "1"
                                   << "00077:30211"
                                   << "0"
                                      "00000000010011010111011000000011"
                                      "0"
                                   << "03764D00"
                                   << "178:35324"
                                   << "65458:35324";
        // 0x9602D2: 4 ones in 1001 0110 0000 (0), 5 in 0010 1101 0010 (0); 0x4996 has 7 (1), 0x02D2 5 (0).
        QTest::newRow("499602D2, the window's example") << std::uint32_t(0x499602D2) << "1234567890"
                                                        << "150:00722"
                                                        << "0"
                                                           "100101100000001011010010"
                                                           "0"
                                                        << "18838:00722"
                                                        << "1"
                                                           "01001001100101100000001011010010"
                                                           "0"
                                                        << "D2029649"
                                                        << "105:64813"
                                                        << "46697:64813";
        // 0x345678: 5 ones in 0011 0100 0101 (1), 6 in 0110 0111 1000 (1); 0x1234 has 5 (1), 0x5678 8 (1).
        QTest::newRow("12345678") << std::uint32_t(0x12345678) << "0305419896"
                                  << "052:22136"
                                  << "1"
                                     "001101000101011001111000"
                                     "1"
                                  << "04660:22136"
                                  << "1"
                                     "00010010001101000101011001111000"
                                     "1"
                                  << "78563412"
                                  << "203:43399"
                                  << "60875:43399";
        QTest::newRow("all ones") << std::uint32_t(0xFFFFFFFF) << "4294967295"
                                  << "255:65535"
                                  << "0" + QString(24, '1') + "1"
                                  << "65535:65535"
                                  << "0" + QString(32, '1') + "1"
                                  << "FFFFFFFF"
                                  << "000:00000"
                                  << "00000:00000";
        QTest::newRow("zero") << std::uint32_t(0) << "0000000000"
                              << "000:00000"
                              << "0" + QString(24, '0') + "1"
                              << "00000:00000"
                              << "0" + QString(32, '0') + "1"
                              << "00000000"
                              << "255:65535"
                              << "65535:65535";
    }
    void views() {
        QFETCH(std::uint32_t, value);
        const CardViews card = ViewsOf(value);
        QTEST(QString::fromStdString(DecimalText(card.value)), "decimal");
        QTEST(Pair(card.w26), "w26");
        QTEST(QString::fromStdString(card.w26.frame), "w26Frame");
        QTEST(Pair(card.w34), "w34");
        QTEST(QString::fromStdString(card.w34.frame), "w34Frame");
        QTEST(QString::fromStdString(HexText(card.reversed)), "reversed");
        QTEST(Pair(card.w26Swapped), "w26Swapped");
        QTEST(Pair(card.w34Swapped), "w34Swapped");
        QFETCH(QString, w26Frame);
        QCOMPARE(card.w26.evenParity, w26Frame.front() == '1');
        QCOMPARE(card.w26.oddParity, w26Frame.back() == '1');
        QCOMPARE(card.w26.whole, value & 0xFFFFFFu);
        QCOMPARE(card.w34.whole, value);
        // The frame as sent passes a controller's parity check; swapped, 13 (or 17) bits flip in each half, so
        // neither check passes.
        QVERIFY(card.w26.parityOk && card.w34.parityOk);
        QVERIFY(!card.w26Swapped.parityOk && !card.w34Swapped.parityOk);
        QCOMPARE(QString::fromStdString(card.w26Swapped.frame).count('1') + w26Frame.count('1'), 26);
    }

    // Under which view a card matches what the installer expects, the commonest reading first.
    void matches_data() {
        QTest::addColumn<std::uint32_t>("card");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QString>("match"); // form, +reversed, +swapped; empty: none
        QTest::newRow("as printed on the card") << std::uint32_t(0x004D7603) << "077:30211"
                                                << "w26";
        QTest::newRow("facility padded to five digits") << std::uint32_t(0x004D7603) << "00077:30211"
                                                        << "w26";
        QTest::newRow("D0 and D1 swapped") << std::uint32_t(0x00B289FC) << "077:30211"
                                           << "w26 swapped";
        QTest::newRow("bytes reversed") << std::uint32_t(0x03764D00) << "077:30211"
                                        << "w26 reversed";
        QTest::newRow("a 34-bit facility") << std::uint32_t(0x12345678) << "4660:22136"
                                           << "w34";
        QTest::newRow("34 bits swapped") << std::uint32_t(0xEDCBA987) << "4660:22136"
                                         << "w34 swapped";
        QTest::newRow("another card") << std::uint32_t(0x12345678) << "077:30211"
                                      << "";
        QTest::newRow("the decimal") << std::uint32_t(0x004D7603) << "5076483"
                                     << "number";
        QTest::newRow("hexadecimal with 0x") << std::uint32_t(0x004D7603) << "0x4d7603"
                                             << "number";
        QTest::newRow("hexadecimal with h") << std::uint32_t(0x004D7603) << "4D7603h"
                                            << "number";
        QTest::newRow("hexadecimal by its letters") << std::uint32_t(0x499602D2) << "499602D2"
                                                    << "number";
        QTest::newRow("the top byte lost in 26 bits") << std::uint32_t(0x014D7603) << "5076483"
                                                      << "w26";
        QTest::newRow("the decimal, bytes reversed") << std::uint32_t(0x03764D00) << "5076483"
                                                     << "number reversed";
        QTest::newRow("the 26-bit number, swapped") << std::uint32_t(0xFFB289FC) << "5076483"
                                                    << "w26 swapped";
        QTest::newRow("the decimal of another") << std::uint32_t(0x004D7603) << "5076484"
                                                << "";
    }
    void matches() {
        QFETCH(std::uint32_t, card);
        QFETCH(QString, expected);
        const std::optional<CardExpectation> expectation = ParseExpectation(expected.toStdString());
        QVERIFY(expectation);
        const std::optional<CardMatch> match = MatchCard(ViewsOf(card), *expectation);
        QString said;
        if (match) {
            static const char* const forms[] = {"number", "w26", "w34"};
            said = QString(forms[int(match->form)]) + (match->reversed ? " reversed" : "") +
                   (match->swapped ? " swapped" : "");
        }
        QTEST(said, "match");
    }

    void refused_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("empty") << "";
        QTest::newRow("facility over 16 bits") << "65536:1";
        QTest::newRow("number over 16 bits") << "1:65536";
        QTest::newRow("no number") << "77:";
        QTest::newRow("over 32 bits") << "4294967296";
        QTest::newRow("nine hexadecimal digits") << "0x123456789";
        QTest::newRow("not a digit") << "12G4";
        QTest::newRow("a sign") << "-5";
    }
    void refused() {
        QFETCH(QString, text);
        QVERIFY(!ParseExpectation(text.toStdString()));
    }
};

QTEST_APPLESS_MAIN(TestCards)
#include "tst_cards.moc"
