// Card reading through the real window: the polling loop, what it shows, and the ways it ends.

#include "window_fixture.h"

#include "operations/operations.h"

namespace {

/// The twelve controls that card reading disables.
QList<QWidget*> Locked(WindowControls& ui) {
    return {ui.btnExit, ui.btnParity, ui.btnScan, ui.btnFactoryW26, ui.btnID,   ui.btnBaudRate,
            ui.btnMode, ui.gbDefault, ui.btnEng,  ui.btnGB,         ui.btnBIG5, ui.btnKey};
}

struct Poller {
    WindowFixture& f;
    int polls = 0;
    QStringList shownAtPoll; ///< pnCardID as each poll goes out: the result of the poll before
    int stopAtPoll = -1;     ///< click during this poll's wait for its reply
    int stopInPacingOf = -1; ///< click during the pacing before this poll
    int sleepsSinceFrame = 0;

    explicit Poller(WindowFixture& fixture) : f(fixture) {
        f.system.onFrame = [this](const platform::VirtualSystem::FrameRecord& frame) {
            if (frame.command != "H00F")
                return;
            ++polls;
            sleepsSinceFrame = 0;
            shownAtPoll << f.ui().pnCardID->text();
            if (polls == stopAtPoll)
                click();
        };
        f.system.onSleep = [this](std::uint32_t ms) {
            // Forty 1 ms sleeps after a poll's frame are well inside the 80 of the pacing that follows it.
            if (ms == 1 && ++sleepsSinceFrame == 40 && polls + 1 == stopInPacingOf)
                click();
        };
    }
    ~Poller() {
        f.system.onFrame = {};
        f.system.onSleep = {};
    }
    void click() { QTest::mouseClick(f.ui().btnReadCard, Qt::LeftButton); }
};

} // namespace

class TestCardReading : public QObject {
    Q_OBJECT

private slots:
    void refusedBeforeScan() {
        WindowFixture f;
        f.readerOn(1);
        f.open();
        f.window->PaintComm(LampYellow);
        f.window->btnReadCardClick();
        QCOMPARE(f.ui().pnMsg->text(), Q("Start Scan Reader!"));
        QCOMPARE(f.lastBeepHz(), FailureBeepHz);
        QCOMPARE(f.comm(), LampYellow);
        QVERIFY(f.system.opens().empty());
        QVERIFY(!f.state().CardReadActive);
        QCOMPARE(f.ui().btnReadCard->text(), Q("Read Card (Change to RS485 Mode)"));
    }

    void showsCardsAndKeys_data() {
        QTest::addColumn<QStringList>("presented");
        QTest::addColumn<QString>("shown");
        QTest::newRow("card") << QStringList{"C499602D2"} << Q("Card ID : 1234567890  499602D2(H)");
        QTest::newRow("small card") << QStringList{"C0000001A"} << Q("Card ID : 0000000026  0000001A(H)");
        QTest::newRow("card at 80000000") << QStringList{"C80000000"} << Q("Card ID : 2147483648  80000000(H)");
        QTest::newRow("card FFFFFFFF") << QStringList{"CFFFFFFFF"} << Q("Card ID : 4294967295  FFFFFFFF(H)");
        QTest::newRow("lower-case digits as received")
            << QStringList{"C1a2b3c4d"} << Q("Card ID : 0270544960  1a2b3c4d(H)");
        QTest::newRow("keypad entry") << QStringList{"K1234#"} << Q("KEY : 1234#");
        QTest::newRow("10-byte keypad reply keeps the panel")
            << QStringList{"C00000002", "K"} << Q("Card ID : 0000000002  00000002(H)");
    }
    void showsCardsAndKeys() {
        QFETCH(QStringList, presented);
        QFETCH(QString, shown);
        WindowFixture f;
        QVERIFY(f.scanned());
        for (const QString& item : presented) {
            if (item.startsWith('K'))
                f.reader.presentKeys(item.mid(1).toStdString());
            else
                f.reader.presentCard(item.mid(1).toStdString());
        }
        Poller poller(f);
        poller.stopAtPoll = static_cast<int>(presented.size()) + 1;
        f.window->btnReadCardClick();
        QCOMPARE(poller.shownAtPoll.last(), shown);
        QVERIFY(f.window->tmrCard->isActive()); // lit by the last reply of ten bytes or more
    }

