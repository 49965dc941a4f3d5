// A site's plan as a person or a spreadsheet writes it: every fault is found before anything is sent, each named
// by its line and column with the value and what is accepted; a record read back is a plan.

#include "commission/plan.h"
#include "localisation/language.h"

#include <QStringList>
#include <QTest>

using namespace commission;

namespace {

/// A plan's text from lines.
std::string Text(const QStringList& lines) {
    return lines.join("\r\n").toStdString() + "\r\n";
}

/// Excel's "Unicode text": UTF-16 with its mark.
QByteArray Utf16(const QString& text, bool bigEndian) {
    QByteArray bytes = bigEndian ? QByteArray("\xFE\xFF") : QByteArray("\xFF\xFE");
    for (const QChar c : text) {
        const auto high = static_cast<char>(c.unicode() >> 8);
        const auto low = static_cast<char>(c.unicode() & 0xFF);
        bytes += bigEndian ? QByteArray{&high, 1} + low : QByteArray{&low, 1} + high;
    }
    return bytes;
}

/// "door: setting value, ..." for each row.
QStringList Rows(const Plan& plan) {
    QStringList rows;
    for (const PlanRow& row : plan.rows) {
        QStringList values;
        for (const Value& value : row.request.inOrder())
            values << QString("%1 %2").arg(RowOf(value.setting).name, QString::fromStdString(ReaderText(value)));
        rows << QString::fromStdString(row.door + (row.serial ? "/" + *row.serial : "")) + ": " + values.join(", ");
    }
    return rows;
}

} // namespace

