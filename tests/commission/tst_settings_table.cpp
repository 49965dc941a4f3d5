// The settings table against every place that loops over it: a row added, or one whose behaviour is forgotten in
// one place, fails here rather than moving a column or losing a value in the record, the report or a job.

#include "commission/job.h"
#include "commission/plan.h"
#include "commission/record.h"
#include "commission/report.h"
#include "localisation/language.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <set>

using namespace commission;

namespace {

/// A distinct value as the reader reports it back, for each row: its factory default.
operations::ReaderInfo InfoWithEveryValue() {
    operations::ReaderInfo info;
    for (const SettingRow& row : SettingTable) {
        if (row.field)
            info.*row.field = row.factoryDefault;
    }
    return info;
}

std::string FollowedValue() {
    for (const SettingRow& row : SettingTable) {
        if (row.followed)
            return row.factoryDefault;
    }
    return {};
}

} // namespace

class TestSettingsTable : public QObject {
    Q_OBJECT

private slots:
    void init() { localisation::SelectLanguage(localisation::LanguageEnglish); }

    // Each row named once, with all it does (its place is held by a static_assert).
    void rows() {
        std::set<std::string> names, columns;
        std::set<int> places;
        int followed = 0, counts = 0;
        for (std::size_t i = 0; i < std::size(SettingTable); ++i) {
            const SettingRow& row = SettingTable[i];
            QVERIFY2(names.insert(row.name).second, row.name);
            QVERIFY2(columns.insert(row.column).second, row.column);
            QVERIFY2(places.insert(row.scanPlace).second, row.name);
            QVERIFY(row.parse && row.readerText && row.send && row.inWords && row.factoryDefault);
            QVERIFY(row.words >= 1);
            // The followed setting is sent last, since the reader answers only at the new value after, and is
            // read back from where the reader answers; every other from a reply field.
            QCOMPARE(row.followed, !row.field);
            if (row.followed)
                QCOMPARE(i, std::size(SettingTable) - 1);
            followed += row.followed;
            counts += row.counts;
            QCOMPARE(FindSetting(row.name), &row);
        }
        QCOMPARE(followed, 1);
        QVERIFY(counts <= 1);
        QCOMPARE(int(RowsInScanOrder().size()), SettingCount);
    }

    // Each factory default parses and reads back as itself: parsing and the reader's text agree.
    void factoryDefaults() {
        for (const SettingRow& row : SettingTable) {
            Value value;
            const std::string error = ParseValue(row, {row.factoryDefault}, false, value);
            QVERIFY2(error.empty(), error.c_str());
            QCOMPARE(value.setting, row.setting);
            QCOMPARE(ReaderText(value), std::string(row.factoryDefault));
            for (const Wording wording : {Wording::Window, Wording::Report, Wording::Scan})
                QVERIFY(!InWords(row.setting, row.factoryDefault, wording).empty());
            // Words of odd values: none crashes, each says something or the value itself.
            for (const char* odd : {"", "9", "0123", "\xff"})
                (void)InWords(row.setting, odd, Wording::Window);
        }
    }

    // A reader whose read-back failed is known by what it was asked and acknowledged: every setting with a
    // reply field.
    void knownFromAsked() {
        JobResult job;
        for (const SettingRow& row : SettingTable)
            job.asked[IndexOf(row.setting)] = row.factoryDefault;
        const operations::ReaderInfo known = job.known();
        for (const SettingRow& row : SettingTable) {
            if (row.field)
                QCOMPARE(known.*row.field, std::optional<std::string>(row.factoryDefault));
        }
    }

    // The record has a column per setting, writes each value and reads each back.
    void record() {
        const std::vector<std::string> columns = Record::Columns();
        for (const SettingRow& row : SettingTable)
            QCOMPARE(std::count(columns.begin(), columns.end(), std::string(row.column)), 1);
        QTemporaryDir folder;
        const std::string path = folder.filePath("site.csv").toStdString();
        RecordRow written;
        written.door = "Front";
        written.port = 3;
        written.line = FollowedValue();
        written.info = InfoWithEveryValue();
        written.info.serial = "20240101";
        written.outcome = "done";
        {
            std::unique_ptr<Record> record;
            const Failure failure = Record::Open(path, record);
            QVERIFY2(failure.ok() && record, Say(failure.why).c_str());
            QVERIFY2(record->add(written), record->error().c_str());
        }
        std::unique_ptr<Record> again;
        const Failure failure = Record::Open(path, again);
        QVERIFY2(failure.ok() && again, Say(failure.why).c_str());
        QCOMPARE(again->earlier().size(), std::size_t(1));
        const RecordRow& read = again->earlier()[0];
        for (const SettingRow& row : SettingTable) {
            QCOMPARE(ReadField(row.setting, read.info, read.line), ReadField(row.setting, written.info, written.line));
        }
    }

