// Injected faults on the virtual device: every operation ends in its own failure outcome within a second of
// the fault, with the port closed, the window enabled, the cursor back and the settings key untouched.

#include "window_fixture.h"

#include "operations/operations.h"
#include "settings/settings.h"

#include <QTemporaryDir>

#include <functional>

namespace {

enum class Op { Scan, Key, Factory, Card };
enum class Fault { Vanish, Babble, LongReply, Held, Silent };

} // namespace

Q_DECLARE_METATYPE(Op)
Q_DECLARE_METATYPE(Fault)

// On Windows the settings key is the registry, which XDG_CONFIG_HOME does not redirect; the registry's own
// cases are in tests/windows/tst_window_registry.cpp.
#ifdef Q_OS_WIN
#define SKIP_WITHOUT_SETTINGS_FILE() QSKIP("the settings key is the registry here")
#else
#define SKIP_WITHOUT_SETTINGS_FILE()
#endif

class TestFaults : public QObject {
    Q_OBJECT

private slots:
    void operationsSurvive_data() {
        QTest::addColumn<Op>("op");
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<QString>("message");
        const struct {
            Op op;
            const char* name;
            const char* failure;
        } ops[] = {{Op::Scan, "scan", "Reader Not Find"},
                   {Op::Key, "key count", "Set Reader Key Error"},
                   {Op::Factory, "factory default", "Set Default Wiegand 26 Error"},
                   {Op::Card, "card reading", "Reader Not Find"}};
        const struct {
            Fault fault;
            const char* name;
        } faults[] = {{Fault::Vanish, "adapter unplugged"},
                      {Fault::Babble, "noise for ever"},
                      {Fault::LongReply, "2000-byte replies"},
                      {Fault::Held, "port held by another program"},
                      {Fault::Silent, "reader gone quiet"}};
        for (const auto& op : ops) {
            for (const auto& fault : faults) {
                QString message = Q(op.failure);
                if (op.op == Op::Scan && fault.fault == Fault::Vanish)
                    message = Q("Get Reader Info Error. (COM : #1)"); // unplugged after it answered
                if (op.op == Op::Card && fault.fault == Fault::Held)
                    message = Q("Open COM : 1 Error");
                QTest::newRow(qPrintable(QStringLiteral("%1, %2").arg(op.name, fault.name)))
                    << op.op << fault.fault << message;
            }
        }
    }
    void operationsSurvive() {
        QFETCH(Op, op);
        QFETCH(Fault, fault);
        QFETCH(QString, message);
        WindowFixture f;
        f.readerOn(1);
        f.open();
        if (op != Op::Scan) {
            f.window->btnScanClick();
            QVERIFY(f.state().ReaderFound);
        }
        const auto saved = f.store.values;

        std::uint64_t faultAtMs = f.system.nowMs();
        switch (fault) {
        case Fault::Vanish:
            // Pulled out once the operation has started talking, after the reader's first answer.
            f.system.onFrame = [&, frames = 0](const platform::VirtualSystem::FrameRecord&) mutable {
                if (++frames == 2) {
                    f.system.vanish(1);
                    faultAtMs = f.system.nowMs();
                }
            };
            break;
        case Fault::Babble:
            f.reader.faults.babble = true;
            break;
        case Fault::LongReply:
            f.reader.faults.replyBodyLength = 2000;
            break;
        case Fault::Held: {
            platform::VirtualSystem::PortConfig held;
            held.heldByOther = true;
            f.system.setPort(1, held);
            break;
        }
        case Fault::Silent:
            f.reader.faults.silent = true;
            break;
        }

        switch (op) {
        case Op::Scan:
            f.window->btnScanClick();
            break;
        case Op::Key:
            f.window->btnKeyClick();
            break;
        case Op::Factory:
            f.window->btnFactoryW26Click();
            break;
        case Op::Card:
            f.window->btnReadCardClick();
            break;
        }
        f.system.onFrame = {};

        QCOMPARE(f.ui().pnMsg->text(), message);
        QCOMPARE(f.comm(), LampRed);
        QCOMPARE(f.lastBeepHz(), FailureBeepHz);
        QVERIFY2(f.system.nowMs() - faultAtMs <= 1000, qPrintable(QString::number(f.system.nowMs() - faultAtMs)));
        QCOMPARE(f.system.openCount(), 0);
        QVERIFY(f.window->inputEnabled());
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(!f.window->tmrBusy->isActive());
        QVERIFY(!f.state().CardReadActive);
        QVERIFY(f.ui().btnExit->isEnabled());
        // The scan that found the reader by searching saves where; nothing else writes the key.
        if (!(op == Op::Scan && fault == Fault::Vanish))
            QVERIFY(f.store.values == saved);

        // The port is free again for the next operation, once the adapter is back.
        f.reader.faults = sim::ReaderModel::Faults{};
        f.readerOn(1);
        f.system.advanceUs(2000000); // a reader still sending its over-long reply finishes first
        f.window->btnScanClick();
        QVERIFY(f.state().ReaderFound);
    }

