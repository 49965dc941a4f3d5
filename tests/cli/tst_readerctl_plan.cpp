// A site as one plan, over the reader model in virtual time: apply with readers arriving in another order than
// the plan's, a reader not in the plan, one that keeps a value; audit with a drifted reader; diff sending only
// queries; a malformed plan touching no port; the report rewritten after each reader.

#include "ctl_fixture.h"

#include "commission/report.h"

#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTextTable>

namespace {

QString Write(const QTemporaryDir& folder, const QString& name, const QStringList& lines) {
    QString path = folder.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(lines.join("\r\n").toUtf8() + "\r\n");
    return path;
}

QStringList Lines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll()).split(QRegularExpression("\r?\n"), Qt::SkipEmptyParts);
}

/// The cells of the report's table, row by row, as an HTML reader finds them.
QStringList ReportRows(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QTextDocument document;
    document.setHtml(QString::fromUtf8(file.readAll()));
    QStringList rows;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        QTextTable* table = QTextCursor(block).currentTable();
        if (!table || QTextCursor(block).position() != table->firstPosition())
            continue;
        for (int row = 1; row < table->rows(); ++row) {
            QStringList cells;
            for (int column = 0; column < table->columns(); ++column)
                cells << table->cellAt(row, column).firstCursorPosition().block().text();
            rows << cells.join('|');
        }
    }
    return rows;
}

sim::ReaderModel Reader(const char* serial) {
    sim::ReaderModel reader;
    reader.state.serial = serial;
    return reader;
}

const QStringList FiveDoors{"door,serial,id,keys", "Door 1,,11,6",         "Door 2,00000005,12,6",
                            "Door 3,,13,6",        "Door 4,00000002,14,6", "Door 5,,15,6"};

} // namespace

class TestReaderctlPlan : public QObject {
    Q_OBJECT

private slots:
    // Five doors, readers arriving in another order: each takes the row of its serial, else the next row without
    // one; a reader in no row left is refused and recorded; the run ends by itself once every row is done.
    void applyFiveDoors() {
        QTemporaryDir folder;
        const QString plan = Write(folder, "site.csv", FiveDoors);
        const QString record = folder.filePath("record.csv");
        const QString report = folder.filePath("site.html");
        Ctl ctl;
        sim::ReaderModel one = Reader("00000001"), three = Reader("00000003"), four = Reader("00000004"),
                         stranger = Reader("00000009"), two = Reader("00000002"), five = Reader("00000005");
        Arrivals site{ctl, {&one, &three, &four, &stranger, &two, &five}, 1000};
        QList<int> reportRows;
        site.onRemoved = [&](std::size_t) { reportRows << int(ReportRows(report).size()); };
        site.watch();
        QCOMPARE(ctl.run("apply " + plan + " --record " + record + " --report " + report), 0);

        const auto state = [](const sim::ReaderModel& reader) {
            return QString::fromStdString(reader.state.id + "/" + reader.state.keyCount);
        };
        QCOMPARE(QStringList({state(one), state(three), state(four), state(stranger), state(two), state(five)}),
                 QStringList({"11/06", "13/06", "15/06", "01/04", "14/06", "12/06"}));
        QStringList rows;
        for (const QString& row : Lines(record).mid(1))
            rows << row.section(',', 0, 0) + " " + row.section(',', 7, 7) + " " + row.section(',', -2);
        QCOMPARE(rows,
                 (QStringList{"Door 1 00000001 done,", "Door 3 00000003 done,", "Door 5 00000004 done,",
                              " 00000009 refused,not-in-plan", "Door 4 00000002 done,", "Door 2 00000005 done,"}));
        // Rewritten after each reader: one row more each time. The last reader ends the run; it is not waited for.
        QCOMPARE(reportRows, (QList<int>{1, 2, 3, 4, 5}));
        const QStringList final = ReportRows(report);
        QCOMPARE(final.size(), 6);
        QVERIFY2(final[3].startsWith("|00000009|") && final[3].contains("not-in-plan"), qPrintable(final[3]));
        QVERIFY2(final[5].startsWith("Door 2|00000005|03.20-01|COM3|12|06|"), qPrintable(final[5]));
        QVERIFY(!QFile::exists(report + ".tmp"));
        QVERIFY(ctl.output().contains("Readers done: 5, failed: 1"));
    }

    // A reader that acknowledges a key count and keeps its own: its row is not done, the next reader takes it;
    // Ctrl-C ends the run with the rows not done named, and the record holds every reader talked to.
    void applyCutShort() {
        QTemporaryDir folder;
        const QString plan = Write(folder, "site.csv", {"door,id,keys", "Door 1,11,6", "Door 2,12,6"});
        const QString record = folder.filePath("record.csv");
        Ctl ctl;
        sim::ReaderModel stubborn = Reader("00000001"), good = Reader("00000002");
        stubborn.faults.ignoredSets = "L";
        Arrivals site{ctl, {&stubborn, &good}, 1000};
        site.watch();
        QCOMPARE(ctl.run("--json apply " + plan + " --record " + record), 1);
        QCOMPARE(good.state.id, std::string("12")); // Door 1 stays with the stubborn reader, whose ID it took
        const QJsonObject summary = ctl.json();
        QCOMPARE(summary.value("code").toString(), QStringLiteral("interrupted"));
        QCOMPARE(summary.value("not_done").toArray().first().toString(), QStringLiteral("door Door 1 (00000001)"));
        const QStringList rows = Lines(record);
        QCOMPARE(rows.size(), 3);
        QVERIFY2(rows[1].endsWith(",11,04,001,0,failed,verify-mismatch"), qPrintable(rows[1]));
    }

