// The reader scan through the real window, over the virtual-time reader.

#include "window_fixture.h"

#include "operations/operations.h"

class TestScan : public QObject {
    Q_OBJECT

private slots:
    void firstStartLockedFindsReaderOnCom3() {
        WindowFixture f;
        f.silentPort(1);
        f.silentPort(2);
        f.readerOn(3);
        f.open();
        bool busyDuringFrames = true;
        f.system.onFrame = [&](const platform::VirtualSystem::FrameRecord&) {
            busyDuringFrames = busyDuringFrames && !f.window->inputEnabled() && QApplication::overrideCursor() &&
                               QApplication::overrideCursor()->shape() == Qt::WaitCursor &&
                               f.window->tmrBusy->isActive();
        };
        f.window->btnScanClick();

        QCOMPARE(f.openedPorts(), (std::vector<int>{1, 2, 3, 3}));
        QCOMPARE(f.commands(), (Commands{"H00B", "H00B", "H00B", "H00B", "H00B", "H00V", "H00L", "H00M", "H00A"}));
        for (const auto& frame : f.system.frames())
            QCOMPARE(frame.line, std::string("19200,e,8,1"));
        QVERIFY(busyDuringFrames);
        QCOMPARE(f.ui().pnMsg->text(), Q("Get Reader Info Ok. (COM : #3)"));
        QCOMPARE(f.ui().pnSerial->text(), Q("S/N : 20240117"));
        QCOMPARE(f.ui().pnVersion->text(), Q("VER : 03.20-01"));
        QCOMPARE(f.ui().pnID->text(), Q("01"));
        QCOMPARE(f.ui().pnKey->text(), Q("04"));
        QCOMPARE(f.ui().cmbParity->currentIndex(), 0);
        QVERIFY(f.ui().btnParity->isEnabled());
        QCOMPARE(f.comm(), LampYellow);
        QCOMPARE(f.lastBeepHz(), SuccessBeepHz);
        QVERIFY(f.state().ReaderFound);
        QVERIFY(f.window->inputEnabled());
        QVERIFY(!f.window->tmrBusy->isActive());
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(f.system.openCount(), 0);
        QCOMPARE(std::get<std::int32_t>(f.store.values.at("ScanCommNo")), 3);
        QCOMPARE(std::get<std::int32_t>(f.store.values.at("ScanBaudRateNo")), 5);
        QCOMPARE(std::get<std::string>(f.store.values.at("ScanBaudRate")), std::string("19200,e,8,1"));
    }

    void lockClearTriesEveryLineSetting() {
        WindowFixture f;
        f.reader.state.lineIndex = 3; // "9600,e,8,1": deaf at no parity
        f.readerOn(1);
        f.open();
        f.ui().chkLock->setChecked(false);
        f.window->btnScanClick();

        std::vector<std::string> lines;
        for (const auto& line : f.system.lines())
            lines.push_back(line.text);
        QCOMPARE(lines,
                 (std::vector<std::string>{"4800,n,8,1", "4800,e,8,1", "9600,n,8,1", "9600,e,8,1", "9600,e,8,1"}));
        QCOMPARE(f.commands().size(), std::size_t{2 + 2 + 2 + 1 + 4});
        QCOMPARE(f.ui().cmbBaudRate->currentIndex(), 3);
        QCOMPARE(f.state().BaudRateIndex, 3);
        QCOMPARE(f.state().ComSettings, std::string("9600,e,8,1"));
        QCOMPARE(std::get<std::int32_t>(f.store.values.at("ScanBaudRateNo")), 3);
        QVERIFY(f.state().ReaderFound);
    }

    void rememberedPortAnswers() {
        WindowFixture f;
        f.remember(2, 7, "38400,e,8,1");
        f.reader.state.lineIndex = 7;
        f.readerOn(2);
        f.open();
        f.window->btnScanClick();
        QCOMPARE(f.openedPorts(), (std::vector<int>{2, 2}));
        QCOMPARE(f.store.writeCount, 0);
        QCOMPARE(f.ui().cmbBaudRate->currentIndex(), 7);
        QCOMPARE(f.ui().pnMsg->text(), Q("Get Reader Info Ok. (COM : #2)"));
    }