    // The scan shows nothing a reply did not say of that field: a late reply is no answer to the command sent
    // after it (a reader whose replies end about 140 ms after their command began, past the time-out, each
    // reaching the port even across its close and open, as on a real line); and the rule for an unanswered
    // parity query holds when the adapter is pulled during it.
    void scanShowsOnlyAnswers_data() {
        QTest::addColumn<bool>("late");
        QTest::addColumn<QString>("pulledAt");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("keys");
        QTest::newRow("every reply 140 ms late") << true << QString() << Q("VER : 03.20-01") << Q("__");
        QTest::newRow("the adapter pulled at the parity query") << false << Q("H00M") << Q("VER : 03.20-01") << Q("04");
        QTest::newRow("the adapter pulled at the key count query")
            << false << Q("H00L") << Q("VER : 03.20-01") << Q("__");
    }
    void scanShowsOnlyAnswers() {
        QFETCH(bool, late);
        QFETCH(QString, pulledAt);
        QFETCH(QString, version);
        QFETCH(QString, keys);
        WindowFixture f;
        f.readerOn(1);
        f.remember(1, 5, "19200,e,8,1");
        f.open();
        if (late) {
            f.reader.faults.answerDelayUs = 124000;
            f.reader.faults.repliesOutliveClose = true;
        }
        f.system.onFrame = [&](const platform::VirtualSystem::FrameRecord& frame) {
            if (QString::fromStdString(frame.command) == pulledAt)
                f.system.vanish(1);
        };
        f.window->btnScanClick();
        f.system.onFrame = {};
        QCOMPARE(f.ui().pnSerial->text(), Q("S/N : 20240117"));
        QCOMPARE(f.ui().pnVersion->text(), version);
        QCOMPARE(f.ui().pnKey->text(), keys);
        const bool parityAsked = late || pulledAt == Q("H00M");
        QCOMPARE(f.ui().cmbParity->currentIndex(), parityAsked ? 1 : -1);
        QCOMPARE(f.ui().btnParity->isEnabled(), !parityAsked);
        QCOMPARE(f.ui().pnMsg->text(), Q("Get Reader Info Error. (COM : #1)"));
        QCOMPARE(f.comm(), LampRed);
        QVERIFY(!f.state().ReaderFound);
        QCOMPARE(f.system.openCount(), 0);
        QVERIFY(f.window->inputEnabled());
    }

    void zeroByteInEveryReply() {
        WindowFixture f;
        f.reader.faults.zeroBytePosition = 10; // inside the serial number and the version; checksums still right
        f.readerOn(1);
        f.open();
        f.window->btnScanClick();
        QVERIFY(f.window->inputEnabled());
        QCOMPARE(f.system.openCount(), 0);
        QCOMPARE(f.ui().pnSerial->text(), Q("S/N : 2024"));
        QCOMPARE(f.ui().pnVersion->text(), Q("VER : 03.2"));
        QVERIFY(f.state().ReaderFound);
        // ReplyText ends at the zero byte: the ID command carries the four serial characters before it, and
        // the reader refuses a command that is not its own serial number.
        const std::size_t before = f.commands().size();
        f.window->btnIDClick();
        QCOMPARE(f.commandsAfter(before), (Commands{"H00B", "H00C202401", "H00B", "H00C202401"}));
        QCOMPARE(f.ui().pnMsg->text(), Q("Set Reader ID Error"));
        QCOMPARE(f.comm(), LampRed);
        QCOMPARE(f.reader.state.id, std::string("01"));
        QVERIFY(f.window->inputEnabled());
        QCOMPARE(f.system.openCount(), 0);
        f.reader.faults.stopAfterPolls = 3; // the loop runs until the reader stops answering
        f.window->btnReadCardClick();
        QCOMPARE(f.ui().pnMsg->text(), Q("Reader Not Find"));
        QVERIFY(f.window->inputEnabled());
        QCOMPARE(f.system.openCount(), 0);
    }