class TestPlan : public QObject {
    Q_OBJECT

private slots:
    void accepted_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("every column, an empty cell left alone")
            << QStringList{"door,serial,id,keys,mode,parity,line", "Main entrance,,12,6,wiegand 34 32,,\"38400,e,8,1\"",
                           "Store,A1B2C3D4,13,,,1,"}
            << QStringList{"Main entrance: id 12, keys 06, mode 011, line 38400,e,8,1",
                           "Store/A1B2C3D4: id 13, parity 1"};
        QTest::newRow("quoted, in any order, a byte-order mark")
            << QStringList{"\xEF\xBB\xBFline,door,id", "\"19200,e,8,1\",\"Gate \"\"B\"\"\",7"}
            << QStringList{"Gate \"B\": id 07, line 19200,e,8,1"};
        QTest::newRow("a record: its own columns ignored, rows not done skipped, a serial's last row wins")
            << QStringList{"door,time,port,line,serial,firmware,id,keys,mode,parity,outcome,code",
                           "A,t,COM3,\"19200,e,8,1\",00000001,03.20-01,01,04,001,0,done,",
                           ",t,COM3,\"19200,e,8,1\",00000002,03.20-01,02,04,001,,failed,no-reply",
                           "A,t,COM4,\"38400,e,8,1\",00000001,03.20-01,03,06,001,0,done,"}
            << QStringList{"A/00000001: id 03, keys 06, mode 001, parity 0, line 38400,e,8,1"};
        QTest::newRow("a formula kept as text by the record")
            << QStringList{"door,serial", "'=X,'-1234567"} << QStringList{"=X/-1234567: "};
    }
    void accepted() {
        QFETCH(QStringList, lines);
        const PlanCheck check = ParsePlan(Text(lines), "site");
        QVERIFY2(check.plan, check.errors.empty() ? "" : check.errors.front().c_str());
        QTEST(Rows(*check.plan), "rows");
    }

    void refused_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("error");
        QTest::newRow("a bad value") << QStringList{"door,keys", "A,21"} << "line 2: column keys: keys 21: 0 to 20";
        QTest::newRow("a bad mode") << QStringList{"door,mode", "A,wiegand 32 32"}
                                    << "line 2: column mode: Wiegand length 32: 26, 34 or 42";
        QTest::newRow("an unknown column")
            << QStringList{"door,baud", "A,9600"} << "line 1: unknown column 'baud'; the columns are door, serial, id";
        QTest::newRow("a column twice") << QStringList{"id,door,id", "1,A,2"}
                                        << "line 1: the column 'id' is given twice";
        QTest::newRow("a serial twice") << QStringList{"door,serial", "A,00000001", "B,00000002", "C,00000001"}
                                        << "line 4: serial 00000001 is on line 2 too";
        QTest::newRow("an ID twice") << QStringList{"door,id", "A,5", "B,05"} << "line 3: ID 05 is on line 2 too";
        QTest::newRow("too many fields") << QStringList{"door,id", "A,5,6"}
                                         << "line 2: a row of 3 fields under a header of 2";
        QTest::newRow("a short serial") << QStringList{"door,serial", "A,1234"}
                                        << "line 2: column serial: '1234': 8 characters, or empty";
        QTest::newRow("a stepping ID") << QStringList{"door,id", "A,5+"}
                                       << "line 2: column id: '5+': an ID from 1 to 99; each row gives its own";
        QTest::newRow("a quote left open, its line named")
            << QStringList{"door,id", "A,1", "\"B,2"} << "line 3: a quote is not closed";
        QTest::newRow("no header") << QStringList{} << "the plan is empty";
        QTest::newRow("a serial twice, in two letter cases")
            << QStringList{"door,serial", "A,0a1b2c3d", "B,0A1B2C3D"} << "line 3: serial 0A1B2C3D is on line 2 too";
        QTest::newRow("a line setting written with spaces")
            << QStringList{"door,line", "A,\"38400, e, 8, 1\""}
            << "line 2: column line: write the line setting without spaces: 38400,e,8,1";
        QTest::newRow("a line setting that is none")
            << QStringList{"door,line", "A,\"38400, x\""} << "line 2: column line: line 38400, x: an index 0 to 11";
        QTest::newRow("a mode of two words")
            << QStringList{"door,mode", "A,Wiegand 26"}
            << "line 2: column mode: 'Wiegand 26': three words: wiegand or rs485, the Wiegand length (26, 34 or 42) "
               "and the RS485 length (24, 32 or 40), such as wiegand 26 32";
        QTest::newRow("keys of two words")
            << QStringList{"door,keys", "A,4 6"} << "line 2: column keys: keys 4 6: 0 to 20";
    }
    void refused() {
        QFETCH(QStringList, lines);
        QFETCH(QString, error);
        const PlanCheck check = ParsePlan(lines.isEmpty() ? std::string() : Text(lines), "site");
        QVERIFY(!check.plan);
        QVERIFY(!check.errors.empty());
        QVERIFY2(QString::fromStdString(check.errors.front()).startsWith(error), check.errors.front().c_str());
    }

    // Files as spreadsheets save them: read whatever the encoding's mark, line ends and separator; any other
    // encoding refused at its first cell that shows it, by line and column, with how to save it right.
    void fileKinds_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("read");
        QTest::addColumn<QStringList>("expected"); ///< the rows read, or the refusal's beginning
        const QString plan = QString::fromUtf8("door,id\r\nBüro,5\r\n工地,6\r\n");
        const QStringList rows{QString::fromUtf8("Büro: id 05"), QString::fromUtf8("工地: id 06")};
        QTest::newRow("UTF-8, CRLF") << plan.toUtf8() << true << rows;
        QTest::newRow("UTF-8 with its mark, LF") << "\xEF\xBB\xBF" + plan.toUtf8().replace("\r", "") << true << rows;
        QTest::newRow("lone CRs") << plan.toUtf8().replace("\n", "") << true << rows;
        QTest::newRow("UTF-16, little end first, tabs")
            << Utf16(QString(plan).replace(',', '\t'), false) << true << rows;
        QTest::newRow("UTF-16, big end first") << Utf16(plan, true) << true << rows;
        QTest::newRow("semicolons, a comma in a cell unquoted")
            << QByteArray("door;id;line\r\nA;5;38400,e,8,1\r\n") << true << QStringList{"A: id 05, line 38400,e,8,1"};
        QTest::newRow("titles with spaces and capitals, cells with spaces")
            << QByteArray(" Door , ID ,Serial\r\n Gate ; , 7 , a1b2c3d4\r\n") << true
            << QStringList{"Gate ;/a1b2c3d4: id 07"};
        QTest::newRow("Windows-1252") << QByteArray("door,id\r\nA,4\r\nB\xFCro,5\r\n") << false
                                      << QStringList{QString::fromUtf8(
                                             "line 3: column door: 'B�ro' is not UTF-8 text: in the "
                                             "spreadsheet, use Save As with the type \"CSV UTF-8 (Comma delimited)\"")};
        QTest::newRow("GBK, a fault in another cell before") // the encoding is the one fault said
            << QByteArray("door,keys\r\nA,21\r\n\xB9\xA4\xB5\xD8,4\r\n") << false
            << QStringList{"line 3: column door: '\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD' is not UTF-8"};
        QTest::newRow("Big5, in the header: the column by its number")
            << QByteArray("door,\xA4\x75\r\nA,1\r\n") << false
            << QStringList{"line 1: column 2: '\xEF\xBF\xBDu' is not UTF-8"};
        QTest::newRow("after a cell over two lines")
            << QByteArray("door,keys\r\n\"Gate\r\nB\",4\r\nC\xFC,4\r\n") << false << QStringList{"line 4: column door"};
        QTest::newRow("UTF-16, a lone surrogate")
            << Utf16(QString("door\r\nA") + QChar(0xD800), false) << false << QStringList{"line 2: column door"};
        QTest::newRow("UTF-16 without its mark")
            << Utf16("door,id\r\n", false).mid(2) << false << QStringList{"line 1: column 1"};
        QTest::newRow("rows cleared in the spreadsheet")
            << QByteArray("door;id\r\n;\r\nA;1\r\n ; \r\n") << true << QStringList{"A: id 01"};
        QTest::newRow("a header, no rows")
            << QByteArray("door,id\r\n\r\n,\r\n") << false << QStringList{"the plan has no rows"};
    }
    void fileKinds() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, read);
        QFETCH(QStringList, expected);
        const PlanCheck check = ParsePlan(bytes.toStdString(), "site");
        if (read) {
            QVERIFY2(check.plan, check.errors.empty() ? "" : check.errors.front().c_str());
            QCOMPARE(Rows(*check.plan), expected);
        } else {
            QVERIFY(!check.plan);
            QCOMPARE(int(check.errors.size()), 1);
            QVERIFY2(QString::fromStdString(check.errors.front()).startsWith(expected.front()),
                     check.errors.front().c_str());
        }
    }

    // A plan's faults are told in the user's language, a plan's lines as rows: 行 in Simplified Chinese, 列 in
    // Traditional, where columns are 列 and 欄.
    void inTheUsersLanguage_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("error");
        QTest::newRow("Simplified") << int(localisation::LanguageSimplified)
                                    << QString::fromUtf8("第 2 行，keys 列：keys 21: 0 到 20");
        QTest::newRow("Traditional") << int(localisation::LanguageTraditional)
                                     << QString::fromUtf8("第 2 列，keys 欄：keys 21: 0 到 20");
    }
    void inTheUsersLanguage() {
        QFETCH(int, language);
        localisation::SelectLanguage(language);
        const PlanCheck check = ParsePlan(Text({"door,keys", "A,21"}), "site");
        localisation::SelectLanguage(localisation::LanguageEnglish);
        QCOMPARE(int(check.errors.size()), 1);
        QTEST(QString::fromStdString(check.errors.front()), "error");
    }

    // Every fault of a plan is said at once, not one per try.
    void everyFault() {
        const PlanCheck check = ParsePlan(Text({"door,keys,parity", "A,21,0", "B,4,2", "C,4,1"}), "site");
        QCOMPARE(int(check.errors.size()), 2);
        QVERIFY(check.errors[1].rfind("line 3: column parity: parity 2", 0) == 0);
    }
};

QTEST_APPLESS_MAIN(TestPlan)
#include "tst_plan.moc"
