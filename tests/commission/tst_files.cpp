// The record and the report as files on a real disk: a row goes in whole or not at all, a record changed under
// the run is written only when it still holds what was written, a report never replaces a file that is not one,
// and a refused start leaves no file behind.

#include "commission/plan.h"
#include "commission/record.h"
#include "commission/report.h"
#include "localisation/language.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <sys/resource.h>

using namespace commission;

namespace {

QByteArray Content(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(none)");
}

void Write(const QString& path, const QByteArray& content) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(content);
}

RecordRow Row(const std::string& serial, const std::string& id) {
    RecordRow row;
    row.door = "Front";
    row.port = 3;
    row.line = "19200,e,8,1";
    row.info.serial = serial;
    row.info.id = id;
    row.outcome = "done";
    return row;
}

/// A new record at `path` holding one reader's row; null when that failed.
std::unique_ptr<Record> RecordWithRow(const QString& path) {
    std::unique_ptr<Record> record;
    if (!Record::Open(path.toStdString(), record).ok() || !record->add(Row("20240101", "01")))
        return nullptr;
    return record;
}

/// What "<td>...</td>" and "<title>...</title>" hold, with the five entities the report writes undone.
QStringList CellTexts(const QString& html, const QString& tag) {
    QStringList texts;
    const QRegularExpression cell("<" + tag + "[^>]*>(.*?)</" + tag + ">");
    for (auto match = cell.globalMatch(html); match.hasNext();) {
        QString text = match.next().captured(1);
        text.replace("&lt;", "<").replace("&gt;", ">").replace("&quot;", "\"").replace("&#39;", "'");
        texts << text.replace("&amp;", "&");
    }
    return texts;
}

} // namespace

class TestFiles : public QObject {
    Q_OBJECT

private slots:
    void init() { localisation::SelectLanguage(localisation::LanguageEnglish); }

    // The disk fills in the middle of a row: the row is taken back, the record stays CSV, and the reason is the
    // disk's. The size limit stands in for a full disk; a write over it fails as one on a full disk does.
    void fullDisk_data() {
        QTest::addColumn<int>("room"); // bytes the disk still takes after the first row
        QTest::newRow("none of the row") << 0;
        QTest::newRow("half the row") << 40;
        QTest::newRow("all but its line end") << 73; // of 75: the time is 25 bytes long
    }
    void fullDisk() {
        QFETCH(int, room);
        QTemporaryDir folder;
        const QString path = folder.filePath("site.csv");
        std::unique_ptr<Record> record = RecordWithRow(path);
        QVERIFY(record);
        const QByteArray before = Content(path);
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit small{rlim_t(before.size() + room), saved.rlim_max};
        setrlimit(RLIMIT_FSIZE, &small);
        const bool added = record->add(Row("20240102", "02"));
        setrlimit(RLIMIT_FSIZE, &saved);
        QVERIFY(!added);
        QCOMPARE(Content(path), before);
        QVERIFY2(record->error().ends_with(": the file is too large"), record->error().c_str());
        // Room again: the next row goes in whole after the first.
        QVERIFY(record->add(Row("20240103", "03")));
        QVERIFY(Content(path).startsWith(before));
        QCOMPARE(Content(path).count("\r\n"), 3);
    }

