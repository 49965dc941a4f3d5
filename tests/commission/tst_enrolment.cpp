// Card enrolment as the library keeps it: a card held on the reader counts once, one presented again is told and
// not listed, a card that shares its 26-bit number with one listed is flagged; the list is continued, refused
// before anything when it cannot be; a row that cannot be written whole is taken back and ends the enrolment, as
// does a list that another program replaced or moved away.

#include "commission/enrolment.h"
#include "localisation/language.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#endif

using namespace commission;

namespace {

constexpr char Header[] = "time,name,hex,decimal,w26_facility,w26_number,w34_facility,w34_number\r\n";

/// The list's rows without their time.
QStringList Rows(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList rows = QString::fromUtf8(file.readAll()).split(QRegularExpression("\r?\n"), Qt::SkipEmptyParts);
    rows.removeFirst();
    for (QString& row : rows)
        row = row.section(',', 1);
    return rows;
}

QByteArray Content(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void Write(const QString& path, const QByteArray& content) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

/// "card@ms" readings, space-separated, and what each told: "+Name", "=Name" for a repeat, "." for a held card,
/// "+Name~Other" for a new card with the W26 number of another.
QString Feed(Enrolment& enrolment, const QString& readings) {
    QStringList told;
    for (const QString& reading : readings.split(' ', Qt::SkipEmptyParts)) {
        const EnrolEvent event =
            enrolment.present(reading.section('@', 0, 0).toUInt(nullptr, 16), reading.section('@', 1).toUInt());
        const QString name = QString::fromStdString(event.card.name);
        switch (event.outcome) {
        case EnrolOutcome::Held:
            told << ".";
            break;
        case EnrolOutcome::Added:
            told << "+" + name + (event.sameW26 ? "~" + QString::fromStdString(event.sameW26->name) : QString());
            break;
        case EnrolOutcome::Repeat:
            told << "=" + name;
            break;
        case EnrolOutcome::NotSaved:
            told << "!" + name;
            break;
        }
    }
    return told.join(' ');
}

} // namespace

class TestEnrolment : public QObject {
    Q_OBJECT

private slots:
    void enrol_data() {
        QTest::addColumn<QByteArray>("before"); // the list's content when the enrolment starts
        QTest::addColumn<QString>("readings");
        QTest::addColumn<QString>("told");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QList<long long>>("status"); // added, repeats, collisions, listed
        // Polls 100 ms apart: a card read at every poll is held; after a poll without it, it was presented again.
        QTest::newRow("a held card, a repeat, a W26 collision")
            << QByteArray() << "004D7603@0 004D7603@100 004D7603@200 499602D2@400 004D7603@600 014D7603@900"
            << "+Staff 1 . . +Staff 2 =Staff 1 +Staff 3~Staff 1"
            << QStringList{"Staff 1,004D7603,5076483,77,30211,77,30211",
                           "Staff 2,499602D2,1234567890,150,722,18838,722",
                           "Staff 3,014D7603,21853699,77,30211,333,30211"}
            << QList<long long>{3, 1, 1, 3};
        QTest::newRow("the same card after a pause is a repeat")
            << QByteArray() << "12345678@0 12345678@100 12345678@1000"
            << "+Staff 1 . =Staff 1" << QStringList{"Staff 1,12345678,305419896,52,22136,4660,22136"}
            << QList<long long>{1, 1, 0, 1};
        QTest::newRow("continued: its cards known, the counter goes on, a last line without its end")
            << QByteArray(Header) + "2026-12-09T10:00:00+00:00,Hall 1,004D7603,5076483,77,30211,77,30211\r\n" +
                   "2026-12-09T10:00:05+00:00,\"Hall, east\",499602D2,1234567890,150,722,18838,722"
            << "499602D2@0 FF4D7603@500 00000001@1000"
            << "=Hall, east +Staff 3~Hall 1 +Staff 4"
            << QStringList{"Hall 1,004D7603,5076483,77,30211,77,30211",
                           "\"Hall, east\",499602D2,1234567890,150,722,18838,722",
                           "Staff 3,FF4D7603,4283266563,77,30211,65357,30211", "Staff 4,00000001,1,0,1,0,1"}
            << QList<long long>{2, 1, 1, 4};
        QTest::newRow("an empty file gets the header")
            << QByteArray() << "00000001@0"
            << "+Staff 1" << QStringList{"Staff 1,00000001,1,0,1,0,1"} << QList<long long>{1, 0, 0, 1};
    }
    void enrol() {
        QFETCH(QByteArray, before);
        QFETCH(QString, readings);
        QTemporaryDir folder;
        const QString path = folder.filePath("cards.csv");
        if (!before.isEmpty())
            Write(path, before);
        {
            std::unique_ptr<Enrolment> enrolment;
            const Failure failure = Enrolment::Open(path.toStdString(), "Staff ", enrolment);
            QVERIFY2(failure.ok() && enrolment, Say(failure.why).c_str());
            QTEST(Feed(*enrolment, readings), "told");
            const EnrolStatus& status = enrolment->status();
            QTEST((QList<long long>{status.added, status.repeats, status.collisions, status.listed}), "status");
        }
        QTEST(Rows(path), "rows");
    }