    // A year later: the record read back as the plan; a reader whose key count was changed since has drifted.
    void auditDrift() {
        QTemporaryDir folder;
        const QString plan = Write(folder, "record.csv",
                                   {"door,time,port,line,serial,firmware,id,keys,mode,parity,outcome,code",
                                    "A,t,COM3,\"19200,e,8,1\",00000001,03.20-01,11,06,001,0,done,",
                                    "B,t,COM3,\"19200,e,8,1\",00000002,03.20-01,12,06,001,0,done,"});
        Ctl ctl;
        sim::ReaderModel same = Reader("00000001"), drifted = Reader("00000002");
        same.state.id = "11";
        same.state.keyCount = "06";
        drifted.state.id = "12";
        drifted.state.keyCount = "08";
        Arrivals site{ctl, {&same, &drifted}, 1000};
        site.watch();
        QCOMPARE(ctl.run("audit " + plan), 1);
        QVERIFY2(ctl.output().contains("Reader 00000001 (A): done"), qPrintable(ctl.output()));
        QVERIFY2(ctl.output().contains("Reader 00000002 (B): failed: drift: keys 08, not 06"),
                 qPrintable(ctl.output()));
        // Read only.
        for (const std::string& command : ctl.system.commands())
            QVERIFY2(command.size() == 4, command.c_str());
    }

    // diff: the reader connected now against its row, by queries alone.
    void diff() {
        QTemporaryDir folder;
        const QString plan = Write(folder, "site.csv", FiveDoors);
        Ctl ctl;
        ctl.reader.state.serial = "00000005";
        QCOMPARE(ctl.run("--json diff " + plan), 0);
        QCOMPARE(ctl.commands(), QStringLiteral("H00B H00V H00L H00M H00A"));
        QCOMPARE(ctl.output().trimmed(),
                 QStringLiteral("{\"ok\":true,\"door\":\"Door 2\",\"serial\":\"00000005\",\"port\":3,\"line\":"
                                "\"19200,e,8,1\",\"changes\":[{\"setting\":\"id\",\"now\":\"01\",\"planned\":\"12\"},"
                                "{\"setting\":\"keys\",\"now\":\"04\",\"planned\":\"06\"}]}"));
    }

    // A malformed plan, a fault of a cell and one of the whole plan (tst_plan has every kind): named by its file
    // and line, and no port is touched.
    void malformed_data() {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("says");
        QTest::newRow("a bad value") << QStringList{"door,keys", "A,21"} << "site.csv line 2: column keys";
        QTest::newRow("a duplicate serial") << QStringList{"door,serial", "A,00000001", "B,00000001"}
                                            << "site.csv line 3: serial 00000001 is on line 2 too";
    }
    void malformed() {
        QFETCH(QStringList, lines);
        QTemporaryDir folder;
        const QString plan = Write(folder, "site.csv", lines);
        for (const char* command : {"apply", "audit", "diff"}) {
            Ctl ctl;
            QCOMPARE(ctl.run(QString("--json %1 %2").arg(command, plan)), 2);
            QVERIFY(ctl.system.opens().empty());
            QFETCH(QString, says);
            QVERIFY2(ctl.json().value("error").toString().contains(says),
                     qPrintable(ctl.json().value("error").toString()));
        }
    }

    // The report is written over nothing or an earlier report, never over another file: a plan named as the report
    // by mistake is refused before any port is opened, and nothing is made; a door and a site named as markup
    // read as written in the report.
    void reportFile_data() {
        QTest::addColumn<QString>("report"); // "plan": the plan's own path
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("says");
        QTest::newRow("the plan") << "plan" << 2 << "is not a report: choose another name";
        QTest::newRow("an earlier report") << "earlier.html" << 0 << "";
        QTest::newRow("a new one") << "new.html" << 0 << "";
    }
    void reportFile() {
        QFETCH(QString, report);
        QFETCH(int, status);
        QTemporaryDir folder;
        const QString door = QStringLiteral("<b>&\"'");
        const QString plan = Write(folder, door + ".csv", {"door,id", "\"<b>&\"\"'\",11"});
        const QByteArray planText = Lines(plan).join("\n").toUtf8();
        const QString path = report == "plan" ? plan : folder.filePath(report);
        const QString record = folder.filePath("record.csv");
        if (report == "earlier.html") {
            std::string error;
            QVERIFY2(commission::StartReport(path.toStdString(), nullptr, error), error.c_str());
        }
        Ctl ctl;
        sim::ReaderModel reader = Reader("00000001");
        Arrivals site{ctl, {&reader}, 1000};
        site.watch();
        QCOMPARE(ctl.run("apply " + plan + " --record " + record + " --report " + path), status);
        if (status != 0) {
            QVERIFY2(ctl.errors().contains(plan + " is not a report: choose another name"), qPrintable(ctl.errors()));
            QCOMPARE(ctl.system.openCount(), 0);
            QCOMPARE(Lines(plan).join("\n").toUtf8(), planText);
            QVERIFY(!QFile::exists(record));
            return;
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QTextDocument document;
        document.setHtml(QString::fromUtf8(file.readAll()));
        QCOMPARE(document.metaInformation(QTextDocument::DocumentTitle), door + " - as built");
        QVERIFY(document.toPlainText().startsWith(door + "\n"));
        const QStringList rows = ReportRows(path);
        QCOMPARE(rows.size(), 1);
        QVERIFY2(rows[0].startsWith(door + "|00000001|"), qPrintable(rows[0]));
    }
};

QTEST_MAIN(TestReaderctlPlan)
#include "tst_readerctl_plan.moc"