    void rememberedPortGoneThenSearch() {
        WindowFixture f;
        f.remember(2, 5, "19200,e,8,1");
        f.silentPort(2);
        f.readerOn(4);
        f.open();
        f.window->btnScanClick();
        int onTwo = 0;
        for (const auto& frame : f.system.frames())
            onTwo += frame.portNo == 2;
        QCOMPARE(onTwo, 3 + 2);
        QCOMPARE(f.openedPorts(), (std::vector<int>{2, 1, 2, 3, 4, 4}));
        QCOMPARE(std::get<std::int32_t>(f.store.values.at("ScanCommNo")), 4);
        QCOMPARE(f.state().ComPortNo, 4);
    }

    void wrongLengthInfoReplyIsNoReader_data() {
        QTest::addColumn<int>("length");
        QTest::newRow("15 bytes") << 15;
        QTest::newRow("17 bytes") << 17;
    }
    void wrongLengthInfoReplyIsNoReader() {
        QFETCH(int, length);
        WindowFixture f;
        f.reader.faults.infoReplyLength = length;
        f.readerOn(1);
        f.open();
        f.window->btnScanClick();
        QCOMPARE(f.commands(), (Commands{"H00B", "H00B"}));
        QCOMPARE(f.ui().pnMsg->text(), Q("Reader Not Find"));
        QVERIFY(!f.state().ReaderFound);
        QCOMPARE(f.store.writeCount, 0);
    }

    void noReaderAnywhere() {
        WindowFixture f;
        f.remember(0, 3, "9600,e,8,1");
        for (int port = 1; port <= 16; ++port)
            f.silentPort(port);
        f.open();
        QCOMPARE(f.ui().cmbBaudRate->currentIndex(), 3);
        f.window->btnScanClick();

        QCOMPARE(f.commands().size(), std::size_t{32});
        QCOMPARE(f.ui().cmbBaudRate->currentIndex(), 5);
        QCOMPARE(f.ui().pnMsg->text(), Q("Reader Not Find"));
        QCOMPARE(f.comm(), LampRed);
        QCOMPARE(f.lastBeepHz(), FailureBeepHz);
        QVERIFY(!f.state().ReaderFound);
        QCOMPARE(f.store.writeCount, 0);
        QCOMPARE(f.state().BaudRateIndex, 3);
        QCOMPARE(f.state().ComSettings, std::string("9600,e,8,1"));
        // A silent try costs 9 ms of write pauses and the 121 ms wait; the failure beep adds 300 ms.
        const std::uint64_t ms = f.system.nowMs();
        QVERIFY2(ms >= 32 * 129 + 300 && ms <= 32 * 132 + 300, qPrintable(QString::number(ms)));
    }

    void parityUnanswered() {
        WindowFixture f;
        f.reader.state.paritySupported = false;
        QVERIFY(f.scanned());
        QCOMPARE(f.ui().cmbParity->currentIndex(), 1);
        QVERIFY(!f.ui().btnParity->isEnabled());
    }

    void modeNeverAnswered() {
        WindowFixture f;
        f.reader.faults.muted['A'] = -1;
        QVERIFY(!f.scanned());
        QCOMPARE(f.ui().pnMsg->text(), Q("Get Reader Info Error. (COM : #1)"));
        QCOMPARE(f.ui().pnSerial->text(), Q("S/N : 20240117"));
        QCOMPARE(f.ui().pnVersion->text(), Q("VER : 03.20-01"));
        QCOMPARE(f.ui().pnKey->text(), Q("04"));
        QCOMPARE(f.comm(), LampRed);
        QCOMPARE(f.lastBeepHz(), FailureBeepHz);
        QVERIFY(!f.state().ReaderFound);
        QVERIFY(f.window->inputEnabled());
        QCOMPARE(f.system.openCount(), 0);
    }