    void nonDigitFieldsEverywhere() {
        WindowFixture f;
        f.reader.state = {"?\x01", "\xff\xfe\x80\x7f ABC", "\t\t\t\t\t\t\t\t", "ab", true, "x", "\x80\x81\x82", 5};
        f.readerOn(1);
        f.open();
        f.window->btnScanClick();
        QCOMPARE(f.ui().pnMsg->text(), Q("Get Reader Info Error. (COM : #1)"));
        QVERIFY(!f.state().ReaderFound);
        QCOMPARE(f.system.openCount(), 0);
        QVERIFY(f.window->inputEnabled());
    }

    void settingsFolderThatCannotBeWritten() {
        SKIP_WITHOUT_SETTINGS_FILE();
        // A file where the settings folder should be: nothing can be created, whoever runs the test.
        QTemporaryDir home;
        QFile blocker(home.path() + Q("/VELNO"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
        const std::unique_ptr<platform::SettingsStore> store = platform::MakeSystemSettingsStore();
        WindowFixture f;
        f.readerOn(2);
        {
            TfrmModule window(*store, f.links);
            window.show();
            window.btnScanClick();
            QVERIFY(window.reader().ReaderFound);
            QCOMPARE(window.reader().ComPortNo, 2);
            window.btnGBClick();
            QCOMPARE(WindowControls(window).pnMsg->text(), Q("请先扫描读卡机!"));
        }
        QVERIFY(QFileInfo(home.path() + Q("/VELNO")).isFile());
        const settings::LoadedSettings loaded = settings::LoadSettings(*store);
        QCOMPARE(loaded.ComPortNo, 0);
        QCOMPARE(loaded.LanguageIndex, 0);
        qunsetenv("XDG_CONFIG_HOME");
    }

    void damagedSettingsFile_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("binary junk") << QByteArray("\x00\x01\x02\xff\xfe\r\n[General\n\x00=\x00", 16);
        QTest::newRow("wrong types") << QByteArray("[General]\nScanCommNo=three\nScanBaudRateNo=@Variant(\\0\\0)\n");
        QTest::newRow("out-of-range numbers")
            << QByteArray("[General]\nScanCommNo=99999999999\nScanBaudRateNo=-7\nScanBaudRate=9600,e,8,1\n");
        QTest::newRow("huge language") << QByteArray("[General]\nLanguageFlag=") + QByteArray(100000, 'x') + "\n";
    }
    void damagedSettingsFile() {
        SKIP_WITHOUT_SETTINGS_FILE();
        QFETCH(QByteArray, content);
        QTemporaryDir home;
        QDir().mkpath(home.path() + Q("/VELNO"));
        QFile file(home.path() + Q("/VELNO/ReaderConfig.conf"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();
        qputenv("XDG_CONFIG_HOME", home.path().toLocal8Bit());
        const std::unique_ptr<platform::SettingsStore> store = platform::MakeSystemSettingsStore();
        WindowFixture f;
        f.readerOn(1);
        TfrmModule window(*store, f.links);
        window.show();
        QVERIFY(WindowControls(window).cmbBaudRate->currentIndex() >= 0);
        QVERIFY(window.reader().BaudRateIndex >= 0 && window.reader().BaudRateIndex < protocol::BaudRateCount);
        window.btnScanClick();
        QVERIFY(window.reader().ReaderFound);
        qunsetenv("XDG_CONFIG_HOME");
    }
};

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
