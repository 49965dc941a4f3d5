// Each operation step by step: the messages, panels, lists and lamps the window shows, the opens, frames,
// pauses and beeps, in the order they happen, compared with the whole expected sequence. The windows start
// away from what the operations should show, so that a step left out cannot pass unnoticed.

#include "recorder.h"

#include <functional>

namespace {

using Setup = std::function<void(WindowFixture&)>;
using Click = void (TfrmModule::*)();
using Clicks = QList<Click>;

/// Clicks btnReadCard through the queue while the pacing before poll `poll` runs, so that the click lands
/// only if the pacing serves the window's messages.
void StopDuringPacingOf(WindowFixture& f, int poll) {
    f.system.onFrame = [&f, poll, polls = 0](const platform::VirtualSystem::FrameRecord& frame) mutable {
        if (frame.command == "H00F" && ++polls == poll - 1)
            f.system.onSleep = [&f, sleeps = 0](std::uint32_t ms) mutable {
                if (ms == 1 && ++sleeps == 40)
                    QMetaObject::invokeMethod(f.ui().btnReadCard, &QAbstractButton::click, Qt::QueuedConnection);
            };
    };
}

} // namespace

Q_DECLARE_METATYPE(Setup)
Q_DECLARE_METATYPE(Clicks)

class TestSequences : public QObject {
    Q_OBJECT

private slots:
    void operation_data() {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<Clicks>("clicks");
        QTest::addColumn<QStringList>("expected");

        QTest::newRow("scan at first start: found by the search on COM3, stale panels reset")
            << Setup([](WindowFixture& f) {
                   f.silentPort(1);
                   platform::VirtualSystem::PortConfig held;
                   held.heldByOther = true;
                   f.system.setPort(2, held);
                   f.readerOn(3);
                   f.reader.state.id = "07";
                   f.reader.state.parity = "1";
                   f.reader.state.mode = "112";
                   f.open();
                   f.ui().pnSerial->setText(Q("S/N : 99999999"));
                   f.ui().pnVersion->setText(Q("VER : 99.99-99"));
                   f.ui().pnID->setText(Q("77"));
                   f.ui().pnKey->setText(Q("88"));
               })
            << Clicks{&TfrmModule::btnScanClick} << Steps(R"(
                   state busy
                   blink on
                   pnMsg Scan Reader ....
                   pnSerial S/N : ________
                   pnVersion VER : __.__-__
                   pnID __
                   pnKey __
                   open 1 19200,e,8,1
                   pnMsg Scan COM : #1
                   > H00B
                   > H00B
                   close 1
                   open 2 failed
                   open 3 19200,e,8,1
                   pnMsg Scan COM : #3
                   > H00B
                   store ScanBaudRate 19200,e,8,1
                   store ScanBaudRateNo 5
                   store ScanCommNo 3
                   close 3
                   pnSerial S/N : 20240117
                   pnID 07
                   sbID 7
                   open 3 19200,e,8,1
                   pause 100
                   > H00V
                   pnVersion VER : 03.20-01
                   pause 100
                   > H00L
                   pnKey 04
                   pause 100
                   > H00M
                   lists 5 0 0 1 1 btnParity on
                   pause 100
                   > H00A
                   blink off
                   shComm yellow
                   pnMsg Get Reader Info Ok. (COM : #3)
                   lists 5 1 1 2 1 btnParity on
                   ReaderFound 1
                   close 3
                   beep 1000
                   state idle
               )");

        QTest::newRow("scan: the remembered reader has gone, no reader anywhere") << Setup([](WindowFixture& f) {
            f.remember(2, 7, "38400,e,8,1");
            f.silentPort(1);
            f.silentPort(2);
            f.open();
            f.ui().cmbBaudRate->setCurrentIndex(0);
        }) << Clicks{&TfrmModule::btnScanClick} << Steps(R"(
                   state busy
                   blink on
                   pnMsg Scan Reader ....
                   lists 7 0 0 1 -1 btnParity on
                   open 2 38400,e,8,1
                   pnMsg Scan COM : #2
                   > H00B
                   > H00B
                   > H00B
                   close 2
                   open 1 38400,e,8,1
                   pnMsg Scan COM : #1
                   > H00B
                   > H00B
                   close 1
                   open 2 38400,e,8,1
                   pnMsg Scan COM : #2
                   > H00B
                   > H00B
                   close 2
                   open 3..16 failed
                   blink off
                   shComm red
                   pnMsg Reader Not Find
                   lists 5 0 0 1 -1 btnParity on
                   beep 300
                   state idle
               )");

        QTest::newRow("scan: the remembered reader reports a mode with a letter, the good fields stay shown")
            << Setup([](WindowFixture& f) {
                   f.remember(1, 5, "19200,e,8,1");
                   QVERIFY(f.scanned());
                   f.reader.state.version = "03.21-00";
                   f.reader.state.keyCount = "07";
                   f.reader.state.mode = "A01";
               })
            << Clicks{&TfrmModule::btnScanClick} << Steps(R"(
                   state busy
                   blink on
                   pnMsg Scan Reader ....
                   pnSerial S/N : ________
                   pnVersion VER : __.__-__
                   pnID __
                   pnKey __
                   ReaderFound 0
                   open 1 19200,e,8,1
                   pnMsg Scan COM : #1
                   > H00B
                   close 1
                   pnSerial S/N : 20240117
                   pnID 01
                   open 1 19200,e,8,1
                   pause 100
                   > H00V
                   pnVersion VER : 03.21-00
                   pause 100
                   > H00L
                   pnKey 07
                   pause 100
                   > H00M
                   pause 100
                   > H00A
                   lists 5 -1 0 1 0 btnParity on
                   close 1
                   blink off
                   shComm red
                   pnMsg Get Reader Info Error. (COM : #1)
                   beep 300
                   state idle
               )");

        QTest::newRow("the factory default writes 01 into pnID under a reader's 00") << Setup([](WindowFixture& f) {
            f.reader.state.id = "00";
            QVERIFY(f.scanned());
        }) << Clicks{&TfrmModule::btnFactoryW26Click} << Steps(R"(
                   state busy
                   pnMsg Set Default Wiegand 26
                   pnID 01
                   open 1 19200,e,8,1
                   pause 100
                   > H00B
                   pause 100
                   > H00C2024011701
                   pause 100
                   > H00A001
                   pause 100
                   > H00L04
                   pause 100
                   > H00M0
                   pause 100
                   > H00E5
                   close 1
                   shComm yellow
                   pnMsg Set Default Wiegand 26 Ok
                   beep 1000
                   state idle
               )");

        QTest::newRow("a reader with ID 00 is given the ID chosen on sbID") << Setup([](WindowFixture& f) {
            f.reader.state.id = "00";
            QVERIFY(f.scanned());
            f.ui().sbID->setValue(5);
        }) << Clicks{&TfrmModule::btnIDClick} << Steps(R"(
                   state busy
                   pnMsg Set Reader ID = 05
                   open 1 19200,e,8,1
                   pause 100
                   > H00B
                   pause 100
                   > H00C2024011705
                   close 1
                   shComm yellow
                   pnMsg Set Reader ID Ok
                   beep 1000
                   state idle
               )");

        QTest::newRow("key count refused before a scan") << Setup([](WindowFixture& f) {
            f.readerOn(1);
            f.open();
        }) << Clicks{&TfrmModule::btnKeyClick} << Steps(R"(
                   state busy
                   shComm red
                   pnMsg Start Scan Reader!
                   beep 300
                   state idle
               )");

        QTest::newRow("key count: the first set command unanswered, the second answered")
            << Setup([](WindowFixture& f) {
                   QVERIFY(f.scanned());
                   f.ui().sbKey->setValue(6);
                   f.reader.faults.muted['L'] = 1;
               })
            << Clicks{&TfrmModule::btnKeyClick} << Steps(R"(
                   state busy
                   pnMsg Set Reader Key
                   open 1 19200,e,8,1
                   pause 100
                   > H00B
                   pause 100
                   > H00L06
                   pause 100
                   > H00B
                   pause 100
                   > H00L06
                   close 1
                   shComm yellow
                   pnMsg Set Reader Key Ok
                   beep 1000
                   state idle
               )");

        QTest::newRow("factory default from other settings, then the next operation at the default line")
            << Setup([](WindowFixture& f) {
                   f.remember(1, 3, "9600,e,8,1");
                   f.reader.state = {"07", "20240117", "03.20-01", "08", true, "1", "112", 3};
                   QVERIFY(f.scanned());
                   f.ui().sbKey->setValue(9);
               })
            << Clicks{&TfrmModule::btnFactoryW26Click, &TfrmModule::btnKeyClick} << Steps(R"(
                   state busy
                   pnMsg Set Default Wiegand 26
                   pnID 01
                   sbID 1
                   pnKey 04
                   sbKey 4
                   lists 5 0 0 1 0 btnParity on
                   open 1 9600,e,8,1
                   pause 100
                   > H00B
                   pause 100
                   > H00C2024011701
                   pause 100
                   > H00A001
                   pause 100
                   > H00L04
                   pause 100
                   > H00M0
                   pause 100
                   > H00E5
                   close 1
                   shComm yellow
                   pnMsg Set Default Wiegand 26 Ok
                   beep 1000
                   state idle
                   state busy
                   pnMsg Set Reader Key
                   open 1 19200,e,8,1
                   pause 100
                   > H00B
                   pause 100
                   > H00L04
                   close 1
                   pnMsg Set Reader Key Ok
                   beep 1000
                   state idle
               )");

        QTest::newRow("factory default with sbKey at 4 already: pnKey loses the scan's key count")
            << Setup([](WindowFixture& f) {
                   f.reader.state.keyCount = "08";
                   QVERIFY(f.scanned());
               })
            << Clicks{&TfrmModule::btnFactoryW26Click} << Steps(R"(
                   state busy
                   pnMsg Set Default Wiegand 26
                   pnKey 04
                   open 1 19200,e,8,1
                   pause 100
                   > H00B
                   pause 100
                   > H00C2024011701
                   pause 100
                   > H00A001
                   pause 100
                   > H00L04
                   pause 100
                   > H00M0
                   pause 100
                   > H00E5
                   close 1
                   shComm yellow
                   pnMsg Set Default Wiegand 26 Ok
                   beep 1000
                   state idle
               )");

        QTest::newRow("factory default without parity failing at H00E5 keeps the line settings")
            << Setup([](WindowFixture& f) {
                   f.remember(1, 3, "9600,e,8,1");
                   f.reader.state.lineIndex = 3;
                   f.reader.state.paritySupported = false;
                   QVERIFY(f.scanned());
                   f.reader.faults.muted['E'] = -1;
               })
            << Clicks{&TfrmModule::btnFactoryW26Click, &TfrmModule::btnKeyClick} << Steps(R"(
                   state busy
                   pnMsg Set Default Wiegand 26
                   lists 5 0 0 1 1 btnParity off
                   open 1 9600,e,8,1
                   pause 100
                   > H00B
                   pause 100
                   > H00C2024011701
                   pause 100
                   > H00A001
                   pause 100
                   > H00L04
                   pause 100
                   pause 100
                   > H00E5
                   pause 100
                   > H00B
                   pause 100
                   > H00C2024011701
                   pause 100
                   > H00A001
                   pause 100
                   > H00L04
                   pause 100
                   pause 100
                   > H00E5
                   close 1
                   shComm red
                   pnMsg Set Default Wiegand 26 Error
                   beep 300
                   state idle
                   state busy
                   pnMsg Set Reader Key
                   open 1 9600,e,8,1
                   pause 100
                   > H00B
                   pause 100
                   > H00L04
                   close 1
                   shComm yellow
                   pnMsg Set Reader Key Ok
                   beep 1000
                   state idle
               )");

        QTest::newRow("card reading: a card held on the reader, stopped during the pacing of the third poll")
            << Setup([](WindowFixture& f) {
                   QVERIFY(f.scanned());
                   f.reader.holdCard("0000ABCD");
                   StopDuringPacingOf(f, 3);
               })
            << Clicks{&TfrmModule::btnReadCardClick} << Steps(R"(
                   lists 5 0 0 1 0 btnParity off
                   locked
                   btnReadCard Cancel Read Card
                   CardReadActive 1
                   open 1 19200,e,8,1
                   blink on
                   pace 80 served 80
                   > H00F
                   shCard yellow
                   pnCardID Card ID : 0000043981  0000ABCD(H)
                   pace 80 served 80
                   > H00F
                   pace 39 served 39
                   CardReadActive 0
                   pace 41 served 41
                   > H00F
                   blink off
                   shComm yellow
                   beep 1000
                   shCard white
                   close 1
                   lists 5 0 0 1 0 btnParity on
                   unlocked
                   btnReadCard Read Card (Change to RS485 Mode)
                   pnCardID Card ID
               )");

        QTest::newRow("card reading: the reader stops answering at the third poll") << Setup([](WindowFixture& f) {
            QVERIFY(f.scanned());
            f.reader.presentKeys("12#");
            f.reader.faults.stopAfterPolls = 2;
        }) << Clicks{&TfrmModule::btnReadCardClick} << Steps(R"(
                   lists 5 0 0 1 0 btnParity off
                   locked
                   btnReadCard Cancel Read Card
                   CardReadActive 1
                   open 1 19200,e,8,1
                   blink on
                   pace 80 served 80
                   > H00F
                   shCard yellow
                   pnCardID KEY : 12#
                   pace 80 served 80
                   > H00F
                   pace 80 served 80
                   > H00F
                   blink off
                   shComm red
                   pnMsg Reader Not Find
                   CardReadActive 0
                   beep 300
                   shCard white
                   close 1
                   lists 5 0 0 1 0 btnParity on
                   unlocked
                   btnReadCard Read Card (Change to RS485 Mode)
                   pnCardID Card ID
               )");
    }
    void operation() {
        QFETCH(Setup, setup);
        QFETCH(Clicks, clicks);
        QFETCH(QStringList, expected);
        WindowFixture f;
        setup(f);
        if (QTest::currentTestFailed())
            return;
        // Neither the lamp nor the message may keep a value that an operation should have written.
        f.window->PaintComm(Qt::blue);
        f.window->ShowMessage(Q("(before)"));
        Recorder recorder(f);
        QStringList steps;
        for (Click click : clicks) {
            (f.window.get()->*click)();
            steps += recorder.take();
        }
        f.system.onFrame = {};
        f.system.onSleep = {};
        QVERIFY(SameSteps(steps, expected));
    }
};

QTEST_MAIN(TestSequences)
#include "tst_sequences.moc"
