// The pure protocol: frames, reply fields and poll entries as data rows.

#include "protocol/commands.h"
#include "protocol/protocol.h"

#include <QTest>

#include <string>

using namespace protocol;

namespace {
std::span<const std::uint8_t> Bytes(const std::string& text) {
    return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}
} // namespace

class TestProtocol : public QObject {
    Q_OBJECT

private slots:
    void frames_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QByteArray>("frame");
        QTest::newRow("H00B") << QByteArray("H00B") << QByteArray("\tH00B03\r");
        QTest::newRow("H00EB") << QByteArray("H00EB") << QByteArray("\tH00EB46\r");
        QTest::newRow("empty") << QByteArray() << QByteArray("\t09\r");
        QTest::newRow("255 characters, the most a frame carries")
            << QByteArray(255, 'A') << QByteArray("\t" + QByteArray(255, 'A') + "48\r");
        // 256 would wrap to 0 in the frame's 8-bit length: refused, never sent cut short.
        QTest::newRow("256 characters") << QByteArray(256, 'A') << QByteArray();
    }
    void frames() {
        QFETCH(QByteArray, text);
        QFETCH(QByteArray, frame);
        QCOMPARE(QByteArray::fromStdString(BuildCommandFrame(text.toStdString()).value_or("")), frame);
        if (frame.isEmpty())
            return;
        QCOMPARE(ParseCommandFrame(frame.toStdString()), std::optional<std::string>(text.toStdString()));
        QCOMPARE(CommandChecksum(text.constData(), static_cast<int>(text.size())),
                 static_cast<std::uint8_t>(std::stoi(frame.mid(frame.size() - 3, 2).toStdString(), nullptr, 16)));
    }

    void replyChecksum_data() {
        QTest::addColumn<QByteArray>("frame");
        QTest::addColumn<bool>("right");
        QTest::newRow("shortest") << QByteArray("\n0A\r") << true;
        QTest::newRow("lower-case digit") << QByteArray("\n0a\r") << false;
        QTest::newRow("built") << QByteArray::fromStdString(BuildReplyFrame("H01B20240117")) << true;
        QTest::newRow("three bytes") << QByteArray("0A\r") << false;
        QTest::newRow("zero in body") << QByteArray::fromStdString(BuildReplyFrame(std::string("H\0B", 3))) << true;
    }
    void replyChecksum() {
        QFETCH(QByteArray, frame);
        QFETCH(bool, right);
        QCOMPARE(ReplyChecksumRight(Bytes(frame.toStdString())), right);
    }

    // Fields never reach outside the reply; a digit that names no item is -1.
    void fields_data() {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("digit");
        QTest::newRow("ID") << 3 << 4 << QByteArray("01") << 0;
        QTest::newRow("serial") << 6 << 13 << QByteArray("20240117") << 2;
        QTest::newRow("past the end") << 14 << 20 << QByteArray("9") << -1; // 9 names no item of three
        QTest::newRow("outside") << 15 << 16 << QByteArray() << -1;
        QTest::newRow("position 0") << 0 << 2 << QByteArray() << -1;
        QTest::newRow("letter") << 5 << 5 << QByteArray("B") << -1;
    }
    void fields() {
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(QByteArray, bytes);
        QFETCH(int, digit);
        const std::string reply = "\nH01B20240117"
                                  "9";
        QCOMPARE(QByteArray::fromStdString(ReplyBytes(reply, first, last)), bytes);
        QCOMPARE(ReplyDigit(reply, first, 3), digit);
    }

    // A digit field counts by its own characters: a zero byte right after it ends the reply text there, and the
    // field is still whole and in the body.
    void replyDigits_data() {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<bool>("digits");
        const QByteArray zero(1, '\0');
        QTest::newRow("ID") << QByteArray("H01B20240117") << 3 << 4 << true;
        QTest::newRow("ID, a zero byte right after") << "H01" + zero + "20240117" << 3 << 4 << true;
        QTest::newRow("parity, a zero byte right after") << "H01M0" + zero << 6 << 6 << true;
        QTest::newRow("mode, a zero byte right after") << "H01A001" + zero << 6 << 8 << true;
        QTest::newRow("a zero byte in the field") << "H01A0" + zero + "1" << 6 << 8 << false;
        QTest::newRow("a zero byte before the field") << "H0" + zero + "A001" << 6 << 8 << false;
        QTest::newRow("into the checksum digits") << QByteArray("H01A00") << 6 << 8 << false;
        QTest::newRow("not digits") << QByteArray("H01AX01") << 6 << 8 << false;
    }
    void replyDigits() {
        QFETCH(QByteArray, body);
        QFETCH(int, first);
        QFETCH(int, last);
        QFETCH(bool, digits);
        QCOMPARE(ReplyDigits(BuildReplyFrame(body.toStdString()), Field{first, last}), digits);
    }

    // A reply answers a query only when it carries that query's letter: a late reply to an earlier command is no
    // answer, however well its length or characters would fit. A field cut short is the field's reader's to judge.
    void repliesTo_data() {
        QTest::addColumn<char>("command");
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("answers");
        const QByteArray zero(1, '\0');
        QTest::newRow("version") << 'V' << QByteArray("H01V03.20-01") << true;
        QTest::newRow("the information reply, as long, for the version") << 'V' << QByteArray("H01B20240117") << false;
        QTest::newRow("a version cut short") << 'V' << QByteArray("H01V03.20-0") << true;
        QTest::newRow("key count") << 'L' << QByteArray("H01L04") << true;
        QTest::newRow("the version for the key count") << 'L' << QByteArray("H01V03.20-01") << false;
        QTest::newRow("parity") << 'M' << QByteArray("H01M0") << true;
        QTest::newRow("the key count for the parity") << 'M' << QByteArray("H01L04") << false;
        QTest::newRow("an empty parity") << 'M' << QByteArray("H01M") << true;
        QTest::newRow("too short to name another command") << 'M' << QByteArray("H01") << true;
        QTest::newRow("mode") << 'A' << QByteArray("H01A001") << true;
        QTest::newRow("mode, more after its digits") << 'A' << "H01A001" + zero + "0" << true;
        QTest::newRow("a zero byte for the letter") << 'A' << "H01" + zero + "001" << true;
        QTest::newRow("any other character for the letter") << 'V' << QByteArray("H01-03.20-01") << true;
        QTest::newRow("the set ID's reply for the mode") << 'A' << QByteArray("H01C20240117") << false;
        QTest::newRow("a card for the key count") << 'L' << QByteArray("H01F1C499602D2") << false;
        QTest::newRow("the presence query is judged by its length") << 'B' << QByteArray("H01B20240117") << false;
    }
    void repliesTo() {
        QFETCH(char, command);
        QFETCH(QByteArray, body);
        QFETCH(bool, answers);
        QCOMPARE(RepliesTo(static_cast<Command>(command), BuildReplyFrame(body.toStdString())), answers);
    }

    void polledEntries_data() {
        QTest::addColumn<QByteArray>("received");
        QTest::addColumn<bool>("entry");
        QTest::addColumn<bool>("keypad");
        QTest::addColumn<QByteArray>("characters");
        QTest::addColumn<quint32>("number");
        const auto frame = [](const char* body) { return QByteArray::fromStdString(BuildReplyFrame(body)); };
        QTest::newRow("card") << frame("H01F1C499602D2") << true << false << QByteArray("499602D2") << 1234567890u;
        QTest::newRow("keys") << frame("H01F1K123#") << true << true << QByteArray("123#") << 0u;
        QTest::newRow("keypad without keys") << frame("H01F1K") << false << false << QByteArray() << 0u;
        QTest::newRow("nothing presented") << frame("H01F") << false << false << QByteArray() << 0u;
        // The bound: nine bytes carry nothing, ten are the shortest card reply card reading takes.
        QTest::newRow("nine bytes") << frame("H01F1") << false << false << QByteArray() << 0u;
        QTest::newRow("ten bytes, a card") << frame("H01F1C") << true << false << QByteArray("77\r") << 0x77000000u;
        // Eight characters from position 8 run into the checksum digits and the CR of a short reply.
        QTest::newRow("short card") << frame("H01F1C1a") << true << false << QByteArray("1a27\r") << 0x10270000u;
        // The K test reads the received bytes, the keys the text before the first zero byte.
        QTest::newRow("zero before K") << QByteArray("\nH0\0F1K12345\r", 13) << false << false << QByteArray() << 0u;
    }
    void polledEntries() {
        QFETCH(QByteArray, received);
        QFETCH(bool, entry);
        QFETCH(bool, keypad);
        QFETCH(QByteArray, characters);
        QFETCH(quint32, number);
        const std::string bytes = received.toStdString();
        const std::optional<PolledEntry> got = ReadPolledEntry(Bytes(bytes), bytes.substr(0, bytes.find('\0')));
        QCOMPARE(got.has_value(), entry);
        if (!got)
            return;
        QCOMPARE(got->keypad, keypad);
        QCOMPARE(QByteArray::fromStdString(got->characters), characters);
        QCOMPARE(got->number, number);
    }

    void latin1ToUtf8() {
        QCOMPARE(QString::fromUtf8(Latin1ToUtf8("S/N \xE9\xFF\x80z")), QString::fromLatin1("S/N \xE9\xFF\x80z"));
    }
};

QTEST_APPLESS_MAIN(TestProtocol)
#include "tst_protocol.moc"
