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

/// The file's lines; a record's rows written before an ID is sent left out.
QStringList Lines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split(QRegularExpression("\r?\n"), Qt::SkipEmptyParts);
    lines.removeIf([](const QString& line) { return line.contains(",under-way,"); });
    return lines;
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

Q_DECLARE_METATYPE(Setup)

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
            rows << row.section(',', 0, 0) + " " + row.section(',', 7, 7) + " " + row.section(',', -14, -13);
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
        QVERIFY2(rows[1].endsWith(",11,04,001,0,failed,verify-mismatch," + QString(11, ',')), qPrintable(rows[1]));
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

    // A malformed plan, a fault of a cell and one of the whole plan (tst_plan has every kind), and a plan saved
    // in a spreadsheet's own encoding: named by its file and line, and no port is touched.
    void malformed_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("says");
        QTest::newRow("a bad value") << QByteArray("door,keys\r\nA,21\r\n") << "site.csv line 2: column keys";
        QTest::newRow("a duplicate serial") << QByteArray("door,serial\r\nA,00000001\r\nB,00000001\r\n")
                                            << "site.csv line 3: serial 00000001 is on line 2 too";
        QTest::newRow("Windows-1252") << QByteArray("door,id\r\nB\xFCro,5\r\n")
                                      << QString::fromUtf8("site.csv line 2: column door: 'B\uFFFDro' is not UTF-8 "
                                                           "text: in the spreadsheet, use Save As with the type "
                                                           "\"CSV UTF-8 (Comma delimited)\"");
    }
    void malformed() {
        QFETCH(QByteArray, content);
        QTemporaryDir folder;
        const QString plan = folder.filePath("site.csv");
        QFile file(plan);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(content) == content.size());
        file.close();
        for (const char* command : {"apply", "audit", "diff"}) {
            Ctl ctl;
            QCOMPARE(ctl.run(QString("--json %1 %2").arg(command, plan)), 2);
            QVERIFY(ctl.system.opens().empty());
            QCOMPARE(ctl.json().value("ok"), QJsonValue(false));
            QCOMPARE(ctl.json().value("code").toString(), QStringLiteral("usage"));
            QFETCH(QString, says);
            QVERIFY2(ctl.json().value("error").toString().contains(says),
                     qPrintable(ctl.json().value("error").toString()));
        }
    }

    // A file name in another encoding than UTF-8 (a Latin-1 name on an old disk) would reach JSON as it is.
    void argumentNotUtf8() {
        Ctl ctl;
        cli::CtlEnvironment environment{ctl.system, ctl.store, ctl.out, ctl.err, ctl.interrupted, {}};
        QCOMPARE(cli::RunReaderctl({"--json", "scan", "--trace", "/nonexistent/B\xFCro.jsonl"}, environment), 2);
        QVERIFY(ctl.system.opens().empty());
        QCOMPARE(ctl.json().value("code").toString(), QStringLiteral("usage"));
        QCOMPARE(ctl.json().value("error").toString(),
                 QString::fromUtf8("'/nonexistent/B\uFFFDro.jsonl' is not UTF-8 text"));
    }

    // A serial typed in small letters is the reader's all the same.
    void serialInAnyCase() {
        QTemporaryDir folder;
        const QString plan = Write(folder, "site.csv", {"door,serial,id", "Door 1,,11", "Door 2,0a1b2c3d,12"});
        Ctl ctl;
        sim::ReaderModel mixed = Reader("0A1B2C3D"), other = Reader("00000001");
        Arrivals site{ctl, {&mixed, &other}, 1000};
        site.watch();
        QCOMPARE(ctl.run("apply " + plan), 0);
        QCOMPARE(QString::fromStdString(mixed.state.id + "/" + other.state.id), QStringLiteral("12/11"));
    }

    // Refused before any port is opened (exit 2): an audit that could find no reader's row, a door to replace
    // that the plan does not have. The trace asked for is not left behind.
    void refusedAtOnce_data() {
        QTest::addColumn<QStringList>("plan");
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("says");
        QTest::newRow("an audit of a plan without serials")
            << FiveDoors.mid(0, 2) + QStringList{"Door 3,,13,6"} << "audit %1"
            << "no row names a reader's serial: audit the record";
        QTest::newRow("a door to replace not in the plan") << FiveDoors << "apply %1 --replace Cellar"
                                                           << "--replace Cellar: no row of the plan has that door";
    }
    void refusedAtOnce() {
        QFETCH(QStringList, plan);
        QFETCH(QString, command);
        QFETCH(QString, says);
        QTemporaryDir folder;
        Ctl ctl;
        const QString path = Write(folder, "site.csv", plan);
        const QString trace = folder.filePath("t.jsonl");
        QCOMPARE(ctl.run("--json --trace " + trace + " " + command.arg(path)), 2);
        QVERIFY(ctl.system.opens().empty());
        QVERIFY(!QFile::exists(trace));
        QCOMPARE(ctl.json().value("code").toString(), QStringLiteral("usage"));
        QCOMPARE(ctl.json().value("error").toString(), says);
    }

    // --port N: apply and audit talk to that port only, with a reader on another.
    void portOnly_data() {
        QTest::addColumn<QString>("command");
        QTest::newRow("apply") << "apply";
        QTest::newRow("audit") << "audit";
    }
    void portOnly() {
        QFETCH(QString, command);
        QTemporaryDir folder;
        const QString plan = Write(folder, "site.csv", {"door,serial,id", "Door 1,00000002,11"});
        Ctl ctl;
        sim::ReaderModel onTwo = Reader("00000002");
        onTwo.state.id = "11";
        ctl.readerOn(2, &onTwo);
        ctl.reader.state.serial = "00000002"; // the same serial on COM3, never to be touched
        QCOMPARE(ctl.run("--json --port 2 " + command + " " + plan), 0);
        for (const platform::VirtualSystem::FrameRecord& frame : ctl.system.frames())
            QCOMPARE(frame.portNo, 2);
        QVERIFY(ctl.reader.heard().empty());
    }

    // A record whose last row a power cut left half written: the row is set aside, said with its line, and the
    // next row starts on a line of its own; an audit of that record still works.
    void cutShortRow() {
        QTemporaryDir folder;
        const QString plan = Write(folder, "site.csv", {"door,id,keys", "Door 1,11,6", "Door 2,12,6"});
        const QString record = folder.filePath("record.csv");
        sim::ReaderModel one = Reader("00000001"), two = Reader("00000002");
        {
            Ctl ctl;
            Arrivals site{ctl, {&one}, 1000};
            site.watch();
            QCOMPARE(ctl.run("apply " + plan + " --record " + record), 1);
        }
        QFile file(record);
        QVERIFY(file.open(QIODevice::Append));
        file.write("Door 2,2026-12-09T10:00:00+00:00,COM3");
        file.close();
        Ctl ctl;
        Arrivals site{ctl, {&two}, 1000};
        site.watch();
        QCOMPARE(ctl.run("apply " + plan + " --record " + record), 0);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> raw = file.readAll().split('\n');
        const auto cut = raw.indexOf(QByteArray("Door 2,2026-12-09T10:00:00+00:00,COM3\r")) + 1;
        QVERIFY(cut > 1);
        QVERIFY2(ctl.output().contains(
                     QString("record.csv, line %1: a row cut short (not written whole) is set aside").arg(cut)),
                 qPrintable(ctl.output()));
        QCOMPARE(two.state.id, std::string("12"));
        QVERIFY(Lines(record).last().startsWith("Door 2,"));
        QVERIFY(Lines(record).last().contains(",done,"));
        Ctl audit;
        Arrivals again{audit, {&one, &two}, 1000};
        again.watch();
        QCOMPARE(audit.run("audit " + record), 0);
    }

    // Stopped after two readers, then again the next day with the same record: it says what it found, the first
    // reader plugged in again is done already (its own JSON object) and nothing is sent to it, and the doors
    // left are given out from where the first day stopped.
    void goOnTomorrow() {
        QTemporaryDir folder;
        const QString plan = Write(folder, "site.csv", {"door,id,keys", "Door 1,11,6", "Door 2,12,6", "Door 3,13,6"});
        const QString record = folder.filePath("record.csv");
        sim::ReaderModel one = Reader("00000001"), two = Reader("00000002"), three = Reader("00000003");
        {
            Ctl ctl;
            Arrivals site{ctl, {&one, &two}, 1000};
            site.watch();
            QCOMPARE(ctl.run("apply " + plan + " --record " + record), 1);
        }
        const QString report = folder.filePath("site.html");
        Ctl ctl;
        Arrivals site{ctl, {&one, &three}, 1000};
        site.watch();
        QCOMPARE(ctl.run("--json apply " + plan + " --record " + record + " --report " + report), 0);
        // The report is the whole site's, yesterday's doors included.
        QCOMPARE(ReportRows(report).size(), 3);
        const QStringList lines = ctl.output().split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0], "{\"ok\":true,\"record\":\"" + record + "\",\"done\":2,\"ids_held\":0,\"rows_left\":1}");
        QCOMPARE(lines[1],
                 QStringLiteral("{\"ok\":true,\"outcome\":\"done-already\",\"port\":3,\"line\":"
                                "\"19200,e,8,1\",\"serial\":\"00000001\",\"id\":\"11\",\"door\":\"Door 1\"}"));
        QCOMPARE(QJsonDocument::fromJson(lines[2].toUtf8()).object().value("door").toString(),
                 QStringLiteral("Door 3"));
        QCOMPARE(lines[3], QStringLiteral("{\"ok\":true,\"done\":3,\"failed\":0,\"not_done\":[]}"));
        QCOMPARE(three.state.id, std::string("13"));
        // The text says it at the start.
        Ctl again;
        again.interrupted = [] { return true; };
        again.run("apply " + plan + " --record " + record);
        QVERIFY2(again.output().startsWith("record.csv: 3 doors done, 0 IDs held; 0 rows left") ||
                     again.output().contains(": 3 doors done, 0 IDs held; 0 rows left"),
                 qPrintable(again.output()));
    }

    // What apply says of a reader that had some or all of its row's values: those are not sent.
    void unchanged_data() {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("says");
        QTest::addColumn<QString>("object");
        QTest::newRow("all of them") << "11"
                                     << "06"
                                     << "Reader 00000001 (Door 1): unchanged, it has its settings already"
                                     << "\"outcome\":\"unchanged\",\"unchanged\":[\"id\",\"keys\"]";
        QTest::newRow("its ID") << "11"
                                << "04"
                                << "Reader 00000001 (Door 1): done; unchanged: ID"
                                << "\"outcome\":\"done\",\"unchanged\":[\"id\"]";
    }
    void unchanged() {
        QFETCH(QString, id);
        QFETCH(QString, keys);
        QTemporaryDir folder;
        const QString plan = Write(folder, "site.csv", {"door,id,keys", "Door 1,11,6"});
        for (const bool json : {false, true}) {
            Ctl ctl;
            sim::ReaderModel reader = Reader("00000001");
            reader.state.id = id.toStdString();
            reader.state.keyCount = keys.toStdString();
            Arrivals site{ctl, {&reader}, 1000};
            site.watch();
            QCOMPARE(ctl.run(QString(json ? "--json " : "") + "apply " + plan), 0);
            QFETCH(QString, says);
            QFETCH(QString, object);
            QVERIFY2(ctl.output().contains(json ? object : says), qPrintable(ctl.output()));
        }
    }

    // An audit that found a drifted reader ends with a summary that says so: ok false, code drift.
    void auditSummary() {
        QTemporaryDir folder;
        const QString plan = Write(folder, "site.csv", {"door,serial,keys", "A,00000001,6"});
        Ctl ctl;
        sim::ReaderModel drifted = Reader("00000001");
        Arrivals site{ctl, {&drifted}, 1000};
        site.watch();
        QCOMPARE(ctl.run("--json audit " + plan), 1);
        QCOMPARE(ctl.json().value("ok").toBool(), false);
        QCOMPARE(ctl.json().value("code").toString(), QStringLiteral("drift"));
        QCOMPARE(ctl.json().value("error").toString(), QStringLiteral("1 readers are not as the plan has them"));
    }

    // The report is written over nothing or an earlier report, never over another file: a plan named as the report
    // by mistake is refused before any port is opened, and nothing is made; a door and a site named as markup
    // read as written in the report.
    // apply --linetest and --card, as readerctl tells them: the figures and the card per reader in text and in
    // JSON, in the record's columns and on the report's row. A reader in Wiegand output mode is told, not polled.
    void atTheDoor_data() {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("options");
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<QStringList>("says"); ///< in the output, in this order
        QTest::addColumn<QString>("cells");    ///< the record's door columns; * the reply time
        QTest::addColumn<QString>("shows");    ///< on the report's row
        const Setup card = [](Ctl& c) { c.reader.presentCard("004D7603"); };
        QTest::newRow("echoing line") << "wiegand 26 32"
                                      << "--linetest 20" << Setup([](Ctl& c) { c.reader.faults.echo = true; })
                                      << QStringList{"Line test on COM3 at 19200,e,8,1",
                                                     "  sent 20, answered 20, timed out 0, bad checksum 0",
                                                     "  echo: seen on 20 queries", "  verdict: pass",
                                                     "Reader 00000001 (Door 1): done"}
                                      << "20,20,0,0,20,*,pass,,,"
                                      << "line: pass, 20 of 20 answered, 0 time-outs, 0 bad checksums, echo 20";
        QTest::newRow("noisy line, as JSON")
            << "wiegand 26 32"
            << "--json --linetest 20" << Setup([](Ctl& c) { c.reader.faults.noiseBytes = 8; })
            << QStringList{R"("line_test":{"queries":20,"answered":20,"timeouts":0,"bad_checksum":0,"echoes":0,)",
                           R"("verdict":"pass"})"}
            << "20,20,0,0,0,*,pass,,,"
            << "line: pass";
        QTest::newRow("a card on RS485")
            << "rs485 26 32"
            << "--card" << card
            << QStringList{"00000001: present a card to the reader (waiting 30 s)",
                           "  card read: 004D7603 0005076483 W26 077:30211 W34 00077:30211",
                           "Reader 00000001 (Door 1): done"}
            << ",,,,,,,read,004D7603,077:30211"
            << "card read: 077:30211 (004D7603)";
        QTest::newRow("a card on RS485, as JSON")
            << "rs485 26 32"
            << "--json --card" << card
            << QStringList{R"("card":{"state":"read","card":"004D7603","number":5076483,"w26":{"facility":77,"number":30211,)"}
            << ",,,,,,,read,004D7603,077:30211"
            << "card read: 077:30211";
        QTest::newRow("Wiegand output")
            << "wiegand 26 32"
            << "--card" << card
            << QStringList{"  card not asked for: in Wiegand output mode the reader sends its cards to the controller",
                           "Reader 00000001 (Door 1): done"}
            << ",,,,,,,wiegand-mode,,"
            << "card: not read, the reader is in Wiegand output mode";
        QTest::newRow("Wiegand output, as JSON")
            << "wiegand 26 32"
            << "--json --card" << card << QStringList{R"("card":{"state":"wiegand-mode"})"} << ",,,,,,,wiegand-mode,,"
            << "card: not read";
        QTest::newRow("both, failing line")
            << "rs485 26 32"
            << "--linetest 20 --card" << Setup([](Ctl& c) {
                   c.reader.presentCard("004D7603");
                   // The line spoils every reply once the reader is read back: from the line test on.
                   c.system.onFrame = [&c, before = c.system.onFrame](const platform::VirtualSystem::FrameRecord& f) {
                       before(f);
                       c.reader.faults.badChecksum = c.output().contains("Read back on");
                   };
               })
            << QStringList{"  verdict: fail", "  card: the reader stopped answering while one was awaited"}
            << "20,1,0,19,0,*,fail,no-reply,," // the first query's reply was on its way
            << "line: fail, 1 of 20 answered";
    }
    void atTheDoor() {
        QFETCH(QString, mode);
        QFETCH(QString, options);
        QFETCH(Setup, setup);
        QTemporaryDir folder;
        const QString plan = Write(folder, "site.csv", {"door,id,mode", "Door 1,11," + mode});
        const QString record = folder.filePath("record.csv");
        const QString report = folder.filePath("site.html");
        Ctl ctl;
        sim::ReaderModel& reader = ctl.reader;
        reader.state.serial = "00000001";
        Arrivals site{ctl, {&reader}, 1000};
        site.watch();
        setup(ctl);
        const bool json = options.startsWith("--json");
        QCOMPARE(ctl.run((json ? "--json apply " : "apply ") + plan + " " + options.section(' ', json ? 1 : 0) +
                         " --record " + record + " --report " + report),
                 0);
        QFETCH(QStringList, says);
        qsizetype at = 0;
        for (const QString& part : says) {
            const qsizetype found = ctl.output().indexOf(part, at);
            QVERIFY2(found >= 0, qPrintable(part + "\n---\n" + ctl.output()));
            at = found + part.size();
        }
        QCOMPARE(ctl.commands().contains("H00F"), options.contains("--card") && mode.startsWith("rs485"));

        const QString row = Lines(record).last();
        QCOMPARE(row.section(',', -14, -14), QString("done")); // the settings stand, whatever the line did
        QFETCH(QString, cells);
        QCOMPARE(row.section(',', -11, -2), QString(cells).replace("*", row.section(',', -6, -6)));
        QFETCH(QString, shows);
        QFile page(report);
        QVERIFY(page.open(QIODevice::ReadOnly));
        QTextDocument document;
        document.setHtml(QString::fromUtf8(page.readAll()));
        QVERIFY2(document.toPlainText().contains(shows), qPrintable(document.toPlainText()));
    }

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
            const commission::Failure started = commission::StartReport(path.toStdString(), nullptr);
            QVERIFY2(started.ok(), commission::Say(started.why).c_str());
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