    void stopDuringPacingStillSendsThatPoll() {
        WindowFixture f;
        QVERIFY(f.scanned());
        f.ui().pnMsg->setText(Q("last words"));
        f.reader.holdCard("0000ABCD");
        Poller poller(f);
        poller.stopInPacingOf = 3;
        bool lockedWhilePolling = true;
        bool blinking = true;
        f.system.onFrame = [&, inner = f.system.onFrame](const platform::VirtualSystem::FrameRecord& frame) {
            inner(frame);
            for (QWidget* control : Locked(f.ui()))
                lockedWhilePolling = lockedWhilePolling && !control->isEnabled();
            blinking = blinking && f.window->tmrBusy->isActive() && f.window->inputEnabled();
        };
        f.window->btnReadCardClick();

        QCOMPARE(poller.polls, 3);
        QVERIFY(lockedWhilePolling);
        QVERIFY(blinking);
        QCOMPARE(poller.shownAtPoll.last(), Q("Card ID : 0000043981  0000ABCD(H)"));
        QCOMPARE(f.comm(), LampYellow);
        QCOMPARE(f.lastBeepHz(), SuccessBeepHz);
        QCOMPARE(f.ui().pnMsg->text(), Q("last words"));
        QCOMPARE(f.ui().shCard->brushColor(), LampWhite);
        QCOMPARE(f.ui().pnCardID->text(), Q("Card ID"));
        QCOMPARE(f.ui().btnReadCard->text(), Q("Read Card (Change to RS485 Mode)"));
        for (QWidget* control : Locked(f.ui()))
            QVERIFY2(control->isEnabled(), qPrintable(control->objectName()));
        QVERIFY(!f.state().CardReadActive);
        QVERIFY(!f.window->tmrBusy->isActive());
        QCOMPARE(f.system.openCount(), 0);
    }

    void pollsArePacedBy80Milliseconds() {
        WindowFixture f;
        QVERIFY(f.scanned());
        Poller poller(f);
        poller.stopAtPoll = 5;
        f.window->btnReadCardClick();
        std::vector<std::uint64_t> at;
        for (const auto& frame : f.system.frames())
            if (frame.command == "H00F")
                at.push_back(frame.atUs);
        QCOMPARE(at.size(), std::size_t{5});
        for (std::size_t i = 1; i < at.size(); ++i) {
            const auto period = at[i] - at[i - 1];
            // 80 ms of pacing, 9 ms of writing, and the empty 8-byte reply at 19200 baud.
            QVERIFY2(period >= 89000 && period < 110000, qPrintable(QString::number(period)));
        }
    }

    void cardLampTimerIsNotRestartedByLaterReplies() {
        WindowFixture f;
        QVERIFY(f.scanned());
        f.reader.holdCard("00000001");
        Poller poller(f);
        poller.stopAtPoll = 4;
        std::vector<int> timerIds;
        f.system.onFrame = [&, inner = f.system.onFrame](const platform::VirtualSystem::FrameRecord& frame) {
            if (frame.command == "H00F" && f.window->tmrCard->isActive())
                timerIds.push_back(f.window->tmrCard->timerId());
            inner(frame);
        };
        f.window->btnReadCardClick();
        QCOMPARE(timerIds.size(), std::size_t{3});
        QCOMPARE(timerIds[1], timerIds[0]);
        QCOMPARE(timerIds[2], timerIds[0]);
        f.window->tmrCardTimer();
        QVERIFY(!f.window->tmrCard->isActive());
        QCOMPARE(f.ui().shCard->brushColor(), LampWhite);
    }

    void stopClickThenFailedPollIsAStop() {
        WindowFixture f;
        QVERIFY(f.scanned());
        f.reader.faults.stopAfterPolls = 1;
        Poller poller(f);
        poller.stopInPacingOf = 2;
        f.window->btnReadCardClick();
        QCOMPARE(poller.polls, 2);
        QCOMPARE(f.comm(), LampYellow);
        QCOMPARE(f.lastBeepHz(), SuccessBeepHz);
        QVERIFY(f.ui().pnMsg->text() != Q("Reader Not Find"));
    }

    void readerStopsAnswering() {
        WindowFixture f;
        QVERIFY(f.scanned());
        f.reader.faults.stopAfterPolls = 3;
        Poller poller(f);
        f.window->btnReadCardClick();
        QCOMPARE(poller.polls, 4);
        QCOMPARE(f.ui().pnMsg->text(), Q("Reader Not Find"));
        QCOMPARE(f.comm(), LampRed);
        QCOMPARE(f.lastBeepHz(), FailureBeepHz);
        QVERIFY(!f.state().CardReadActive);
        QCOMPARE(f.system.openCount(), 0);
        QCOMPARE(f.ui().btnReadCard->text(), Q("Read Card (Change to RS485 Mode)"));
    }

