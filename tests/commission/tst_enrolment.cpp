// Card enrolment as the library keeps it: a card held on the reader counts once, one presented again is told and
// not listed, a card that shares its 26-bit number with one listed is flagged; the list is continued, refused
// before anything when it cannot be, and a row that cannot be written ends the enrolment.

#include "commission/enrolment.h"

#include <QDir>
#include <QFile>
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
    QStringList rows = QString::fromUtf8(file.readAll()).split("\r\n", Qt::SkipEmptyParts);
    rows.removeFirst();
    for (QString& row : rows)
        row = row.section(',', 1);
    return rows;
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
        std::string error;
        {
            const std::unique_ptr<Enrolment> enrolment = Enrolment::Open(path.toStdString(), "Staff ", error);
            QVERIFY2(enrolment, error.c_str());
            QTEST(Feed(*enrolment, readings), "told");
            const EnrolStatus& status = enrolment->status();
            QTEST((QList<long long>{status.added, status.repeats, status.collisions, status.listed}), "status");
        }
        QTEST(Rows(path), "rows");
    }

    // Refused before anything is polled, in words that name the list and what is wrong.
    void refused_data() {
        QTest::addColumn<QString>("name"); // in the test's folder
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("says");
        QTest::newRow("a folder") << "sub" << QByteArray() << "cannot write the card list %1: is a folder";
        QTest::newRow("no such folder") << "none/cards.csv" << QByteArray() << "cannot write the card list %1";
        QTest::newRow("a record, not a card list")
            << "site.csv" << QByteArray("door,time,port\r\n") << "the card list %1, line 1: not a card list";
        QTest::newRow("a row that is not a card")
            << "cards.csv" << QByteArray(Header) + "t,A,004D7603,1,2,3,4,5\r\nt,B,4D7603,1,2,3,4,5\r\n"
            << "the card list %1, line 3: '4D7603' is not eight hexadecimal digits";
        QTest::newRow("a row short of columns") << "cards.csv" << QByteArray(Header) + "t,A,004D7603\r\n"
                                                << "the card list %1, line 2: not a card list";
        QTest::newRow("not UTF-8") << "cards.csv" << QByteArray(Header) + "t,\xE9t\xE9,004D7603,1,2,3,4,5\r\n"
                                   << "the card list %1, line 1: not UTF-8 text";
#ifndef _WIN32
        QTest::newRow("a full disk") << "/dev/full" << QByteArray() << "cannot write the card list %1";
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
        std::string error;
        QVERIFY(!Enrolment::Open(path.toStdString(), "Card ", error));
        QFETCH(QString, says);
        QVERIFY2(QString::fromStdString(error).startsWith(says.arg(path)), error.c_str());
        if (!content.isEmpty()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), content); // untouched
        }
    }

#ifndef _WIN32
    // A disk that fills: the card whose row did not fit is not listed, and the enrolment says so.
    void notSaved() {
        QTemporaryDir folder;
        const QString path = folder.filePath("cards.csv");
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        const rlimit small{160, limit.rlim_max};
        std::signal(SIGXFSZ, SIG_IGN);
        std::string error;
        const std::unique_ptr<Enrolment> enrolment = Enrolment::Open(path.toStdString(), "Staff ", error);
        QVERIFY(enrolment);
        setrlimit(RLIMIT_FSIZE, &small);
        const QString told = Feed(*enrolment, "004D7603@0 499602D2@1000");
        setrlimit(RLIMIT_FSIZE, &limit);
        QCOMPARE(told, "+Staff 1 !Staff 2");
        QCOMPARE(enrolment->status().listed, 1);
        QCOMPARE(Rows(path).first(), "Staff 1,004D7603,5076483,77,30211,77,30211");
    }
#endif
};

QTEST_APPLESS_MAIN(TestEnrolment)
#include "tst_enrolment.moc"
