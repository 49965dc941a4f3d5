// The single-setting operations and the factory default through the real window, over the virtual reader.

#include "window_fixture.h"

#include "operations/operations.h"
#include "protocol/protocol.h"

#include <functional>

namespace {

using Setup = std::function<void(WindowControls&)>;
using Click = void (TfrmModule::*)();

struct Operation {
    Click click;
    Setup setup;
};

/// Answers one set command with a nonsense body (checksum right) instead of the reader.
class NonsenseForCommand : public platform::VirtualPeer {
public:
    NonsenseForCommand(sim::ReaderModel& reader, std::string command) : reader_(reader), command_(std::move(command)) {}
    void hostWrote(const std::uint8_t* data, std::size_t count, const platform::LineSettings& line, std::uint64_t nowUs,
                   platform::ReplySink& reply) override {
        const std::string text(reinterpret_cast<const char*>(data), count);
        if (text == command_) {
            pending_ = true;
            reader_.hostWrote(reinterpret_cast<const std::uint8_t*>("?"), 1, line, nowUs, reply);
            return;
        }
        reader_.hostWrote(data, count, line, nowUs, reply);
        if (pending_ && text == "\r") {
            pending_ = false;
            const std::string frame = protocol::BuildReplyFrame("%% not a reply %%");
            reply.send(reinterpret_cast<const std::uint8_t*>(frame.data()), frame.size(), nowUs + 2000, 500);
        }
    }

private:
    sim::ReaderModel& reader_;
    std::string command_;
    bool pending_ = false;
};

} // namespace

Q_DECLARE_METATYPE(Click)
Q_DECLARE_METATYPE(Setup)

class TestSetOperations : public QObject {
    Q_OBJECT

    static void addOperations() {
        QTest::addColumn<Click>("click");
        QTest::addColumn<QString>("errorText");
        QTest::newRow("ID") << &TfrmModule::btnIDClick << Q("Set Reader ID Error");
        QTest::newRow("key count") << &TfrmModule::btnKeyClick << Q("Set Reader Key Error");
        QTest::newRow("baud rate") << &TfrmModule::btnBaudRateClick << Q("Set Reader BaudRate Error");
        QTest::newRow("mode") << &TfrmModule::btnModeClick << Q("Set Reader Mode Error");
        QTest::newRow("parity") << &TfrmModule::btnParityClick << Q("Set Parity Mode Error");
        QTest::newRow("factory default") << &TfrmModule::btnFactoryW26Click << Q("Set Default Wiegand 26 Error");
    }

private slots:
    void refusedBeforeScan_data() { addOperations(); }
    void refusedBeforeScan() {
        QFETCH(Click, click);
        WindowFixture f;
        f.readerOn(1);
        f.open();
        f.ui().sbID->setValue(9);
        (f.window.get()->*click)();
        QVERIFY(f.system.opens().empty());
        QCOMPARE(f.ui().pnMsg->text(), Q("Start Scan Reader!"));
        QCOMPARE(f.comm(), LampRed);
        QCOMPARE(f.lastBeepHz(), FailureBeepHz);
        QCOMPARE(f.system.beeps().back().durationMs, SignalBeepMs);
        QVERIFY(f.window->inputEnabled());
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(f.ui().sbID->value(), 9); // the factory default changes no control when refused
        QCOMPARE(f.ui().cmbRS485->currentIndex(), 1);
    }

