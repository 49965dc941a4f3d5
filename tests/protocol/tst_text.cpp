// Text from outside checked as UTF-8: every malformed form refused at its first byte, with its line and column;
// a file's encoding mark read.

#include "protocol/text.h"

#include <QTest>

using namespace protocol;

class TestText : public QObject {
    Q_OBJECT

private slots:
    void notUtf8_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("offset"); ///< -1: all of it is text
        QTest::addColumn<int>("line");
        QTest::addColumn<int>("column");
        QTest::newRow("ASCII") << QByteArray("door,id") << -1 << 0 << 0;
        QTest::newRow("two, three and four bytes")
            << QByteArray("\xC3\xBC \xE5\xB7\xA5 \xF0\x9F\x94\x91") << -1 << 0 << 0;
        QTest::newRow("the highest code point") << QByteArray("\xF4\x8F\xBF\xBF") << -1 << 0 << 0;
        QTest::newRow("Windows-1252 after a CRLF") << QByteArray("door\r\nB\xFCro") << 7 << 2 << 2;
        QTest::newRow("after a lone CR and a Chinese character") << QByteArray("a\r\xE5\xB7\xA5\xFC") << 5 << 2 << 2;
        QTest::newRow("a stray continuation byte") << QByteArray("ab\x80") << 2 << 1 << 3;
        QTest::newRow("an overlong two bytes") << QByteArray("\xC0\xAF") << 0 << 1 << 1;
        QTest::newRow("an overlong three bytes") << QByteArray("\xE0\x80\xAF") << 0 << 1 << 1;
        QTest::newRow("an overlong four bytes") << QByteArray("\xF0\x8F\xBF\xBF") << 0 << 1 << 1;
        QTest::newRow("a surrogate") << QByteArray("\xED\xA0\x80") << 0 << 1 << 1;
        QTest::newRow("past U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << 0 << 1 << 1;
        QTest::newRow("cut short at the end") << QByteArray("x\xE5\xB7") << 1 << 1 << 2;
        QTest::newRow("cut short by ASCII") << QByteArray("\xE5\xB7x") << 0 << 1 << 1;
        QTest::newRow("a NUL") << QByteArray("d\0o", 3) << 1 << 1 << 2;
    }
    void notUtf8() {
        QFETCH(QByteArray, text);
        QFETCH(int, offset);
        const std::optional<TextPlace> place = FindNotUtf8(text.toStdString());
        QCOMPARE(place.has_value(), offset >= 0);
        if (!place)
            return;
        QCOMPARE(int(place->offset), offset);
        QTEST(place->line, "line");
        QTEST(place->column, "column");
    }

    void fromFile_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("UTF-8 with its mark") << QByteArray("\xEF\xBB\xBFid") << QByteArray("id");
        QTest::newRow("UTF-16, little end first, a pair") << QByteArray("\xFF\xFE"
                                                                        "a\0\x3D\xD8\x11\xDD",
                                                                        8)
                                                          << QByteArray("a\xF0\x9F\x94\x91");
        QTest::newRow("UTF-16, big end first") << QByteArray("\xFE\xFF\0a\x5D\xE5", 6) << QByteArray("a\xE5\xB7\xA5");
        QTest::newRow("UTF-16, half a unit at the end") << QByteArray("\xFF\xFE"
                                                                      "a\0b",
                                                                      5)
                                                        << QByteArray("a\xFF");
        QTest::newRow("no mark: as it is") << QByteArray("B\xFCro") << QByteArray("B\xFCro");
    }
    void fromFile() {
        QFETCH(QByteArray, bytes);
        QTEST(QByteArray::fromStdString(TextFromFile(bytes.toStdString())), "text");
    }

    void shown() {
        QCOMPARE(QByteArray::fromStdString(ShownAsUtf8("B\xFCro \xE5\xB7\xA5")),
                 QByteArray("B\xEF\xBF\xBDro \xE5\xB7\xA5"));
    }
};

QTEST_APPLESS_MAIN(TestText)
#include "tst_text.moc"
