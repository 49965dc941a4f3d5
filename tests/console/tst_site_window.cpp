// The site window in virtual time over the reader model: readers arriving one after another, what the table, the
// status, the counts, the lamp and the tones show at each step, Stop between two exchanges, the audit, the files
// refused before Start, the keyboard and the three languages.

#include "site_fixture.h"

#include "console/fonts.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>
#include <QStyleOptionViewItem>
#include <QTimer>

#include <algorithm>
#include <functional>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#endif

namespace {

using Scene = std::function<void(SiteFixture&)>;

const QByteArray ThreeDoors = "door,serial,id,keys\r\nFront,,11,6\r\nBack,,12,6\r\nStore,20240303,13,\r\n";
const QByteArray TwoDoors = "door,serial,id,keys,mode\r\nFront,,11,6,wiegand 34 32\r\nBack,,12,6,wiegand 34 32\r\n";

/// A plan of `rows` doors, each with a key count out of range: one fault a row.
QByteArray FaultyPlan(int rows) {
    QByteArray plan = "door,id,keys\n";
    for (int row = 0; row < rows; ++row)
        plan += "D" + QByteArray::number(row) + "," + QByteArray::number(11 + row) + ",21\n";
    return plan;
}

/// The question box that the next turn of the event loop shows, answered with the button captioned `answer`
/// (empty: Esc); what it asked, and its buttons' captions, go to `asked`.
void Answer(const QString& answer, QStringList& asked) {
    QTimer::singleShot(0, [answer, &asked] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        asked << box->text();
        for (QAbstractButton* button : box->buttons())
            asked << button->text();
        asked << QStringLiteral("default ") + (box->defaultButton() ? box->defaultButton()->text() : QString());
        if (answer.isEmpty()) {
            QTest::keyClick(box, Qt::Key_Escape);
            return;
        }
        for (QAbstractButton* button : box->buttons()) {
            if (button->text() == answer)
                button->click();
        }
    });
}

/// The name of the control with the keyboard focus; empty for none.
QString Focus() {
    const QWidget* focus = QApplication::focusWidget();
    return focus ? focus->objectName() : QString();
}

/// The record's rows but those written before an ID is sent (the library's tests have them), each up to its note.
QStringList RecordRows(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList rows = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    rows.removeIf([](const QString& row) { return row.contains(",under-way,"); });
    // Up to the note: the door's checks and the version's column end every row.
    for (QString& row : rows)
        row = row.section(QLatin1Char(','), 0, -12);
    return rows;
}

} // namespace

Q_DECLARE_METATYPE(Scene)

class TestSiteWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { console::InstallFontSubstitutions(); }
    void cleanup() { localisation::SelectLanguage(localisation::LanguageEnglish); }

    // Whole runs: the readers, the clicks, and what the window must have shown, in its order.
    void sites_data() {
        QTest::addColumn<Scene>("scene");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<Scene>("check");

        QTest::newRow("three doors; the second reader fails, a fourth takes its door") << Scene([](SiteFixture& f) {
            f.reader("20240101");
            f.reader("20240202").faults.muted['C'] = -1; // its ID is never acknowledged
            f.reader("20240303");
            f.reader("20240404");
            f.open(f.file("site.csv", ThreeDoors));
            f.click("btnStart");
        }) << R"(
            status Plan site: 3 rows; Start when ready
            row Front: not done, not yet done | 11 06
            counts Done: 0 Failed: 0 Left: 3
            status Waiting for a reader on any port
            cursor busy
            plugged 20240101
            status Reader 20240101 on COM3 at 19200,e,8,1: door Front / Set Reader ID = 11
            row Front: under way, under way | 11 06
            status Reader 20240101 on COM3 at 19200,e,8,1: door Front / Set Reader Key
            status Reader 20240101 (Front): done / Read back on COM3 at 19200,e,8,1: ID 11, keys 06, as set
            row Front: done, done | 11 06 Wiegand 26 (RS485 32) No Parity 4 bits 19200,e,8,1
            counts Done: 1 Failed: 0 Left: 2
            beep 1000, lamp yellow
            status Reader 20240101 (Front): done. Remove the reader; then the next one, please / Read back on COM3
            unplugged
            plugged 20240202
            status Reader 20240202 on COM3 at 19200,e,8,1: door Back / Set Reader ID = 12
            row Back: under way, under way | 12 06
            status Reader 20240202 (Back): failed: Set Reader ID Error: no reply from COM3 at 19200,e,8,1
            row Back: failed, failed: Set Reader ID Error: no reply from COM3 at 19200,e,8,1 | 01
            counts Done: 1 Failed: 1 Left: 2
            beep 300, lamp red
            status Reader 20240202 (Back): failed: Set Reader ID Error: no reply from COM3 at 19200,e,8,1. Remove the reader
            unplugged
            plugged 20240303
            status Reader 20240303 on COM3 at 19200,e,8,1: door Store / Set Reader ID = 13
            row Store: under way, under way | 13
            row Store: done, done | 13 04
            counts Done: 2 Failed: 1 Left: 1
            beep 1000, lamp yellow
            unplugged
            plugged 20240404
            status Reader 20240404 on COM3 at 19200,e,8,1: door Back / Set Reader ID = 12
            row Back: under way, under way | 12 06
            row Back: done, done | 12 06
            counts Done: 3 Failed: 0 Left: 0
            beep 1000, lamp yellow
            status The plan is done: 3 done, 0 failed
            cursor normal
        )" << Scene([](SiteFixture& f) {
            QCOMPARE(f.readers[3]->state.id, std::string("12"));
            QCOMPARE(f.readers[1]->state.id, std::string("01"));
            QVERIFY(!f.window->running());
            QCOMPARE(f.lamp(), QStringLiteral("yellow"));
            const QStringList rows = RecordRows(f.record());
            QCOMPARE(rows.size(), 5);
            QVERIFY2(rows[1].startsWith("Front,") && rows[1].endsWith(",20240101,03.20-01,11,06,001,0,done,,"),
                     qPrintable(rows[1]));
            QVERIFY2(rows[2].startsWith("Back,") && rows[2].endsWith(",failed,no-reply,"), qPrintable(rows[2]));
            QVERIFY2(rows[4].startsWith("Back,") && rows[4].endsWith(",20240404,03.20-01,12,06,001,0,done,,"),
                     qPrintable(rows[4]));
        });

        // The click lands while the reader's key count is being sent: that command is finished, nothing after it
        // is sent, and the next Start goes on with the same run.
        QTest::newRow("Stop in the middle of a reader, then Start again") << Scene([](SiteFixture& f) {
            f.reader("20240101");
            f.reader("20240202");
            f.onCommand = [&f](const std::string& command) {
                if (command == "H00C2024020212")
                    f.onCommand = [&f](const std::string& next) {
                        if (next == "H00L06") {
                            f.log << QStringLiteral("Stop");
                            f.postStop();
                            f.onCommand = {};
                        }
                    };
            };
            f.open(f.file("site.csv", TwoDoors));
            f.click("btnStart");
            f.log << QStringLiteral("last sent ") + QString::fromStdString(f.system.commands().back());
            f.unplugAtMs = 0; // the reader stays for the second Start
            f.click("btnStart");
        }) << R"(
            row Front: done
            plugged 20240202
            status Reader 20240202 on COM3 at 19200,e,8,1: door Back / Set Reader Key
            Stop
            status Stopping: the command under way ends first
            status Reader 20240202 (Back): failed: interrupted: the settings after the one under way were not sent
            row Back: failed, failed: interrupted: the settings after the one under way were not sent | 12
            counts Done: 1 Failed: 1 Left: 1
            beep 300, lamp red
            status Stopped: 1 done, 1 failed
            cursor normal
            last sent H00L06
            cursor busy
            row Back: under way, under way | 12 06 Wiegand 34 (RS485 32)
            row Back: done, done | 12 06 Wiegand 34 (RS485 32)
            counts Done: 2 Failed: 0 Left: 0
            status The plan is done: 2 done, 0 failed
        )" << Scene([](SiteFixture& f) {
            QCOMPARE(f.readers[1]->state.keyCount, std::string("06"));
            QCOMPARE(RecordRows(f.record()).size(), 4);
            QVERIFY2(RecordRows(f.record())[2].endsWith(",20240202,03.20-01,12,,,,failed,interrupted,"),
                     qPrintable(RecordRows(f.record())[2]));
        });

        QTest::newRow("audit: a drifted reader") << Scene([](SiteFixture& f) {
            f.reader("20240101").state.id = "11";
            f.readers.back()->state.keyCount = "06";
            f.reader("20240202").state.id = "12";
            f.open(f.file("site.csv", "door,serial,id,keys\nFront,20240101,11,6\nBack,20240202,12,6\n"));
            f.find<QRadioButton>("rbAudit")->click();
            f.click("btnStart");
        }) << R"(
            counts Done: 0 Failed: 0 Left: 2
            plugged 20240101
            status Reader 20240101 (Front): as planned
            row Front: done, as planned | 11 06
            beep 1000, lamp yellow
            plugged 20240202
            status Reader 20240202 (Back): failed: drift: keys 04, not 06
            row Back: drift, drift: keys 04, not 06 | 12 04
            counts Done: 1 Failed: 1 Left: 0
            beep 300, lamp red
            status The plan is done: 1 done, 1 failed
        )" << Scene([](SiteFixture& f) {
            // Read only: the reader's own queries, nothing set.
            for (const std::string& command : f.system.commands())
                QVERIFY2(command.size() == 4, command.c_str());
            const QTableWidgetItem* keys = f.table()->item(1, TfrmSite::ColumnOf(commission::Setting::Keys));
            QCOMPARE(keys->foreground().color(), QColor(255, 0, 0));
            QCOMPARE(keys->toolTip(), QStringLiteral("06"));
            QCOMPARE(f.table()->item(1, TfrmSite::ColumnOf(commission::Setting::Id))->foreground().color(),
                     f.table()->palette().color(QPalette::Text));
        });

        QTest::newRow("no plan: the ID counting up, the same key count") << Scene([](SiteFixture& f) {
            f.reader("20240101");
            f.reader("20240202");
            f.stopAfterLastMs = 3000;
            f.open();
            f.find<QCheckBox>("chkId")->setChecked(true);
            f.find<QSpinBox>("seIdFrom")->setValue(11);
            f.find<QCheckBox>("chkKeys")->setChecked(true);
            f.find<QSpinBox>("seKeys")->setValue(6);
            f.click("btnStart");
        }) << R"(
            status Choose a plan or the settings for every reader, then Start
            status Waiting for a reader on any port
            counts Done: 0 Failed: 0 Left: 89
            plugged 20240101
            status Reader 20240101 found on COM3 at 19200,e,8,1 / Set Reader ID = 11
            row 20240101: under way, under way | 11 06
            row 20240101: done, done | 11 06
            counts Done: 1 Failed: 0 Left: 88
            plugged 20240202
            row 20240202: under way, under way | 12 06
            row 20240202: done, done | 12 06
            counts Done: 2 Failed: 0 Left: 87
            Stop
            status Stopped: 2 done, 0 failed
        )" << Scene([](SiteFixture& f) {
            QCOMPARE(f.table()->rowCount(), 2);
            QCOMPARE(f.readers[1]->state.id, std::string("12"));
            QCOMPARE(RecordRows(f.record()).size(), 3);
        });

        // The window's switch between two exchanges (its language buttons wait for the run's end).
        QTest::newRow("the language switched under a step: the step said again") << Scene([](SiteFixture& f) {
            f.reader("20240101");
            f.stopAfterLastMs = 3000;
            f.open(f.file("site.csv", "door,id,keys\r\nFront,11,6\r\n"));
            f.onCommand = [&f, switched = false](const std::string&) mutable {
                if (!switched && f.status().endsWith(QStringLiteral("Set Reader ID = 11"))) {
                    switched = true;
                    localisation::SelectLanguage(localisation::LanguageTraditional);
                    f.window->FormShow();
                }
            };
            f.click("btnStart");
        }) << R"(
            status Reader 20240101 on COM3 at 19200,e,8,1: door Front / Set Reader ID = 11
            status 讀卡機 20240101 在 COM3，19200,e,8,1：門 Front / 設定讀卡機編號 = 11
        )" << Scene([](SiteFixture&) {});
    }
    void sites() {
        QFETCH(Scene, scene);
        QFETCH(QString, shown);
        QFETCH(Scene, check);
        SiteFixture f;
        scene(f);
        const QString missing = MissingFrom(f.log, Lines(shown.toUtf8().constData()));
        QVERIFY2(missing.isEmpty(), qPrintable(missing));
        check(f);
        QCOMPARE(f.system.openCount(), 0);
        QVERIFY(!QApplication::overrideCursor());
    }

    // A plan that cannot be used says where it is wrong, and nothing starts: not by Start, not by Enter.
    void planRefused_data() {
        QTest::addColumn<QByteArray>("plan");
        QTest::addColumn<QString>("shown");
        QTest::newRow("a value out of range")
            << QByteArray("door,id,keys\nA,11,6\nB,12,21\n") << "line 3: column keys: keys 21: 0 to 20";
        QTest::newRow("an open quote") << QByteArray("door,id\n\"A,11\n") << "line 2";
    }
    void planRefused() {
        QFETCH(QByteArray, plan);
        QFETCH(QString, shown);
        SiteFixture f;
        f.reader("20240101");
        f.open(f.file("site.csv", plan));
        QVERIFY2(f.status().startsWith("The plan cannot be used: " + shown), qPrintable(f.status()));
        QVERIFY(!f.find<QPushButton>("btnStart")->isEnabled());
        f.find<QLineEdit>("edPlan")->setFocus();
        QTest::keyClick(f.window.get(), Qt::Key_Return);
        f.click("btnStart");
        QVERIFY(f.system.opens().empty());
        QCOMPARE(f.table()->rowCount(), 0);
    }

    // The status lists the plan's first faults and counts the rest.
    void faultsCounted_data() {
        QTest::addColumn<int>("faults");
        QTest::addColumn<int>("lines");
        QTest::addColumn<QString>("last");
        QTest::newRow("all listed") << 2 << 2 << "line 3: column keys: keys 21: 0 to 20";
        QTest::newRow("one more") << 6 << 6 << "and 1 more";
        QTest::newRow("ten more") << 15 << 6 << "and 10 more";
    }
    void faultsCounted() {
        QFETCH(int, faults);
        SiteFixture f;
        f.open(f.file("site.csv", FaultyPlan(faults)));
        const QStringList lines = f.status().split(QLatin1Char('\n'));
        QCOMPARE(lines.first(), QStringLiteral("The plan cannot be used: line 2: column keys: keys 21: 0 to 20"));
        QTEST(int(lines.size()), "lines");
        QTEST(lines.last(), "last");
    }

    // A long door name wraps in its column and leaves the outcome its room: the reason reads whole in the table,
    // not only in a tooltip.
    void longDoorName_data() {
        QTest::addColumn<QString>("door");
        QTest::newRow("Latin") << "Main entrance of the north wing, ground floor, beside the lifts and the stairs";
        QTest::newRow("Han") << QString::fromUtf8("北翼一楼主入口，电梯与楼梯旁边的双开玻璃门，靠近访客登记柜台");
    }
    void longDoorName() {
        QFETCH(QString, door);
        SiteFixture f;
        f.reader("20240101").faults.muted['C'] = -1;
        f.stopAfterLastMs = 1000;
        f.open(f.file("site.csv", "door,serial,id,keys,mode,parity\n\"" + door.toUtf8() +
                                      "\",,11,6,wiegand 34 32,1\nBack,,12,6,,\n"));
        f.click("btnStart");
        QTableWidget* table = f.table();
        QVERIFY2(f.row(0).contains(QStringLiteral("failed: Set Reader ID Error: no reply")), qPrintable(f.row(0)));
        QApplication::processEvents(); // the rows' heights follow their cells a turn later
        for (const int column : {int(TfrmSite::ColOutcome), int(TfrmSite::ColDoor)}) {
            const QTableWidgetItem* item = table->item(0, column);
            const QRect cell = table->visualItemRect(item);
            // Inside the table's view, and as large as the text needs, laid out as the view lays it out.
            QVERIFY2(cell.left() >= 0 && cell.right() < table->viewport()->width(), qPrintable(item->text()));
            QStyleOptionViewItem option;
            option.initFrom(table);
            option.widget = table;
            option.font = table->font();
            option.rect = cell;
            if (table->wordWrap())
                option.features |= QStyleOptionViewItem::WrapText;
            const QSize needed = table->itemDelegate()->sizeHint(option, table->model()->index(0, column));
            QVERIFY2(needed.width() <= cell.width() && needed.height() <= cell.height(), qPrintable(item->text()));
        }
    }

    // Nothing is sent before the record and the report are known to take their rows, and a report is never
    // written over another file; a run without anything to set does not begin. Each refusal is the failure
    // signal, and leaves no file behind.
    void refusedBeforeStart_data() {
        QTest::addColumn<QString>("record"); // relative to the test's folder
        QTest::addColumn<QString>("report");
        QTest::addColumn<QByteArray>("audit"); // a plan to audit; none: the key count for every reader
        QTest::addColumn<QString>("shown");
        QTest::newRow("a record in a folder that does not exist")
            << "none/record.csv" << QString() << QByteArray() << "Not started: the record ";
        QTest::newRow("a record that is a folder") << "." << QString() << QByteArray() << "Not started: the record ";
        QTest::newRow("a report in a folder that does not exist")
            << "record.csv"
            << "none/site.html" << QByteArray() << "Not started: the report ";
        QTest::newRow("a report naming the plan") << "record.csv"
                                                  << "site.csv" << QByteArray("door,serial,id\r\nFront,20240101,11\r\n")
                                                  << "/site.csv is not a report: choose another name";
        QTest::newRow("nothing to set") << "record.csv" << QString() << QByteArray("-")
                                        << "Choose at least one setting, or a plan";
        QTest::newRow("an audit of a plan without serials")
            << "record.csv" << QString() << TwoDoors << "no row names a reader's serial: audit the record";
    }
    void refusedBeforeStart() {
        QFETCH(QString, record);
        QFETCH(QString, report);
        QFETCH(QByteArray, audit);
        QFETCH(QString, shown);
        SiteFixture f;
        f.reader("20240101");
        const bool plan = audit.size() > 1;
        f.open({plan ? f.file("site.csv", audit).toStdString() : std::string(), f.folder.filePath(record).toStdString(),
                report.isEmpty() ? std::string() : f.folder.filePath(report).toStdString()});
        f.find<QCheckBox>("chkKeys")->setChecked(audit.isEmpty());
        f.find<QRadioButton>("rbAudit")->setChecked(plan);
        f.click("btnStart");
        // A path is shown in the system's own form: the plan's name after a backslash on Windows.
        QVERIFY2(f.status().startsWith(shown) ||
                     (shown.startsWith('/') && f.status().endsWith(QDir::toNativeSeparators(shown))),
                 qPrintable(f.status()));
        QVERIFY(f.system.opens().empty());
        // Not even the record's header is left behind by a refusal.
        if (record == "record.csv")
            QVERIFY(!QFile::exists(f.folder.filePath(record)));
        QCOMPARE(f.lamp(), QStringLiteral("red"));
        QCOMPARE(f.system.beeps().size(), std::size_t(1));
        QCOMPARE(f.system.beeps()[0].frequencyHz, 300u);
        QVERIFY(!f.window->running());
        QVERIFY(f.find<QPushButton>("btnStart")->isEnabled());
    }

    // A reader that has its row's values already: nothing is sent to it, and its row says so.
    void unchangedReader() {
        SiteFixture f;
        sim::ReaderModel& reader = f.reader("20240101");
        reader.state.id = "11";
        reader.state.keyCount = "06";
        f.stopAfterLastMs = 3000;
        f.open(f.file("site.csv", ThreeDoors));
        f.click("btnStart");
        const QString missing = MissingFrom(f.log, Lines("row Front: done, unchanged | 11 06"));
        QVERIFY2(missing.isEmpty(), qPrintable(missing));
        for (const std::string& command : f.system.commands())
            QVERIFY2(command.size() == 4, command.c_str());
    }

    // A reader that failed after taking its door's ID holds the door: the window asks whether the next reader is
    // its replacement, and gives it that door or the next one.
    void replacement_data() {
        QTest::addColumn<bool>("replacement");
        QTest::addColumn<QString>("door");
        QTest::addColumn<QString>("note");
        QTest::newRow("its replacement") << true << "Front"
                                         << ",replaces 20240101";
        QTest::newRow("the next door") << false << "Back"
                                       << ",";
    }
    void replacement() {
        QFETCH(bool, replacement);
        QFETCH(QString, door);
        QFETCH(QString, note);
        SiteFixture f;
        f.reader("20240101").faults.ignoredSets = "L"; // takes its ID, keeps its key count
        f.reader("20240202");
        f.stopAfterLastMs = 3000;
        f.open(f.file("site.csv", TwoDoors));
        QStringList asked;
        f.window->askReplacement = [&](const QString& question) {
            asked << question;
            return replacement;
        };
        f.click("btnStart");
        QCOMPARE(asked, QStringList{"Front's reader failed: is this its replacement, or the next door?"});
        QCOMPARE(QString::fromStdString(f.readers[1]->state.id), replacement ? QString("11") : QString("12"));
        const QString last = RecordRows(f.record()).last();
        QVERIFY2(last.startsWith(door + ",") && last.endsWith(",done," + note), qPrintable(last));
    }

    // Replace, on a door's row of a site done: the next reader found takes that door, whatever its serial; the
    // reader still attached, done at another door, is not it.
    void replaceAction() {
        SiteFixture f;
        f.reader("20240101");
        f.reader("20240202");
        f.open(f.file("site.csv", TwoDoors));
        f.click("btnStart");
        QVERIFY(f.status().startsWith("The plan is done"));
        f.reader("20240303");
        f.table()->setCurrentCell(0, TfrmSite::ColDoor);
        f.find<QAction>("actReplace")->trigger();
        f.look();
        QCOMPARE(f.readers[1]->state.id, std::string("12"));
        QCOMPARE(f.readers[2]->state.id, std::string("11"));
        const QString last = RecordRows(f.record()).last();
        QVERIFY2(last.startsWith("Front,") && last.endsWith(",20240303,03.20-01,11,06,011,0,done,,replaces 20240101"),
                 qPrintable(last));
        QVERIFY2(f.row(0).startsWith("Front: done"), qPrintable(f.row(0)));
        QCOMPARE(f.table()->item(0, TfrmSite::ColSerial)->text(), QStringLiteral("20240303"));
    }