    void framesOnTheLine_data() {
        QTest::addColumn<Click>("click");
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<std::string>("command");
        QTest::addColumn<QString>("opening");
        QTest::addColumn<QString>("ok");
        const auto baud = [](int index) {
            return Setup([=](WindowControls& ui) { ui.cmbBaudRate->setCurrentIndex(index); });
        };
        const auto mode = [](int m, int w, int r) {
            return Setup([=](WindowControls& ui) {
                ui.cmbMode->setCurrentIndex(m);
                ui.cmbWiegand->setCurrentIndex(w);
                ui.cmbRS485->setCurrentIndex(r);
            });
        };
        const auto parity = [](int p) { return Setup([=](WindowControls& ui) { ui.cmbParity->setCurrentIndex(p); }); };
        QTest::newRow("ID 07") << &TfrmModule::btnIDClick << Setup([](WindowControls& ui) { ui.sbID->setValue(7); })
                               << std::string("H00C2024011707") << Q("Set Reader ID = 07") << Q("Set Reader ID Ok");
        QTest::newRow("ID 99") << &TfrmModule::btnIDClick << Setup([](WindowControls& ui) { ui.sbID->setValue(99); })
                               << std::string("H00C2024011799") << Q("Set Reader ID = 99") << Q("Set Reader ID Ok");
        QTest::newRow("keys read by the scan")
            << &TfrmModule::btnKeyClick << Setup([](WindowControls&) {}) << std::string("H00L04") << Q("Set Reader Key")
            << Q("Set Reader Key Ok");
        QTest::newRow("keys 00") << &TfrmModule::btnKeyClick << Setup([](WindowControls& ui) { ui.sbKey->setValue(0); })
                                 << std::string("H00L00") << Q("Set Reader Key") << Q("Set Reader Key Ok");
        QTest::newRow("4800,n") << &TfrmModule::btnBaudRateClick << baud(0) << std::string("H00E0")
                                << Q("Set Reader BaudRate = 4800,n,8,1") << Q("Set Reader BaudRate Ok");
        QTest::newRow("115200,n") << &TfrmModule::btnBaudRateClick << baud(10) << std::string("H00EA")
                                  << Q("Set Reader BaudRate = 115200,n,8,1") << Q("Set Reader BaudRate Ok");
        QTest::newRow("115200,e") << &TfrmModule::btnBaudRateClick << baud(11) << std::string("H00EB")
                                  << Q("Set Reader BaudRate = 115200,e,8,1") << Q("Set Reader BaudRate Ok");
        QTest::newRow("RS485 40") << &TfrmModule::btnModeClick << mode(1, 1, 2) << std::string("H00A112")
                                  << Q("Set Reader Mode = RS485 40") << Q("Set Reader Mode Ok");
        QTest::newRow("Wiegand 42") << &TfrmModule::btnModeClick << mode(0, 2, 0) << std::string("H00A020")
                                    << Q("Set Reader Mode = Wiegand 42") << Q("Set Reader Mode Ok");
        QTest::newRow("with parity") << &TfrmModule::btnParityClick << parity(1) << std::string("H00M1")
                                     << Q("Set Parity Mode") << Q("Set Parity Mode Ok");
        QTest::newRow("no parity") << &TfrmModule::btnParityClick << parity(0) << std::string("H00M0")
                                   << Q("Set Parity Mode") << Q("Set Parity Mode Ok");
    }
    void framesOnTheLine() {
        QFETCH(Click, click);
        QFETCH(Setup, setup);
        QFETCH(std::string, command);
        QFETCH(QString, opening);
        QFETCH(QString, ok);
        WindowFixture f;
        QVERIFY(f.scanned());
        setup(f.ui());
        const std::size_t before = f.commands().size();
        QString openingSeen;
        bool busy = true;
        f.system.onFrame = [&](const platform::VirtualSystem::FrameRecord&) {
            openingSeen = f.ui().pnMsg->text();
            busy =
                busy && !f.window->inputEnabled() && QApplication::overrideCursor() && !f.window->tmrBusy->isActive();
        };
        (f.window.get()->*click)();
        QCOMPARE(f.commandsAfter(before), (Commands{"H00B", command}));
        QCOMPARE(openingSeen, opening);
        QVERIFY(busy);
        QCOMPARE(f.ui().pnMsg->text(), ok);
        QCOMPARE(f.comm(), LampYellow);
        QCOMPARE(f.lastBeepHz(), SuccessBeepHz);
        QVERIFY(f.window->inputEnabled());
        QVERIFY(!QApplication::overrideCursor());
        QCOMPARE(f.system.openCount(), 0);
        // Each command goes out 100 ms after the reply before it, at the earliest.
        const auto& frames = f.system.frames();
        QVERIFY(frames.back().atUs - frames[frames.size() - 2].atUs >= 100000);
    }

