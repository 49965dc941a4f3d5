// readerctl at the door, over the reader model in virtual time: monitor's views and --expect, and enrol's card
// list, with cards presented, held on the reader and taken away poll by poll.

#include "ctl_fixture.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#endif

namespace {

/// The reader reports, at each "H00F", the next card of `polls` ("-" nothing; "-*7" seven polls of nothing); once
/// they are all answered, Ctrl-C. Polls are about 100 ms apart, more after a beep.
void Present(Ctl& c, const QString& polls) {
    auto cards = std::make_shared<QStringList>();
    for (const QString& token : polls.split(' ', Qt::SkipEmptyParts)) {
        const int times = token.contains('*') ? token.section('*', 1).toInt() : 1;
        for (int i = 0; i < times; ++i)
            *cards << token.section('*', 0, 0);
    }
    c.remember(3, 5, "19200,e,8,1");
    const auto show = [&c, cards](int poll) {
        const QString card = poll < cards->size() ? cards->at(poll) : "-";
        c.reader.holdCard(card == "-" ? std::string() : card.toStdString());
    };
    show(0);
    auto answered = std::make_shared<int>(0);
    c.system.onFrame = [show, answered](const platform::VirtualSystem::FrameRecord& frame) {
        if (frame.command == "H00F")
            show(++*answered);
    };
    c.interrupted = [cards, answered] { return *answered >= cards->size(); };
}

QString Beeps(const Ctl& c) {
    QStringList tones;
    for (const auto& beep : c.system.beeps())
        tones << QString::number(beep.frequencyHz);
    return tones.join(' ');
}

QStringList Rows(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList rows = QString::fromUtf8(file.readAll()).split("\r\n", Qt::SkipEmptyParts);
    for (QString& row : rows)
        row = row.section(',', 1); // without the time
    return rows;
}

} // namespace

Q_DECLARE_METATYPE(Setup)

class TestReaderctlCards : public QObject {
    Q_OBJECT

private slots:
    // --expect judges each card once as it is presented, under the view it matches, and beeps high for a match and
    // low otherwise; a held card is shown at every poll as the monitor always did.
    void expect_data() {
        QTest::addColumn<QString>("polls");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("beeps");
        QTest::newRow("D0 and D1 swapped, held, then the right card, then another")
            << "00B289FC 00B289FC -*7 004D7603 -*7 12345678"
            << "monitor --expect 077:30211"
            << "Card ID : 0011700732  00B289FC(H)  W26 178:35324\n"
               "  matches W26 077:30211 with D0/D1 swapped\n"
               "Card ID : 0011700732  00B289FC(H)  W26 178:35324\n"
               "Card ID : 0005076483  004D7603(H)  W26 077:30211\n"
               "  matches W26 077:30211\n"
               "Card ID : 0305419896  12345678(H)  W26 052:22136\n"
               "  does not match 077:30211\n"
            << "1000 1000 300";
        QTest::newRow("a decimal expected, the bytes reversed") << "03764D00"
                                                                << "monitor --expect 5076483"
                                                                << "Card ID : 0058084608  03764D00(H)  W26 118:19712\n"
                                                                   "  matches 5076483 with the bytes reversed\n"
                                                                << "1000";
        QTest::newRow("every view")
            << "004D7603"
            << "monitor -v"
            << "Card ID : 0005076483  004D7603(H)  W26 077:30211\n"
               "  W26 077:30211, parity right 1/1, 10100110101110110000000111, as one number 5076483\n"
               "  W34 00077:30211, parity right 0/0, 0000000000100110101110110000000110, as one number 0005076483\n"
               "  bytes reversed: 03764D00 0058084608\n"
               "  D0/D1 swapped: W26 178:35324, W34 65458:35324, parity wrong\n"
            << "";
    }
    void expect() {
        QFETCH(QString, polls);
        QFETCH(QString, line);
        Ctl ctl;
        Present(ctl, polls);
        QCOMPARE(ctl.run(line), 0);
        QTEST(ctl.output(), "out");
        QTEST(Beeps(ctl), "beeps");
    }

    // The verdict as JSON, beside the views.
    void expectJson() {
        Ctl ctl;
        Present(ctl, "00B289FC");
        QCOMPARE(ctl.run("--json monitor --expect 77:30211"), 0);
        const QJsonObject card = ctl.json();
        QCOMPARE(card.value("w26_swapped").toObject().value("facility").toInt(), 77);
        QCOMPARE(card.value("expect").toObject(),
                 QJsonObject(
                     {{"card", "77:30211"}, {"match", true}, {"view", "w26"}, {"reversed", false}, {"swapped", true}}));
    }

