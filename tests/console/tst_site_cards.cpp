// The site window's Cards mode over the reader model in virtual time: the table of cards, the count, the tones and
// the words, as readerctl enrol keeps them, in the three languages.

#include "site_fixture.h"

#include "console/fonts.h"
#include "console/site_cards.h"

namespace {

/// At each "H00F" the reader reports the next of `polls` ("-" nothing, "-*7" seven polls of nothing); once all are
/// answered, Stop is clicked.
void Present(SiteFixture& f, sim::ReaderModel& model, const QString& polls) {
    auto cards = std::make_shared<QStringList>();
    for (const QString& token : polls.split(' ', Qt::SkipEmptyParts)) {
        for (int i = 0; i < (token.contains('*') ? token.section('*', 1).toInt() : 1); ++i)
            *cards << token.section('*', 0, 0);
    }
    const auto show = [&model, cards](int poll) {
        const QString card = poll < cards->size() ? cards->at(poll) : "-";
        model.holdCard(card == "-" ? std::string() : card.toStdString());
    };
    show(0);
    f.system.onFrame = [&f, show, cards, answered = 0](const platform::VirtualSystem::FrameRecord& frame) mutable {
        if (frame.command != "H00F")
            return;
        show(++answered);
        if (answered >= cards->size())
            f.find<console::CardsPanel>("cards")->btnCardsStopClick();
    };
}

QStringList Cards(const SiteFixture& f) {
    QStringList rows;
    const QTableWidget* table = f.find<QTableWidget>("tblCards");
    for (int row = 0; row < table->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < console::CardsPanel::ColumnCount; ++column)
            cells << table->item(row, column)->text();
        rows << cells.join(' ');
    }
    return rows;
}

QString Beeps(const SiteFixture& f) {
    QStringList tones;
    for (const auto& beep : f.system.beeps())
        tones << QString::number(beep.frequencyHz);
    return tones.join(' ');
}

} // namespace

class TestSiteCards : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { console::InstallFontSubstitutions(); }
    void cleanup() { localisation::SelectLanguage(localisation::LanguageEnglish); }

    // A held card once, a repeat not added, a W26 collision flagged; a list that exists is continued.
    void enrol_data() {
        QTest::addColumn<int>("language");
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("count");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("beeps");
        QTest::newRow("English") << int(localisation::LanguageEnglish) << QByteArray()
                                 << QStringList{"Card 1 004D7603 5076483 077:30211 00077:30211",
                                                "Card 2 499602D2 1234567890 150:00722 18838:00722",
                                                "Card 3 014D7603 21853699 077:30211 00333:30211"}
                                 << "3 cards"
                                 << "3 new cards, 1 presented again, 1 sharing a W26 number; 3 cards in %1"
                                 << "1000 1000 300 1000";
        QTest::newRow("Simplified, continued")
            << int(localisation::LanguageSimplified)
            << QByteArray("time,name,hex,decimal,w26_facility,w26_number,w34_facility,w34_number\r\n"
                          "2026-12-09T10:00:00+00:00,Hall 1,004D7603,5076483,77,30211,77,30211\r\n")
            << QStringList{"Hall 1 004D7603 5076483 077:30211 00077:30211",
                           "Card 2 499602D2 1234567890 150:00722 18838:00722",
                           "Card 3 014D7603 21853699 077:30211 00333:30211"}
            << "3 张卡片"
            << "新卡片 2 张，重复感应 2 次，W26 号码相同 1 张；%1 共有 3 张卡片"
            << "300 1000 300 1000";
    }
    void enrol() {
        QFETCH(int, language);
        QFETCH(QByteArray, before);
        SiteFixture f;
        f.store.keyExists = true;
        f.store.values["ScanCommNo"] = SiteFixture::Port;
        f.store.values["ScanBaudRateNo"] = 5;
        f.store.values["ScanBaudRate"] = std::string("19200,e,8,1");
        const QString list = before.isEmpty() ? f.folder.filePath("cards.csv") : f.file("cards.csv", before);
        f.open();
        if (language == localisation::LanguageSimplified)
            f.click("btnGB");
        // The fixture's readers that come and go are not used here: one reader stays on COM3.
        f.system.onSleep = {};
        f.system.onBeep = {};
        sim::ReaderModel model;
        platform::VirtualSystem::PortConfig port;
        port.peer = &model;
        f.system.setPort(SiteFixture::Port, port);
        Present(f, model, "004D7603*3 -*7 499602D2 -*7 004D7603 -*7 014D7603");
        f.click("btnCards");
        QVERIFY(f.find<console::CardsPanel>("cards")->isVisible());
        QCOMPARE(f.find<QPushButton>("btnCards")->text(),
                 language == localisation::LanguageSimplified ? QString("卡片") : QString("Cards"));
        QVERIFY(!f.table()->isVisible());
        f.find<QLineEdit>("edCardList")->setText(list);
        f.click("btnCardsStart");
        QTEST(Cards(f), "rows");
        QTEST(f.find<QLabel>("pnCardCount")->text(), "count");
        QFETCH(QString, status);
        QCOMPARE(f.find<QLabel>("pnCardStatus")->text(), status.arg(list));
        QTEST(Beeps(f), "beeps");
        // The collision's row is marked.
        QVERIFY(f.find<QTableWidget>("tblCards")->item(2, 0)->background() != QBrush());
    }

    // A list that cannot be written is refused before the reader is looked for, with the low tone.
    void refused() {
        SiteFixture f;
        f.open();
        f.click("btnCards");
        f.find<QLineEdit>("edCardList")->setText(f.folder.path());
        f.click("btnCardsStart");
        QCOMPARE(f.find<QLabel>("pnCardStatus")->text(),
                 QString("cannot write the card list %1: is a folder").arg(QDir::toNativeSeparators(f.folder.path())));
        QCOMPARE(Beeps(f), "300");
        QVERIFY(f.system.frames().empty());
    }
};

QTEST_MAIN(TestSiteCards)
#include "tst_site_cards.moc"