    void idCarriesTheSerialOfTheSameAttempt() {
        WindowFixture f;
        QVERIFY(f.scanned());
        f.ui().sbID->setValue(12);
        f.reader.state.serial = "87654321"; // pnSerial still shows the scan's number
        const std::size_t before = f.commands().size();
        f.window->btnIDClick();
        QCOMPARE(f.commandsAfter(before), (Commands{"H00B", "H00C8765432112"}));
        QCOMPARE(f.reader.state.id, std::string("12"));
    }

    void infoReplyOfWrongLength_data() {
        QTest::addColumn<int>("length");
        QTest::newRow("15") << 15;
        QTest::newRow("17") << 17;
    }
    void infoReplyOfWrongLength() {
        QFETCH(int, length);
        WindowFixture f;
        QVERIFY(f.scanned());
        f.reader.faults.infoReplyLength = length;
        const std::size_t before = f.commands().size();
        f.window->btnKeyClick();
        QCOMPARE(f.commandsAfter(before), (Commands{"H00B", "H00B"}));
        QCOMPARE(f.ui().pnMsg->text(), Q("Set Reader Key Error"));
        QCOMPARE(f.comm(), LampRed);
        QVERIFY(f.state().ReaderFound);
    }

    void secondAttemptAnswered() {
        WindowFixture f;
        QVERIFY(f.scanned());
        f.ui().sbKey->setValue(6);
        f.reader.faults.muted['L'] = 1;
        const std::size_t before = f.commands().size();
        f.window->btnKeyClick();
        QCOMPARE(f.commandsAfter(before), (Commands{"H00B", "H00L06", "H00B", "H00L06"}));
        QCOMPARE(f.ui().pnMsg->text(), Q("Set Reader Key Ok"));
    }

    void bothAttemptsUnanswered() {
        WindowFixture f;
        QVERIFY(f.scanned());
        f.reader.faults.muted['M'] = -1;
        const std::size_t before = f.commands().size();
        f.window->btnParityClick();
        QCOMPARE(f.commandsAfter(before), (Commands{"H00B", "H00M0", "H00B", "H00M0"}));
        QCOMPARE(f.ui().pnMsg->text(), Q("Set Parity Mode Error"));
        QCOMPARE(f.lastBeepHz(), FailureBeepHz);
        QCOMPARE(f.system.openCount(), 0);
    }

    void nonsenseReplyWithRightChecksumIsSuccess() {
        WindowFixture f;
        NonsenseForCommand peer(f.reader, "H00L09");
        platform::VirtualSystem::PortConfig config;
        config.peer = &peer;
        f.system.setPort(1, config);
        f.open();
        f.window->btnScanClick();
        QVERIFY(f.state().ReaderFound);
        f.ui().sbKey->setValue(9);
        f.window->btnKeyClick();
        QCOMPARE(f.ui().pnMsg->text(), Q("Set Reader Key Ok"));
        QCOMPARE(f.reader.state.keyCount, std::string("04")); // the reader itself never heard it
    }

    void keyCountUnreadByTheScan() {
        WindowFixture f;
        f.reader.faults.muted['L'] = 1;
        QVERIFY(f.scanned());
        QCOMPARE(f.ui().pnKey->text(), Q("__"));
        const std::size_t before = f.commands().size();
        f.window->btnKeyClick();
        QCOMPARE(f.commandsAfter(before).at(1), std::string("H00L__"));
    }