#ifndef _WIN32
    // A record whose disk fills at the first reader: the reader keeps its settings, but its row says it was not
    // recorded and with which ID, its tone is the failure's, and the run ends there saying why.
    void recordFailsDuringTheRun() {
        SiteFixture f;
        f.reader("20240101");
        f.reader("20240202");
        f.open(f.file("site.csv", TwoDoors));
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        // Room for the row written before the ID is sent, none for the reader's outcome.
        const rlimit small{350, limit.rlim_max};
        signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &small);
        f.click("btnStart");
        setrlimit(RLIMIT_FSIZE, &limit);
        const QString missing = MissingFrom(f.log, Lines(R"(
            row Front: failed, failed: reader 20240101 (Front) was not recorded: the record
            counts Done: 0 Failed: 1 Left: 2
            beep 300, lamp red
            status Ended: reader 20240101 (Front) was not recorded: the record )"));
        QVERIFY2(f.status().endsWith("cannot be written to: the file is too large; it keeps its settings, ID 11"),
                 qPrintable(f.status()));
        QVERIFY2(missing.isEmpty(), qPrintable(missing));
        QCOMPARE(f.readers[1]->state.id, std::string("01")); // the next reader was never taken
        QCOMPARE(f.lamp(), QStringLiteral("red"));
    }