    void versionOnlyOnSecondPass() {
        WindowFixture f;
        f.reader.faults.muted['V'] = 1;
        f.readerOn(1);
        f.open();
        f.window->btnScanClick();
        QCOMPARE(f.commands(), (Commands{"H00B", "H00V", "H00V", "H00L", "H00M", "H00A"}));
        int pauses = 0;
        for (const auto& sleep : f.system.sleeps())
            pauses += sleep.ms == 100;
        QCOMPARE(pauses, 5);
        // Each information command goes out a pause (and the previous reply wait) after the one before.
        const auto& frames = f.system.frames();
        for (std::size_t i = 2; i < frames.size(); ++i)
            QVERIFY(frames[i].atUs - frames[i - 1].atUs >= 100000);
        QVERIFY(f.state().ReaderFound);
    }

    void oddFields_data() {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("parity");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<bool>("complete");
        QTest::addColumn<int>("parityItem");
        QTest::addColumn<QList<int>>("modeItems");
        QTest::newRow("letters in the ID") << "X7"
                                           << "0"
                                           << "001" << false << -1 << QList<int>{0, 0, 1};
        QTest::newRow("ID 00") << "00"
                               << "0"
                               << "001" << true << 0 << QList<int>{0, 0, 1};
        QTest::newRow("parity 7") << "01"
                                  << "7"
                                  << "001" << true << -1 << QList<int>{0, 0, 1};
        QTest::newRow("parity letter") << "01"
                                       << "P"
                                       << "001" << false << -1 << QList<int>{0, 0, 1};
        QTest::newRow("parity reply too short") << "01"
                                                << ""
                                                << "001" << false << -1 << QList<int>{0, 0, 1};
        QTest::newRow("mode out of range") << "01"
                                           << "1"
                                           << "939" << true << 1 << QList<int>{-1, -1, -1};
        QTest::newRow("mode with a letter") << "01"
                                            << "1"
                                            << "A01" << false << 1 << QList<int>{-1, 0, 1};
        QTest::newRow("mode reply too short") << "01"
                                              << "1"
                                              << "0" << false << 1 << QList<int>{0, -1, -1};
        QTest::newRow("RS485 40") << "12"
                                  << "1"
                                  << "112" << true << 1 << QList<int>{1, 1, 2};
    }
    void oddFields() {
        QFETCH(QString, id);
        QFETCH(QString, parity);
        QFETCH(QString, mode);
        QFETCH(bool, complete);
        QFETCH(int, parityItem);
        QFETCH(QList<int>, modeItems);
        WindowFixture f;
        f.reader.state.id = id.toStdString();
        f.reader.state.parity = parity.toStdString();
        f.reader.state.mode = mode.toStdString();
        QCOMPARE(f.scanned(), complete);
        QCOMPARE(f.state().ReaderFound, complete);
        QCOMPARE(f.ui().pnID->text(), id);
        if (!complete)
            return;
        QCOMPARE(f.ui().sbID->value(), qMax(1, id.toInt())); // "00" leaves sbID at its minimum
        QCOMPARE(f.ui().cmbParity->currentIndex(), parityItem);
        QCOMPARE(f.ui().cmbMode->currentIndex(), modeItems[0]);
        QCOMPARE(f.ui().cmbWiegand->currentIndex(), modeItems[1]);
        QCOMPARE(f.ui().cmbRS485->currentIndex(), modeItems[2]);
    }

    void portHeldByAnotherProgramIsSkipped() {
        WindowFixture f;
        platform::VirtualSystem::PortConfig held;
        held.heldByOther = true;
        f.system.setPort(1, held);
        f.readerOn(2);
        f.open();
        f.window->btnScanClick();
        QCOMPARE(f.openedPorts(), (std::vector<int>{1, 2, 2}));
        QVERIFY(f.state().ReaderFound);
    }
};

QTEST_MAIN(TestScan)
#include "tst_scan.moc"