    void baudChangeIsUsedButNotSaved() {
        WindowFixture f;
        QVERIFY(f.scanned());
        const auto saved = f.store.values;
        const int writes = f.store.writeCount;
        f.ui().cmbBaudRate->setCurrentIndex(7);
        f.window->btnBaudRateClick();
        QCOMPARE(f.ui().pnMsg->text(), Q("Set Reader BaudRate Ok"));
        QCOMPARE(f.state().BaudRateIndex, 7);
        QCOMPARE(f.state().ComSettings, std::string("38400,e,8,1"));
        // The command and its reply travel at the old setting.
        QCOMPARE(f.system.frames().back().line, std::string("19200,e,8,1"));

        f.window->btnKeyClick();
        QCOMPARE(f.ui().pnMsg->text(), Q("Set Reader Key Ok"));
        QCOMPARE(f.system.lines().back().text, std::string("38400,e,8,1"));
        QCOMPARE(f.store.writeCount, writes);
        QVERIFY(f.store.values == saved);
    }

    void failedBaudChangeKeepsTheSettings() {
        WindowFixture f;
        QVERIFY(f.scanned());
        f.reader.faults.muted['E'] = -1;
        f.ui().cmbBaudRate->setCurrentIndex(9);
        f.window->btnBaudRateClick();
        QCOMPARE(f.ui().pnMsg->text(), Q("Set Reader BaudRate Error"));
        QCOMPARE(f.state().BaudRateIndex, 5);
        QCOMPARE(f.state().ComSettings, std::string("19200,e,8,1"));
        QCOMPARE(f.ui().cmbBaudRate->currentIndex(), 9);
    }

    void listWithoutSelectionSendsNothing_data() {
        QTest::addColumn<Click>("click");
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<QString>("error");
        QTest::newRow("baud rate") << &TfrmModule::btnBaudRateClick
                                   << Setup([](WindowControls& ui) { ui.cmbBaudRate->setCurrentIndex(-1); })
                                   << Q("Set Reader BaudRate Error");
        QTest::newRow("mode") << &TfrmModule::btnModeClick
                              << Setup([](WindowControls& ui) { ui.cmbWiegand->setCurrentIndex(-1); })
                              << Q("Set Reader Mode Error");
        QTest::newRow("parity") << &TfrmModule::btnParityClick
                                << Setup([](WindowControls& ui) { ui.cmbParity->setCurrentIndex(-1); })
                                << Q("Set Parity Mode Error");
    }
    void listWithoutSelectionSendsNothing() {
        QFETCH(Click, click);
        QFETCH(Setup, setup);
        QFETCH(QString, error);
        WindowFixture f;
        QVERIFY(f.scanned());
        setup(f.ui());
        const std::size_t opens = f.system.opens().size();
        (f.window.get()->*click)();
        QCOMPARE(f.system.opens().size(), opens);
        QCOMPARE(f.ui().pnMsg->text(), error);
        QCOMPARE(f.comm(), LampRed);
        QVERIFY(f.window->inputEnabled());
    }

    void portGoneBeforeTheOperation() {
        WindowFixture f;
        QVERIFY(f.scanned());
        f.system.vanish(1);
        const std::size_t before = f.commands().size();
        f.window->btnModeClick();
        QCOMPARE(f.commands().size(), before);
        QCOMPARE(f.ui().pnMsg->text(), Q("Set Reader Mode Error"));
        QCOMPARE(f.system.openCount(), 0);
    }