    // An earlier version's header, in its own order, is continued in its columns; one of no version is refused,
    // as a record no row could go in, with what differs.
    void recordVersions_data() {
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<QString>("says"); // empty: continued
        QTest::newRow("before the door") << QByteArray(
                                                "time,port,line,serial,firmware,id,keys,parity,mode,outcome,code")
                                         << QString();
        QTest::newRow("before the note") << QByteArray(
                                                "door,time,port,line,serial,firmware,id,keys,mode,parity,outcome,code")
                                         << QString();
        QTest::newRow("this version") << QByteArray::fromStdString(Join(Record::Columns())) << QString();
        QTest::newRow("before the door's checks, in another order")
            << QByteArray("door,time,port,line,serial,firmware,id,keys,parity,mode,outcome,code,note") << QString();
        std::vector<std::string> columns = Record::Columns();
        std::swap(columns[0], columns[1]);
        QTest::newRow("this version in another order")
            << QByteArray::fromStdString(Join(columns))
            << "has other columns than a record: its columns are in another order";
        columns = Record::Columns();
        columns.back() = "record v99";
        QTest::newRow("a later version") << QByteArray::fromStdString(Join(columns))
                                         << "has other columns than a record: it lacks record v4 and has 'record v99'";
        columns.pop_back();
        QTest::newRow("the version's column missing")
            << QByteArray::fromStdString(Join(columns)) << "has other columns than a record: it lacks record v4";
        QTest::newRow("a setting missing")
            << QByteArray("door,time,port,line,serial,firmware,id,keys,mode,outcome,code")
            << "has other columns than a record: it lacks parity, note, line_queries";
    }
    void recordVersions() {
        QFETCH(QByteArray, header);
        QFETCH(QString, says);
        QTemporaryDir folder;
        const QString path = folder.filePath("site.csv");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(header + "\r\n");
        file.close();
        std::unique_ptr<Record> record;
        const Failure failure = Record::Open(path.toStdString(), record);
        QCOMPARE(bool(record), says.isEmpty());
        QCOMPARE(failure.code, says.isEmpty() ? Code::None : Code::NotSaved);
        const QString error = QString::fromStdString(Say(failure.why));
        QCOMPARE(error.isEmpty(), says.isEmpty());
        QVERIFY2(error.startsWith(says.isEmpty() ? QString() : "the record " + path + " " + says), qPrintable(error));
    }

    // The plan takes a column per setting; the report shows one.
    void planAndReport() {
        std::string header = "door,serial";
        std::string cells = "Front,20240101";
        for (const SettingRow& row : SettingTable) {
            header += std::string(",") + row.name;
            cells += std::string(",\"") + row.factoryDefault + "\"";
        }
        const PlanCheck check = ParsePlan(header + "\r\n" + cells + "\r\n", "site");
        QVERIFY(check.errors.empty());
        QVERIFY(check.plan);
        QCOMPARE(int(check.plan->rows.at(0).request.inOrder().size()), SettingCount);

        SiteReport report;
        ReportRow row;
        for (const SettingRow& setting : SettingTable)
            row.values[IndexOf(setting.setting)] = setting.factoryDefault;
        report.rows.push_back(row);
        const QString html = QString::fromStdString(RenderReport(report));
        for (const SettingRow& setting : SettingTable) {
            QString label = QString::fromUtf8(localisation::Text(setting.label));
            label[0] = label[0].toUpper();
            QVERIFY2(html.contains("<th>" + label + "</th>"), setting.name);
            QVERIFY2(html.contains(QString::fromStdString(
                         "<td class=\"n\">" + InWords(setting.setting, setting.factoryDefault, Wording::Report))),
                     setting.name);
        }
    }

private:
    static std::string Join(const std::vector<std::string>& columns) {
        std::string line;
        for (const std::string& column : columns)
            line += (line.empty() ? "" : ",") + column;
        return line;
    }
};

QTEST_APPLESS_MAIN(TestSettingsTable)
#include "tst_settings_table.moc"