    // The adapter pulled out: card reading ends with its failure signal at the first read that finds the device
    // gone, not at a reply time-out.
    void adapterVanishesWhilePolling_data() {
        QTest::addColumn<bool>("inPacing");
        QTest::addColumn<int>("withinMs");
        QTest::newRow("while a reply is awaited") << false << 1;
        // The pacing reads nothing: the next poll finds the device gone, after the pacing left and its writes.
        QTest::newRow("in the pacing") << true << 40 + 9 + 1;
    }
    void adapterVanishesWhilePolling() {
        QFETCH(bool, inPacing);
        QFETCH(int, withinMs);
        WindowFixture f;
        QVERIFY(f.scanned());
        Poller poller(f);
        std::uint64_t goneAtUs = 0;
        const auto pull = [&] {
            if (!goneAtUs) {
                goneAtUs = f.system.nowUs();
                f.system.vanish(1);
            }
        };
        f.system.onFrame = [&, inner = f.system.onFrame](const platform::VirtualSystem::FrameRecord& frame) {
            inner(frame);
            if (poller.polls == 2 && !inPacing)
                pull();
        };
        f.system.onSleep = [&, inner = f.system.onSleep](std::uint32_t ms) {
            inner(ms);
            if (poller.polls == 2 && poller.sleepsSinceFrame == 40 && inPacing)
                pull();
        };
        QString shown;
        QColor lamp;
        f.system.onBeep = [&](const platform::VirtualSystem::BeepRecord&) {
            shown = f.ui().pnMsg->text();
            lamp = f.comm();
        };
        f.window->btnReadCardClick();
        f.system.onBeep = {};
        QVERIFY(goneAtUs > 0);
        const platform::VirtualSystem::BeepRecord beep = f.system.beeps().back();
        QCOMPARE(beep.frequencyHz, FailureBeepHz);
        QVERIFY2(beep.atUs - goneAtUs <= std::uint64_t(withinMs) * 1000,
                 qPrintable(QString::number(beep.atUs - goneAtUs)));
        QCOMPARE(shown, Q("Reader Not Find"));
        QCOMPARE(lamp, LampRed);
        QVERIFY(!f.state().CardReadActive);
        QVERIFY(f.window->inputEnabled());
        QCOMPARE(f.system.openCount(), 0);
    }

    void portThatCannotBeOpened() {
        WindowFixture f;
        f.remember(3, 5, "19200,e,8,1");
        QVERIFY(f.scanned(3));
        platform::VirtualSystem::PortConfig held;
        held.heldByOther = true;
        held.peer = &f.reader;
        f.system.setPort(3, held);
        f.window->btnReadCardClick();
        QCOMPARE(f.ui().pnMsg->text(), Q("Open COM : 3 Error"));
        QCOMPARE(f.comm(), LampRed);
        QCOMPARE(f.lastBeepHz(), FailureBeepHz);
        QVERIFY(!f.state().CardReadActive);
        QCOMPARE(f.ui().btnReadCard->text(), Q("Read Card (Change to RS485 Mode)"));
        for (QWidget* control : Locked(f.ui()))
            QVERIFY(control->isEnabled());

        f.readerOn(3);
        Poller poller(f);
        poller.stopAtPoll = 1;
        f.window->btnReadCardClick();
        QCOMPARE(poller.polls, 1);
        QCOMPARE(f.comm(), LampYellow);
    }

    void parityButtonKeepsItsState_data() {
        QTest::addColumn<bool>("parity");
        QTest::newRow("reader with keycode parity") << true;
        QTest::newRow("reader without") << false;
    }
    void parityButtonKeepsItsState() {
        QFETCH(bool, parity);
        WindowFixture f;
        f.reader.state.paritySupported = parity;
        QVERIFY(f.scanned());
        Poller poller(f);
        poller.stopAtPoll = 1;
        f.window->btnReadCardClick();
        QCOMPARE(f.ui().btnParity->isEnabled(), parity);
    }

    void captionInTheCurrentLanguage() {
        WindowFixture f;
        QVERIFY(f.scanned());
        f.window->btnGBClick();
        QString during;
        Poller poller(f);
        poller.stopAtPoll = 1;
        f.system.onFrame = [&, inner = f.system.onFrame](const platform::VirtualSystem::FrameRecord& frame) {
            during = f.ui().btnReadCard->text();
            inner(frame);
        };
        f.window->btnReadCardClick();
        QCOMPARE(during, Q("取消读卡"));
        QCOMPARE(f.ui().btnReadCard->text(), Q("读取卡片(自动设定为RS485模式)"));
        QCOMPARE(f.ui().pnCardID->text(), Q("卡片ID"));
    }
};

QTEST_MAIN(TestCardReading)
#include "tst_card_reading.moc"