    void factoryDefault_data() {
        QTest::addColumn<bool>("parity");
        QTest::addColumn<Commands>("expected");
        QTest::newRow("with keycode parity")
            << true << Commands{"H00B", "H00C2024011701", "H00A001", "H00L04", "H00M0", "H00E5"};
        QTest::newRow("without keycode parity")
            << false << Commands{"H00B", "H00C2024011701", "H00A001", "H00L04", "H00E5"};
    }
    void factoryDefault() {
        QFETCH(bool, parity);
        QFETCH(Commands, expected);
        WindowFixture f;
        f.remember(1, 3, "9600,e,8,1");
        f.reader.state.lineIndex = 3;
        f.reader.state.paritySupported = parity;
        f.reader.state.mode = "112";
        f.reader.state.id = "07";
        QVERIFY(f.scanned());
        if (parity)
            f.ui().cmbParity->setCurrentIndex(1);
        const std::size_t before = f.commands().size();
        f.window->btnFactoryW26Click();

        QCOMPARE(f.commandsAfter(before), expected);
        QCOMPARE(f.ui().pnMsg->text(), Q("Set Default Wiegand 26 Ok"));
        QCOMPARE(f.comm(), LampYellow);
        QCOMPARE(f.ui().pnID->text(), Q("01"));
        QCOMPARE(f.ui().cmbBaudRate->currentIndex(), 5);
        QCOMPARE(f.ui().cmbMode->currentIndex(), 0);
        QCOMPARE(f.ui().cmbWiegand->currentIndex(), 0);
        QCOMPARE(f.ui().cmbRS485->currentIndex(), 1);
        QCOMPARE(f.ui().cmbParity->currentIndex(), parity ? 0 : 1); // no parity: the scan's "With Parity" stays
        QCOMPARE(f.ui().sbKey->value(), 4);
        QCOMPARE(f.state().BaudRateIndex, 5);
        QCOMPARE(f.state().ComSettings, std::string("19200,e,8,1"));
        QCOMPARE(std::get<std::int32_t>(f.store.values.at("ScanBaudRateNo")), 3);
        // The wait before the parity step is taken even when there is none to send.
        const auto& frames = f.system.frames();
        const auto gap = frames.back().atUs - frames[frames.size() - 2].atUs;
        if (parity)
            QVERIFY2(gap >= 100000 && gap < 130000, qPrintable(QString::number(gap)));
        else
            QVERIFY2(gap >= 200000 && gap < 230000, qPrintable(QString::number(gap)));

        // The reader took every default: a new scan at the default line finds it.
        f.window->btnScanClick();
        QVERIFY(f.state().ReaderFound);
        QCOMPARE(f.reader.state.mode, std::string("001"));
        QCOMPARE(f.ui().pnID->text(), Q("01"));
        QCOMPARE(f.ui().pnKey->text(), Q("04"));
    }

    void factoryDefaultFailingAtTheLastCommand() {
        WindowFixture f;
        QVERIFY(f.scanned());
        f.reader.faults.muted['E'] = -1;
        f.system.onFrame = [&](const platform::VirtualSystem::FrameRecord& frame) {
            if (frame.command == "H00E5")
                f.reader.state.serial = "99999999";
        };
        const std::size_t before = f.commands().size();
        f.window->btnFactoryW26Click();
        QCOMPARE(f.commandsAfter(before), (Commands{"H00B", "H00C2024011701", "H00A001", "H00L04", "H00M0", "H00E5",
                                                    "H00B", "H00C9999999901", "H00A001", "H00L04", "H00M0", "H00E5"}));
        QCOMPARE(f.ui().pnMsg->text(), Q("Set Default Wiegand 26 Error"));
        QCOMPARE(f.comm(), LampRed);
        QCOMPARE(f.ui().cmbParity->currentIndex(), 0); // the defaults stay shown
        QCOMPARE(f.state().BaudRateIndex, 5);
        QCOMPARE(f.system.openCount(), 0);
    }

    void factoryDefaultAfterCardReadingOfAReaderWithoutParity() {
        WindowFixture f;
        f.reader.state.paritySupported = false;
        QVERIFY(f.scanned());
        f.reader.faults.stopAfterPolls = 0;
        f.window->btnReadCardClick(); // ends at its first poll
        QVERIFY(!f.ui().btnParity->isEnabled());
        const std::size_t before = f.commands().size();
        f.window->btnFactoryW26Click();
        const Commands sent = f.commandsAfter(before);
        QVERIFY(std::find(sent.begin(), sent.end(), "H00M0") == sent.end());
    }
};

QTEST_MAIN(TestSetOperations)
#include "tst_set_operations.moc"