#endif

    // Without --record and without a plan, the record goes in the documents folder, made when it is missing; a
    // user's folder may be named in Chinese or after a café.
    void recordInTheDocumentsFolder() {
        QTemporaryDir temporary;
        const QString home = temporary.filePath(QStringLiteral("工地 Café"));
#ifdef _WIN32
        // Where the system keeps the user's documents folder.
        QSettings shell(
            QStringLiteral(
                "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders"),
            QSettings::NativeFormat);
        const QVariant oldDocuments = shell.value(QStringLiteral("Personal"));
        shell.setValue(QStringLiteral("Personal"), QDir::toNativeSeparators(home + QStringLiteral("/Documents")));
        shell.sync();
#else
        const QByteArray oldHome = qgetenv("HOME");
        const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("HOME", home.toUtf8());
        qputenv("XDG_CONFIG_HOME", temporary.filePath(QStringLiteral("config")).toUtf8());
#endif
        const QString record = home + QStringLiteral("/Documents/readerconfig-site-record.csv");
        SiteFixture f;
        f.reader("20240101");
        f.stopAfterLastMs = 1000;
        f.open(console::SiteFiles{});
        f.find<QCheckBox>("chkKeys")->setChecked(true);
        f.click("btnStart");
#ifdef _WIN32
        if (oldDocuments.isValid())
            shell.setValue(QStringLiteral("Personal"), oldDocuments);
        else
            shell.remove(QStringLiteral("Personal"));
#else
        qputenv("HOME", oldHome);
        qputenv("XDG_CONFIG_HOME", oldConfig);
#endif
        QCOMPARE(f.find<QLineEdit>("edRecord")->text(), QDir::toNativeSeparators(record));
        QCOMPARE(RecordRows(record).size(), 2);
    }

    // A plan, its record and the report in a folder named in Chinese and after a café: read, written, and named
    // in the system's own form.
    void aSiteInAUnicodeFolder() {
        SiteFixture f;
        f.reader("20240101");
        QVERIFY(QDir(f.folder.path()).mkdir(QStringLiteral("工地 Café")));
        const QString plan = f.file(QStringLiteral("工地 Café/plan.csv"), "door,id,keys\r\nFront,11,6\r\n");
        const QString folder = QFileInfo(plan).absolutePath();
        const QString report = folder + QStringLiteral("/site.html");
        f.open({QDir::toNativeSeparators(plan).toStdString(), std::string(),
                QDir::toNativeSeparators(report).toStdString()});
        QCOMPARE(f.find<QLineEdit>("edRecord")->text(), QDir::toNativeSeparators(folder + "/plan-record.csv"));
        f.click("btnStart");
        QVERIFY2(f.status().startsWith(QStringLiteral("The plan is done: 1 done")), qPrintable(f.status()));
        QCOMPARE(RecordRows(folder + "/plan-record.csv").size(), 2);
        QFile written(report);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QVERIFY(written.readAll().contains("<td>Front</td>"));
    }

    // The window goes when it is closed in the middle of a reader, once the command under way is finished.
    void closedDuringARun() {
        SiteFixture f;
        f.reader("20240101");
        f.onCommand = [&f](const std::string& command) {
            if (command == "H00L06")
                QMetaObject::invokeMethod(f.window.get(), &QWidget::close, Qt::QueuedConnection);
        };
        f.open(f.file("site.csv", TwoDoors));
        f.click("btnStart");
        QVERIFY(!f.window->isVisible());
        QCOMPARE(f.system.commands().back(), std::string("H00L06"));
        QCOMPARE(f.system.openCount(), 0);
        QVERIFY(!QApplication::overrideCursor());
    }

    // The keyboard alone: Tab goes through the controls in their order, and Enter starts, unless the focus is on
    // another button.
    // The line test and the card at the door, from the window's own boxes: the figures and the card under the
    // row's outcome, and the request for a card in the status, in the language of the moment.
    void atTheDoor_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<bool>("lineTest");
        QTest::addColumn<bool>("card");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<QString>("asked"); ///< in the status while the card is awaited
        const QString ask = QStringLiteral("20240101: present a card to the reader (waiting 30 s)");
        QTest::newRow("line test") << "English"
                                   << "wiegand 26 32" << true << false
                                   << "done\nline test: pass, 20 of 20 answered, p99 *"
                                   << "";
        QTest::newRow("card on RS485") << "English"
                                       << "rs485 26 32" << false << true << "done\ncard read: 077:30211 (004D7603)"
                                       << ask;
        QTest::newRow("card, Wiegand output")
            << "English"
            << "wiegand 26 32" << false << true
            << "done\ncard not asked for: in Wiegand output mode the reader sends its cards to the controller, not "
               "over the serial line"
            << "";
        QTest::newRow("both, Simplified")
            << "ChineseGB"
            << "rs485 26 32" << true << true
            << QString::fromUtf8(
                   "完成\n线路测试：合格，20 次回应 20 次，第 99 百分位 *\n已读到卡片：077:30211 (004D7603)")
            << QString::fromUtf8("20240101：请在读卡机上感应一张卡片（等候 30 秒）");
        QTest::newRow("both, Traditional")
            << "ChineseBIG5"
            << "rs485 26 32" << true << true
            << QString::fromUtf8(
                   "完成\n線路測試：合格，20 次回應 20 次，第 99 百分位 *\n已讀到卡片：077:30211 (004D7603)")
            << QString::fromUtf8("20240101：請在讀卡機上感應一張卡片（等候 30 秒）");
    }
    void atTheDoor() {
        QFETCH(QString, language);
        QFETCH(QString, mode);
        QFETCH(bool, lineTest);
        QFETCH(bool, card);
        SiteFixture f;
        f.savedLanguage(language);
        sim::ReaderModel& reader = f.reader("20240101");
        f.stopAfterLastMs = 3000;
        f.open(f.file("site.csv", "door,id,mode\r\nFront,11," + mode.toUtf8() + "\r\n"));
        f.find<QCheckBox>("chkLineTest")->setChecked(lineTest);
        QCOMPARE(f.find<QSpinBox>("seLineTest")->value(), 20);
        f.find<QCheckBox>("chkReadCard")->setChecked(card);
        f.onCommand = [&](const std::string& command) {
            if (command == "H00F" && !reader.queued())
                reader.presentCard("004D7603");
        };
        f.click("btnStart");
        QFETCH(QString, outcome);
        const QString shown = f.table()->item(0, TfrmSite::ColOutcome)->text();
        QVERIFY2(QRegularExpression(QRegularExpression::anchoredPattern(
                                        QRegularExpression::escape(outcome).replace("\\*", "[0-9]+ ms")))
                     .match(shown)
                     .hasMatch(),
                 qPrintable(shown));
        QFETCH(QString, asked);
        if (asked.isEmpty())
            QVERIFY(f.log.filter(QStringLiteral("present a card")).isEmpty());
        else
            QCOMPARE(f.log.filter(asked).size(), 1);
        // Said again in the next language, figures and all.
        f.click("btnEng");
        QVERIFY2(f.table()->item(0, TfrmSite::ColOutcome)->text().startsWith("done"),
                 qPrintable(f.table()->item(0, TfrmSite::ColOutcome)->text()));
        QCOMPARE(f.table()->item(0, TfrmSite::ColOutcome)->text().count('\n'), int(lineTest) + int(card));
    }

    void tabOrder_data() {
        QTest::addColumn<bool>("plan");
        QTest::addColumn<QStringList>("order");
        QTest::newRow("with a plan") << true << QStringList{"edPlan",      "btnPlan",  "rbApply",   "edRecord",
                                                            "btnRecord",   "edReport", "btnReport", "chkLineTest",
                                                            "chkReadCard", "btnStart", "btnCards",  "tblReaders",
                                                            "btnEng",      "btnGB",    "btnBIG5",   "btnExit"};
        QTest::newRow("without a plan, the ID chosen")
            << false
            << QStringList{"edPlan",   "btnPlan",  "chkId",      "seIdFrom", "chkKeys",   "chkMode",     "chkParity",
                           "chkLine",  "edRecord", "btnRecord",  "edReport", "btnReport", "chkLineTest", "chkReadCard",
                           "btnStart", "btnCards", "tblReaders", "btnEng",   "btnGB",     "btnBIG5",     "btnExit"};
    }
    void tabOrder() {
        QFETCH(bool, plan);
        QFETCH(QStringList, order);
        SiteFixture f;
        f.open(plan ? f.file("site.csv", TwoDoors) : QString());
        f.find<QCheckBox>("chkId")->setChecked(true);
        QApplication::setActiveWindow(f.window.get());
        f.find<QLineEdit>("edPlan")->setFocus();
        QStringList visited;
        for (int i = 0; i <= order.size(); ++i) {
            visited << QApplication::focusWidget()->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(visited, order + QStringList{"edPlan"});
    }

    void enter_data() {
        QTest::addColumn<QString>("focus");
        QTest::addColumn<bool>("starts");
        QTest::newRow("on the plan") << "edPlan" << true;
        QTest::newRow("on the record") << "edRecord" << true;
        QTest::newRow("on the table") << "tblReaders" << true;
        QTest::newRow("on the kind") << "rbAudit" << true;
        QTest::newRow("on Start") << "btnStart" << true;
        QTest::newRow("on a language button") << "btnGB" << false;
    }
    void enter() {
        QFETCH(QString, focus);
        QFETCH(bool, starts);
        SiteFixture f;
        f.reader("20240101");
        f.stopAfterLastMs = 1; // no reader is ever taken away: Stop once it is done
        f.open(f.file("site.csv", TwoDoors));
        QApplication::setActiveWindow(f.window.get());
        f.window->findChild<QWidget*>(focus)->setFocus();
        bool ran = false;
        f.system.onSleep = [&](std::uint32_t) {
            if (!ran && f.window->running()) {
                ran = true;
                f.postStop();
            }
        };
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(ran, starts);
        QCOMPARE(localisation::LanguageIndex,
                 starts ? localisation::LanguageEnglish : localisation::LanguageSimplified);
    }

    // Exit's Alt key, its own in each language, closes the window.
    void exitKey_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("caption");
        QTest::newRow("English") << "English"
                                 << "&Exit";
        QTest::newRow("Simplified") << "ChineseGB" << QString::fromUtf8("结束(&E)");
        QTest::newRow("Traditional") << "ChineseBIG5" << QString::fromUtf8("結束(&E)");
    }
    void exitKey() {
        QFETCH(QString, language);
        SiteFixture f;
        f.savedLanguage(language);
        f.open(f.file("site.csv", TwoDoors));
        QTEST(f.find<QPushButton>("btnExit")->text(), "caption");
        const QKeySequence exit = QKeySequence::mnemonic(f.find<QPushButton>("btnExit")->text());
        for (const QAbstractButton* button : f.window->findChildren<QAbstractButton*>()) {
            if (button->objectName() != QStringLiteral("btnExit"))
                QVERIFY2(QKeySequence::mnemonic(button->text()) != exit, qPrintable(button->objectName()));
        }
        for (const QLabel* label : f.window->findChildren<QLabel*>())
            QVERIFY2(QKeySequence::mnemonic(label->text()) != exit, qPrintable(label->objectName()));
        QApplication::setActiveWindow(f.window.get());
        f.find<QLineEdit>("edPlan")->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_E, Qt::AltModifier);
        QTRY_VERIFY(!f.window->isVisible()); // a button's key clicks it a moment later, as it shows the press
    }

    // Where the focus is while the run stops and after it, and whether Enter in a field starts: the plan done,
    // Start is neither the default nor focused, so that no Enter begins the plan again by accident.
    void focus_data() {
        QTest::addColumn<bool>("stop");           // Stop from the keyboard in the middle of the first reader
        QTest::addColumn<QString>("stopping");    // the focus right after Stop
        QTest::addColumn<QString>("after");       // the focus when the run is over
        QTest::addColumn<bool>("startIsDefault"); // then
        QTest::newRow("stopped in the middle") << true << "btnStop"
                                               << "btnStart" << true;
        QTest::newRow("the plan done") << false << QString() << "btnExit" << false;
    }
    void focus() {
        QFETCH(bool, stop);
        SiteFixture f;
        f.reader("20240101");
        f.reader("20240202");
        f.open(f.file("site.csv", TwoDoors));
        QApplication::setActiveWindow(f.window.get());
        QString stopping;
        f.onCommand = [&](const std::string& command) {
            if (!stop || command != "H00L06")
                return;
            stop = false;
            QMetaObject::invokeMethod(
                f.window.get(),
                [&] {
                    QTest::keyClick(f.find<QPushButton>("btnStop"), Qt::Key_Space);
                    stopping = Focus();
                },
                Qt::QueuedConnection);
        };
        QTest::keyClick(f.find<QPushButton>("btnStart"), Qt::Key_Space);
        QVERIFY(!f.window->running());
        QTEST(stopping, "stopping");
        QTEST(Focus(), "after");
        QTEST(f.find<QPushButton>("btnStart")->isDefault(), "startIsDefault");

        // Enter in a field after Tab: it starts again only where Start is the default.
        const std::size_t sent = f.system.commands().size();
        QStringList asked;
        Answer(QStringLiteral("Cancel"), asked);
        f.find<QLineEdit>("edRecord")->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        f.find<QLineEdit>("edRecord")->setFocus();
        f.stopAfterLastMs = 1;
        f.stopPosted = false;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTEST(f.system.commands().size() > sent, "startIsDefault");
        QVERIFY2(asked.isEmpty(), qPrintable(asked.join(QLatin1Char('|'))));
    }

    // Once the plan is done, Start asks before it begins the plan again, in the window's language.
    void startAgain_data() {
        QTest::addColumn<QString>("language");
        QTest::addColumn<QString>("answer"); // empty: Esc
        QTest::addColumn<QStringList>("asked");
        QTest::addColumn<bool>("begins");
        QTest::newRow("English, cancelled")
            << "English"
            << "Cancel" << QStringList{"Plan site is done. Start it again?", "&Start again", "Cancel", "default Cancel"}
            << false;
        QTest::newRow("Simplified, started again")
            << "ChineseGB" << QString::fromUtf8("重新开始(&S)")
            << QStringList{QString::fromUtf8("计划表 site 已完成。要重新开始吗？"), QString::fromUtf8("重新开始(&S)"),
                           QString::fromUtf8("取消"), QString::fromUtf8("default 取消")}
            << true;
        QTest::newRow("Traditional, Esc")
            << "ChineseBIG5" << QString()
            << QStringList{QString::fromUtf8("計畫表 site 已完成。要重新開始嗎？"), QString::fromUtf8("重新開始(&S)"),
                           QString::fromUtf8("取消"), QString::fromUtf8("default 取消")}
            << false;
    }
    void startAgain() {
        QFETCH(QString, language);
        QFETCH(QString, answer);
        QFETCH(bool, begins);
        SiteFixture f;
        f.savedLanguage(language);
        f.reader("20240101");
        f.reader("20240202");
        f.open(f.file("site.csv", TwoDoors));
        f.click("btnStart");
        const QString done = f.status();
        const std::size_t sent = f.system.commands().size();
        const QStringList before = f.log;
        QStringList asked;
        Answer(answer, asked);
        f.stopAfterLastMs = 1;
        f.stopPosted = false;
        f.click("btnStart");
        QTEST(asked, "asked");
        // A run begun again shows the doors as the record holds them, done, and ends at once.
        QCOMPARE(!f.log.mid(before.size()).isEmpty(), begins);
        QCOMPARE(f.status(), done);
        // Begun again or not, the record keeps the site done: no reader is given an ID again.
        const std::vector<std::string> commands = f.system.commands();
        for (std::size_t i = sent; i < commands.size(); ++i)
            QVERIFY2(commands[i].rfind("H00C", 0) != 0, commands[i].c_str());
    }

    // A field left without a change is no change: Start goes on with the run that was stopped. A field really
    // changed begins a new one.
    void unchangedField_data() {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");   // typed over the field's text, then Tab; none: Tab alone
        QTest::addColumn<QString>("second"); // the door the second reader takes
        QTest::newRow("the plan, typed again as it was") << "edPlan"
                                                         << "="
                                                         << "Back";
        QTest::newRow("the record, left") << "edRecord" << QString() << "Back";
        QTest::newRow("the report, left") << "edReport" << QString() << "Back";
        QTest::newRow("the record, typed again as it was") << "edRecord"
                                                           << "="
                                                           << "Back";
        // A new run, and the record still holds the first door done.
        QTest::newRow("the report, a new one") << "edReport"
                                               << "site.html"
                                               << "Back";
    }
    void unchangedField() {
        QFETCH(QString, field);
        QFETCH(QString, text);
        SiteFixture f;
        f.reader("20240101");
        f.stopAfterLastMs = 1000;
        f.open(f.file("site.csv", TwoDoors));
        QApplication::setActiveWindow(f.window.get());
        f.click("btnStart");
        QVERIFY2(f.status().startsWith(QStringLiteral("Stopped: 1 done")), qPrintable(f.status()));

        auto* edit = f.find<QLineEdit>(field.toLatin1().constData());
        edit->setFocus();
        if (!text.isEmpty()) {
            const QString typed = text == QStringLiteral("=") ? edit->text() : f.folder.filePath(text);
            edit->selectAll();
            QTest::keyClicks(edit, typed);
        }
        QTest::keyClick(edit, Qt::Key_Tab);

        f.reader("20240202");
        f.stopPosted = false;
        f.click("btnStart");
        QFETCH(QString, second);
        QCOMPARE(f.readers[1]->state.id, std::string(second == QStringLiteral("Front") ? "11" : "12"));
        const QStringList rows = RecordRows(f.record());
        QVERIFY2(rows.size() == 3 && rows[2].startsWith(second + ","), qPrintable(rows.join(QLatin1Char('\n'))));
        QCOMPARE(QFile::exists(f.folder.filePath("site.html")), text == QStringLiteral("site.html"));
    }

    void languages_data() {
        QTest::addColumn<QString>("saved");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("door");
        QTest::addColumn<QString>("waiting");
        QTest::addColumn<QString>("stopped");
        QTest::newRow("English") << "English"
                                 << "VELNO QUVIN4 Site Commissioning"
                                 << "&Start"
                                 << "Door"
                                 << "Waiting for a reader on any port"
                                 << "Stopped: 0 done, 0 failed";
        QTest::newRow("Simplified") << "ChineseGB" << QString::fromUtf8("VELNO QUVIN4 现场安装设定")
                                    << QString::fromUtf8("开始(&S)") << QString::fromUtf8("门")
                                    << QString::fromUtf8("等待读卡机连接到任一串口")
                                    << QString::fromUtf8("已停止：完成 0，失败 0");
        QTest::newRow("Traditional") << "ChineseBIG5" << QString::fromUtf8("VELNO QUVIN4 現場安裝設定")
                                     << QString::fromUtf8("開始(&S)") << QString::fromUtf8("門")
                                     << QString::fromUtf8("等待讀卡機連接到任一串口")
                                     << QString::fromUtf8("已停止：完成 0，失敗 0");
    }
    // Every setting of the table has its column, headed in the current language, and its captioned check box and
    // a control per word of its value in the settings group.
    void settingColumns() {
        SiteFixture f;
        f.open();
        for (const commission::SettingRow& row : commission::SettingTable) {
            QCOMPARE(f.table()->horizontalHeaderItem(TfrmSite::ColumnOf(row.setting))->text(),
                     QString::fromUtf8(localisation::Text(row.heading)));
            int boxes = 0, values = 0;
            for (const QWidget* control : f.window->findChildren<QWidget*>()) {
                if (control->property("setting").toString() != QLatin1String(row.name))
                    continue;
                if (const auto* box = qobject_cast<const QCheckBox*>(control)) {
                    ++boxes;
                    QCOMPARE(box->text(), QString::fromUtf8(localisation::Text(row.choice)));
                } else {
                    ++values;
                }
            }
            QCOMPARE(boxes, 1);
            QCOMPARE(values, row.words);
        }
        QCOMPARE(f.table()->columnCount(), TfrmSite::ColumnCount);
    }

    void languages() {
        QFETCH(QString, saved);
        SiteFixture f;
        f.savedLanguage(saved);
        f.open(f.file("site.csv", TwoDoors));
        // Every language fits the window's width: it does not grow when the language changes.
        const int width = f.window->width();
        QTEST(f.window->windowTitle(), "title");
        QTEST(f.find<QPushButton>("btnStart")->text(), "start");
        QTEST(f.table()->horizontalHeaderItem(TfrmSite::ColDoor)->text(), "door");
        QString waiting;
        f.system.onSleep = [&](std::uint32_t) {
            if (waiting.isEmpty()) {
                waiting = f.status();
                f.postStop();
            }
        };
        f.click("btnStart");
        QTEST(waiting, "waiting");
        QTEST(f.status(), "stopped");

        // Switched here: saved for the main window, every caption and the last status in the new language.
        f.click("btnBIG5");
        QCOMPARE(std::get<std::string>(f.store.values["LanguageFlag"]), std::string("ChineseBIG5"));
        QCOMPARE(f.status(), QString::fromUtf8("已停止：完成 0，失敗 0"));
        QCOMPARE(f.find<QPushButton>("btnStop")->text(), QString::fromUtf8("停止(&T)"));
        QCOMPARE(f.table()->item(0, TfrmSite::ColOutcome)->text(), QString::fromUtf8("尚未完成"));
        QCOMPARE(f.window->width(), width);
        f.store.refuseWrites = true;
        f.click("btnEng");
        QCOMPARE(f.status(), QStringLiteral("The language could not be remembered"));
        QCOMPARE(f.system.beeps().back().frequencyHz, 300u);
    }

    // Where the record goes when none is named.
    void defaultRecord_data() {
        QTest::addColumn<QString>("plan");
        QTest::addColumn<QString>("record");
        const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        QTest::newRow("beside the plan") << "/site/north.csv"
                                         << "/site/north-record.csv";
        QTest::newRow("a plan with dots") << "/site/north.v2.csv"
                                          << "/site/north.v2-record.csv";
        QTest::newRow("no plan") << "" << documents + "/readerconfig-site-record.csv";
    }
    void defaultRecord() {
        QFETCH(QString, plan);
        QTEST(console::DefaultRecordPath(plan), "record");
    }
};

QTEST_MAIN(TestSiteWindow)
#include "tst_site_window.moc"