    // A card held on the reader counts once, one presented again is said and not added, two that share their
    // W26 number are flagged; an existing list is continued with its cards known. Ctrl-C ends with the summary.
    void enrol_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("polls");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("beeps");
        const QString header = "name,hex,decimal,w26_facility,w26_number,w34_facility,w34_number";
        QTest::newRow("held, again, a W26 collision")
            << QByteArray() << "004D7603*4 -*7 499602D2 -*7 004D7603*2 -*7 014D7603"
            << "Present the cards one after another; Ctrl-C ends. New cards go to %1\n"
               "New card Staff_1: 004D7603 0005076483 W26 077:30211 W34 00077:30211\n"
               "New card Staff_2: 499602D2 1234567890 W26 150:00722 W34 18838:00722\n"
               "Presented again: Staff_1 (004D7603), not added\n"
               "New card Staff_3: 014D7603 0021853699 W26 077:30211 W34 00333:30211\n"
               "  Staff_3 has the W26 number 077:30211 of Staff_1: a controller reading 26 bits cannot tell them "
               "apart\n"
               "3 new cards, 1 presented again, 1 sharing a W26 number; 3 cards in %1\n"
            << QStringList{header, "Staff_1,004D7603,5076483,77,30211,77,30211",
                           "Staff_2,499602D2,1234567890,150,722,18838,722",
                           "Staff_3,014D7603,21853699,77,30211,333,30211"}
            << "1000 1000 300 1000";
        QTest::newRow("continued") << QByteArray(
                                          "time,name,hex,decimal,w26_facility,w26_number,w34_facility,w34_number\r\n"
                                          "2026-12-09T10:00:00+00:00,Staff 1,004D7603,5076483,77,30211,77,30211\r\n")
                                   << "004D7603*3 -*7 12345678"
                                   << "1 cards known from %1\n"
                                      "Present the cards one after another; Ctrl-C ends. New cards go to %1\n"
                                      "Presented again: Staff 1 (004D7603), not added\n"
                                      "New card Staff_2: 12345678 0305419896 W26 052:22136 W34 04660:22136\n"
                                      "1 new cards, 1 presented again, 0 sharing a W26 number; 2 cards in %1\n"
                                   << QStringList{header, "Staff 1,004D7603,5076483,77,30211,77,30211",
                                                  "Staff_2,12345678,305419896,52,22136,4660,22136"}
                                   << "300 1000";
    }
    void enrol() {
        QFETCH(QByteArray, before);
        QFETCH(QString, polls);
        QTemporaryDir folder;
        const QString path = folder.filePath("cards.csv");
        if (!before.isEmpty()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(before);
        }
        Ctl ctl;
        Present(ctl, polls);
        QCOMPARE(ctl.run("enrol --name Staff_ --out " + path), 0);
        QFETCH(QString, out);
        QCOMPARE(ctl.output(), out.arg(path));
        QTEST(Rows(path), "rows");
        QTEST(Beeps(ctl), "beeps");
    }

    // The list is refused before the reader is looked for; a row that cannot be written ends the run.
    void enrolRefused() {
        Ctl ctl;
        Present(ctl, "004D7603");
        QTemporaryDir folder;
        QCOMPARE(ctl.run("--json enrol --out " + folder.path()), 2);
        QCOMPARE(ctl.json().value("code").toString(), "usage");
        QVERIFY(ctl.system.opens().empty());
    }

#ifndef _WIN32
    // A disk that fills after the first card: the second is not listed, the run ends at once with not-saved and
    // its summary.
    void enrolNotSaved() {
        QTemporaryDir folder;
        const QString path = folder.filePath("cards.csv");
        Ctl ctl;
        Present(ctl, "004D7603 -*7 499602D2 -*7 12345678");
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        const rlimit small{160, limit.rlim_max};
        signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &small);
        const int status = ctl.run("--json enrol --out " + path);
        setrlimit(RLIMIT_FSIZE, &limit);
        QCOMPARE(status, 1);
        QCOMPARE(ctl.json().value("code").toString(), "not-saved");
        QVERIFY(ctl.output().contains(R"("added":1,"repeats":0,"collisions":0,"listed":1)"));
        // The first card's row is whole; what the disk took of the second is taken back, as with the record.
        QCOMPARE(Rows(path).mid(1), QStringList{"Card 1,004D7603,5076483,77,30211,77,30211"});
        QCOMPARE(ctl.system.commands().size(), std::size_t(9)); // no poll after the second card
    }
#endif
};

QTEST_APPLESS_MAIN(TestReaderctlCards)
#include "tst_readerctl_cards.moc"