    // Another program changes the record between two rows. It goes on in the file at the path when that holds
    // every row so far (a spreadsheet's save, which writes a new file and renames it over the old one, may sort
    // and end its lines otherwise); else it says what happened and writes nothing.
    void changedUnderTheRun_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("says"); // empty: the row goes in
        QTest::newRow("saved by a spreadsheet") << "rename same" << QString();
        QTest::newRow("sorted by a spreadsheet") << "rename sorted" << QString();
        QTest::newRow("a row added by another program") << "append" << QString();
        QTest::newRow("replaced without the rows") << "rename first"
                                                   << "site.csv was replaced by another program";
        QTest::newRow("replaced with other columns") << "rename columns"
                                                     << "site.csv was replaced by another program";
        QTest::newRow("cut back in place") << "truncate"
                                           << "site.csv was shortened by another program";
        QTest::newRow("removed") << "remove"
                                 << "site.csv was removed by another program";
    }
    void changedUnderTheRun() {
        QFETCH(QString, change);
        QFETCH(QString, says);
        QTemporaryDir folder;
        const QString path = folder.filePath("site.csv");
        std::unique_ptr<Record> record = RecordWithRow(path);
        QVERIFY(record);
        QVERIFY(record->add(Row("20240102", "02")));
        QList<QByteArray> lines = Content(path).split('\n');
        lines.removeLast();
        for (QByteArray& line : lines)
            line.chop(1); // a spreadsheet ends its lines with LF alone
        if (change.startsWith("rename")) {
            if (change.endsWith("sorted"))
                std::swap(lines[1], lines[2]);
            if (change.endsWith("first"))
                lines.removeLast();
            if (change.endsWith("columns"))
                lines[0] += ",note";
            Write(path + ".new", lines.join('\n') + '\n');
            QVERIFY(std::rename(QFile::encodeName(path + ".new"), QFile::encodeName(path)) == 0);
        } else if (change == "append") {
            QFile file(path);
            QVERIFY(file.open(QIODevice::Append));
            file.write("Back,t,COM4,,20249999,,09,,,,done,\r\n");
        } else if (change == "truncate") {
            QVERIFY(QFile::resize(path, lines[0].size() + 2));
        } else {
            QVERIFY(QFile::remove(path));
        }
        const QByteArray before = Content(path);
        const bool added = record->add(Row("20240103", "03"));
        QCOMPARE(added, says.isEmpty());
        if (says.isEmpty()) {
            const QByteArray after = Content(path);
            QVERIFY2(after.startsWith(before) && after.count("20240103") == 1, after.constData());
            QCOMPARE(after.count("20240101"), 1);
            QCOMPARE(after.count("20240102"), 1);
            // Nothing checked at the door: its ten columns and the version's are empty.
            QVERIFY(after.endsWith(",done,," + QByteArray(11, ',') + "\r\n"));
        } else {
            QCOMPARE(QString::fromStdString(record->error()), folder.path() + "/" + says);
            QCOMPARE(Content(path), before);
        }
    }

    // The record and the report are refused together at the start, and a refusal leaves no file that was not
    // there before: not the record made for a report that was then refused, not the report's temporary file.
    void refusedTogether_data() {
        QTest::addColumn<QString>("record");
        QTest::addColumn<QString>("report");
        QTest::addColumn<QByteArray>("reportHolds"); // before the start; empty: no such file
        QTest::addColumn<QString>("says");           // empty: both taken
        const QByteArray plan = "door,id\r\nFront,12\r\n";
        QTest::newRow("a report path naming a plan")
            << "site.csv"
            << "plan.csv" << plan << "plan.csv is not a report: choose another name";
        QTest::newRow("a report path naming a text")
            << "site.csv"
            << "notes.html" << QByteArray("<html>my notes</html>") << "notes.html is not a report: choose another name";
        QTest::newRow("a report in no folder")
            << "site.csv"
            << "none/site.html" << QByteArray() << "the report <dir>/none/site.html cannot be written: no such folder";
        QTest::newRow("a report that is a folder") << "site.csv"
                                                   << "." << QByteArray() << "cannot be written: it is a folder";
        QTest::newRow("a record that is a folder")
            << "."
            << "site.html" << QByteArray() << "cannot be written to: it is a folder";
        QTest::newRow("a record in no folder") << "none/site.csv"
                                               << "site.html" << QByteArray() << "cannot be written to: no such folder";
        QTest::newRow("an earlier report") << "site.csv"
                                           << "site.html" << QByteArray("earlier") << QString();
        QTest::newRow("no report") << "site.csv" << QString() << QByteArray() << QString();
    }
    void refusedTogether() {
        QFETCH(QString, record);
        QFETCH(QString, report);
        QFETCH(QByteArray, reportHolds);
        QFETCH(QString, says);
        QTemporaryDir folder;
        const QString reportPath = report.isEmpty() ? QString() : QDir::cleanPath(folder.filePath(report));
        if (reportHolds == "earlier") {
            SiteReport old;
            old.site = "Old site";
            const Failure written = WriteReport(reportPath.toStdString(), old);
            QVERIFY2(written.ok(), Say(written.why).c_str());
        } else if (!reportHolds.isEmpty()) {
            Write(reportPath, reportHolds);
        }
        const QStringList present = QDir(folder.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
        const QByteArray held = report.isEmpty() ? QByteArray() : Content(reportPath);

        std::unique_ptr<Record> opened;
        const Failure refused = OpenRunFiles(QDir::cleanPath(folder.filePath(record)).toStdString(),
                                             reportPath.toStdString(), nullptr, opened);
        const bool started = refused.ok();
        const std::string error = Say(refused.why);
        QCOMPARE(started, says.isEmpty());
        if (!started) {
            QCOMPARE(refused.code, Code::NotSaved);
            QVERIFY2(QString::fromStdString(error).replace(folder.path(), "<dir>").contains(says), error.c_str());
            QVERIFY(!opened);
            QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot), present);
            if (!report.isEmpty())
                QCOMPARE(Content(reportPath), held);
            return;
        }
        QVERIFY(opened);
        if (!report.isEmpty()) {
            QVERIFY(Content(reportPath).contains("<title>site - as built</title>"));
            QVERIFY(!QFile::exists(reportPath + ".tmp"));
        }
    }

    // A door, a serial, a reason and a site's name that HTML would read as markup read as written everywhere.
    void escaping() {
        const std::string nasty = "<b>&\"'";
        SiteReport report;
        report.site = nasty;
        report.kind = "apply";
        ReportRow row;
        row.door = nasty;
        row.serial = nasty;
        row.firmware = nasty;
        row.values.fill(nasty);
        row.outcome = nasty;
        row.time = nasty;
        report.rows.push_back(row);
        report.notDone = {nasty};
        const QString html = QString::fromStdString(RenderReport(report));
        const QString text = QString::fromStdString(nasty);
        QCOMPARE(CellTexts(html, "title"), QStringList{text + " - as built"});
        QCOMPARE(CellTexts(html, "h1"), QStringList{text});
        QCOMPARE(CellTexts(html, "li"), QStringList{text});
        const QStringList cells = CellTexts(html, "td");
        QCOMPARE(cells.size(), 5 + SettingCount + 1);
        for (int i = 0; i < cells.size(); ++i) {
            if (i == 3) // the port, COM3 or nothing
                continue;
            QCOMPARE(cells[i], text);
        }
        QVERIFY(!html.contains(text));
    }

    // Why a file cannot be used, in the user's language: the words a full disk gives on a Chinese system.
    void problems_data() {
        QTest::addColumn<int>("error");
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("says");
        QTest::newRow("a full disk") << ENOSPC << int(localisation::LanguageEnglish) << "the disk is full";
        QTest::newRow("a full disk, Simplified") << ENOSPC << int(localisation::LanguageSimplified) << "磁盘已满";
        QTest::newRow("a full disk, Traditional") << ENOSPC << int(localisation::LanguageTraditional) << "磁碟已滿";
        QTest::newRow("a quota") << EDQUOT << int(localisation::LanguageEnglish) << "the disk is full";
        QTest::newRow("permission") << EACCES << int(localisation::LanguageSimplified) << "没有权限";
        QTest::newRow("read-only") << EROFS << int(localisation::LanguageEnglish) << "permission denied";
    }
    void problems() {
        QFETCH(int, error);
        QFETCH(int, language);
        localisation::SelectLanguage(language);
        QTemporaryDir folder;
        QTEST(QString::fromStdString(Say(FileProblem(folder.filePath("site.csv").toStdString(), error))), "says");
    }
};

QTEST_APPLESS_MAIN(TestFiles)
#include "tst_files.moc"