    // Refused before anything is polled: NotSaved when the list cannot be written, Usage when the file is no card
    // list; in words that name the list and what is wrong, worded in the language of the moment they are shown.
    void refused_data() {
        QTest::addColumn<QString>("name"); // in the test's folder
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("says");
        const int notSaved = int(Code::NotSaved);
        const int usage = int(Code::Usage);
        QTest::newRow("a folder") << "sub" << QByteArray() << notSaved << "cannot write the card list %1: is a folder";
        QTest::newRow("no such folder") << "none/cards.csv" << QByteArray() << notSaved
                                        << "cannot write the card list %1";
        QTest::newRow("a record, not a card list")
            << "site.csv" << QByteArray("door,time,port\r\n") << usage << "the card list %1, line 1: not a card list";
        QTest::newRow("a row that is not a card")
            << "cards.csv" << QByteArray(Header) + "t,A,004D7603,1,2,3,4,5\r\nt,B,4D7603,1,2,3,4,5\r\n"
            << usage << "the card list %1, line 3: '4D7603' is not eight hexadecimal digits";
        QTest::newRow("a row short of columns") << "cards.csv" << QByteArray(Header) + "t,A,004D7603\r\n"
                                                << usage << "the card list %1, line 2: not a card list";
        QTest::newRow("not UTF-8") << "cards.csv" << QByteArray(Header) + "t,\xE9t\xE9,004D7603,1,2,3,4,5\r\n"
                                   << usage << "the card list %1, line 2: not UTF-8 text";
        QTest::newRow("a quote left open") << "cards.csv" << QByteArray(Header) + "t,\"A,004D7603,1,2,3,4,5\r\n"
                                           << usage << "the card list %1, line 2: a quote is not closed";
#ifndef _WIN32
        QTest::newRow("a full disk") << "/dev/full" << QByteArray() << notSaved << "cannot write the card list %1";
#endif
    }
    void refused() {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QTemporaryDir folder;
        QVERIFY(QDir(folder.path()).mkdir("sub"));
        const QString path = name.startsWith('/') ? name : folder.filePath(name);
        if (!content.isEmpty())
            Write(path, content);
        std::unique_ptr<Enrolment> enrolment;
        const Failure failure = Enrolment::Open(path.toStdString(), "Card ", enrolment);
        QVERIFY(!enrolment);
        QTEST(int(failure.code), "code");
        const std::string error = Say(failure.why);
        QFETCH(QString, says);
        QVERIFY2(QString::fromStdString(error).startsWith(says.arg(path)), error.c_str());
        localisation::SelectLanguage(localisation::LanguageTraditional);
        const std::string shownLater = Say(failure.why);
        localisation::SelectLanguage(localisation::LanguageEnglish);
        QVERIFY2(QString::fromStdString(shownLater).contains(QString::fromUtf8("卡片清單")), shownLater.c_str());
        if (!content.isEmpty()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), content); // untouched
        }
    }

