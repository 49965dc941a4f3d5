// A site's plan as a person or a spreadsheet writes it: every fault is found before anything is sent, each named
// by its line and column with the value and what is accepted; a record read back is a plan.

#include "commission/plan.h"

#include <QStringList>
#include <QTest>

using namespace commission;

namespace {

/// A plan's text from lines.
std::string Text(const QStringList& lines) {
    return lines.join("\r\n").toStdString() + "\r\n";
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
        QTest::newRow("a stepping ID") << QStringList{"door,id", "A,5+"} << "line 2: column id: id 5+: N+ goes with";
        QTest::newRow("a quote left open, its line named")
            << QStringList{"door,id", "A,1", "\"B,2"} << "line 3: a quote is not closed";
        QTest::newRow("no header") << QStringList{} << "the plan is empty";
    }
    void refused() {
        QFETCH(QStringList, lines);
        QFETCH(QString, error);
        const PlanCheck check = ParsePlan(lines.isEmpty() ? std::string() : Text(lines), "site");
        QVERIFY(!check.plan);
        QVERIFY(!check.errors.empty());
        QVERIFY2(QString::fromStdString(check.errors.front()).startsWith(error), check.errors.front().c_str());
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