#ifndef _WIN32
    // The disk fills in the middle of a row: the card is not listed, the row is taken back so that the list stays
    // CSV, and the reason is the disk's. With room again the card goes in whole after the others. The size limit
    // stands in for a full disk.
    void fullDisk_data() {
        QTest::addColumn<int>("room"); // bytes the disk still takes after the first row
        QTest::newRow("none of the row") << 0;
        QTest::newRow("half the row") << 36;
        QTest::newRow("all but its line end") << 72; // of 73: the time is 25 bytes long
    }
    void fullDisk() {
        QFETCH(int, room);
        QTemporaryDir folder;
        const QString path = folder.filePath("cards.csv");
        std::unique_ptr<Enrolment> enrolment;
        QVERIFY(Enrolment::Open(path.toStdString(), "Staff ", enrolment).ok());
        QCOMPARE(Feed(*enrolment, "004D7603@0"), "+Staff 1");
        const QByteArray before = Content(path);
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit small{rlim_t(before.size() + room), saved.rlim_max};
        setrlimit(RLIMIT_FSIZE, &small);
        const QString told = Feed(*enrolment, "499602D2@1000");
        setrlimit(RLIMIT_FSIZE, &saved);
        QCOMPARE(told, "!Staff 2");
        QCOMPARE(Content(path), before);
        QCOMPARE(QString::fromStdString(enrolment->error()),
                 "cannot write the card list " + path + ": the file is too large");
        QCOMPARE(enrolment->status().listed, 1);
        QCOMPARE(Feed(*enrolment, "499602D2@2000"), "+Staff 2");
        QVERIFY(Content(path).startsWith(before));
        QCOMPARE(Rows(path), (QStringList{"Staff 1,004D7603,5076483,77,30211,77,30211",
                                          "Staff 2,499602D2,1234567890,150,722,18838,722"}));
    }
#endif

    // Another program changes the list between two cards. The enrolment goes on in the file at the path when
    // that holds every row so far (a spreadsheet's save writes a new file, ends its lines otherwise and renames
    // it over the old one); else the card is not listed, nothing is written, and it says what happened.
    void changedUnderTheRun_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("says"); // empty: the card goes in
        QTest::newRow("saved by a spreadsheet") << "rename same" << QString();
        QTest::newRow("replaced without the rows") << "rename first"
                                                   << "cards.csv was replaced by another program";
        QTest::newRow("moved away") << "move"
                                    << "cards.csv was removed by another program";
        QTest::newRow("cut back in place") << "truncate"
                                           << "cards.csv was shortened by another program";
    }
    void changedUnderTheRun() {
        QFETCH(QString, change);
        QFETCH(QString, says);
        QTemporaryDir folder;
        const QString path = folder.filePath("cards.csv");
        std::unique_ptr<Enrolment> enrolment;
        QVERIFY(Enrolment::Open(path.toStdString(), "Staff ", enrolment).ok());
        QCOMPARE(Feed(*enrolment, "004D7603@0 499602D2@1000"), "+Staff 1 +Staff 2");
        QList<QByteArray> lines = Content(path).split('\n');
        lines.removeLast();
        for (QByteArray& line : lines)
            line.chop(1);
        if (change.startsWith("rename")) {
            if (change.endsWith("first"))
                lines.removeLast();
            Write(path + ".new", lines.join('\n') + '\n');
            QVERIFY(QFile::remove(path) && QFile::rename(path + ".new", path));
        } else if (change == "move") {
            QVERIFY(QFile::rename(path, path + ".old"));
        } else {
            QVERIFY(QFile::resize(path, lines[0].size() + 2));
        }
        const QByteArray before = Content(path);
        const QString told = Feed(*enrolment, "00000001@2000");
        if (says.isEmpty()) {
            QCOMPARE(told, "+Staff 3");
            QVERIFY(Content(path).startsWith(before));
            QCOMPARE(Rows(path).size(), 3);
        } else {
            QCOMPARE(told, "!Staff 3");
            QCOMPARE(QString::fromStdString(enrolment->error()), folder.path() + "/" + says);
            QCOMPARE(Content(path), before);
            QCOMPARE(enrolment->status().listed, 2);
        }
    }
};

QTEST_APPLESS_MAIN(TestEnrolment)
#include "tst_enrolment.moc"
