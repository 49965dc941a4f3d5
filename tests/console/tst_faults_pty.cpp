// Faults on a real pseudo-terminal served by reader-sim, through the window and the POSIX back end: the
// adapter unplugged mid-operation and the port held by another program. Outcomes only; timing is the
// virtual-time tests' business.

#include "console/frmmodule.h"
#include "operations/operations.h"
#include "platform/com_ports.h"
#include "platform/testing/memory_settings_store.h"
#include "window_controls.h"

#include <QApplication>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using console::TfrmModule;

class TestFaultsPty : public QObject {
    Q_OBJECT

    QTemporaryDir config_;
    QProcess sim_;
    platform::MemorySettingsStore store_;
    readerlink::LinkSetup links_{platform::NativeSystem()};

    void say(const char* command) {
        sim_.write(command);
        sim_.write("\n");
        sim_.waitForBytesWritten(1000);
    }
    QString slave() const {
        return QFileInfo(QString::fromStdString(platform::PortsFolder()) + QStringLiteral("/COM1")).symLinkTarget();
    }
    /// reader-sim plugs its new pty in asynchronously after "plug".
    bool waitForSlave() {
        for (int i = 0; i < 100 && !QFileInfo::exists(slave()); ++i)
            QTest::qWait(20);
        return QFileInfo::exists(slave());
    }

private slots:
    void initTestCase() {
        qputenv("XDG_CONFIG_HOME", config_.path().toLocal8Bit());
        sim_.setProgram(QStringLiteral(READER_SIM_PATH));
        sim_.setArguments({"--com", "1", "--print-path"});
        sim_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        sim_.start();
        QVERIFY(sim_.waitForStarted(5000));
        QVERIFY(sim_.waitForReadyRead(5000));
        QVERIFY(waitForSlave());
    }
    void cleanupTestCase() {
        say("quit");
        sim_.waitForFinished(5000);
    }
    void init() {
        say("plug");
        QVERIFY(waitForSlave());
        QTest::qWait(50);
    }

    void unpluggedDuringCardReading() {
        TfrmModule window(store_, links_);
        window.show();
        window.btnScanClick();
        QVERIFY(window.reader().ReaderFound);
        QTimer::singleShot(600, this, [this] { say("vanish"); });
        window.btnReadCardClick();
        QCOMPARE(WindowControls(window).pnMsg->text(), QStringLiteral("Reader Not Find"));
        QCOMPARE(WindowControls(window).shComm->brushColor(), console::LampRed);
        QVERIFY(!window.reader().CardReadActive);
        QVERIFY(window.inputEnabled());
        QVERIFY(WindowControls(window).btnExit->isEnabled());
        QVERIFY(!QApplication::overrideCursor());

        // Plugged in again, the port opens: nothing was left holding it.
        say("plug");
        QVERIFY(waitForSlave());
        window.btnScanClick();
        QVERIFY(window.reader().ReaderFound);
    }

    void unpluggedDuringASetOperation() {
        TfrmModule window(store_, links_);
        window.show();
        window.btnScanClick();
        QVERIFY(window.reader().ReaderFound);
        QTimer::singleShot(0, this, [this] { say("vanish"); });
        window.btnKeyClick();
        QCOMPARE(WindowControls(window).pnMsg->text(), QStringLiteral("Set Reader Key Error"));
        QVERIFY(window.inputEnabled());
        QVERIFY(!QApplication::overrideCursor());
    }

    void unpluggedDuringTheScan() {
        TfrmModule window(store_, links_);
        window.show();
        QTimer::singleShot(0, this, [this] { say("vanish"); });
        window.btnScanClick();
        QVERIFY(!window.reader().ReaderFound);
        QVERIFY(WindowControls(window).pnMsg->text() == QStringLiteral("Reader Not Find") ||
                WindowControls(window).pnMsg->text() == QStringLiteral("Get Reader Info Error. (COM : #1)"));
        QVERIFY(window.inputEnabled());
        QVERIFY(!window.tmrBusy->isActive());
    }

    // A converter that echoes every command, and noise before every reply: the window finds the reader and sets
    // it as on a clean line.
    void echoingConverter() {
        QProcess echoing;
        echoing.setProgram(QStringLiteral(READER_SIM_PATH));
        echoing.setArguments({"--com", "2", "--print-path", "--echo", "--noise-bytes", "3"});
        echoing.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        echoing.start();
        QVERIFY(echoing.waitForStarted(5000));
        QVERIFY(echoing.waitForReadyRead(5000));
        say("vanish"); // COM1 out of the way: the scan finds COM2
        TfrmModule window(store_, links_);
        window.show();
        window.btnScanClick();
        QVERIFY(window.reader().ReaderFound);
        QCOMPARE(window.reader().ComPortNo, 2);
        QCOMPARE(WindowControls(window).pnSerial->text(), QStringLiteral("S/N : 20240117"));
        window.btnKeyClick();
        QCOMPARE(WindowControls(window).pnMsg->text(), QStringLiteral("Set Reader Key Ok"));
        echoing.terminate();
        QVERIFY(echoing.waitForFinished(5000));
    }

    void portHeldByAnotherProgram() {
        TfrmModule window(store_, links_);
        window.show();
        window.btnScanClick();
        QVERIFY(window.reader().ReaderFound);
        const int other = ::open(slave().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
        QVERIFY(other >= 0);
        QCOMPARE(flock(other, LOCK_EX | LOCK_NB), 0);
        const auto before = store_.values;
        window.btnReadCardClick();
        QCOMPARE(WindowControls(window).pnMsg->text(), QStringLiteral("Open COM : 1 Error"));
        window.btnIDClick();
        QCOMPARE(WindowControls(window).pnMsg->text(), QStringLiteral("Set Reader ID Error"));
        window.btnScanClick();
        QCOMPARE(WindowControls(window).pnMsg->text(), QStringLiteral("Reader Not Find"));
        QVERIFY(store_.values == before);
        ::close(other);
        window.btnScanClick();
        QVERIFY(window.reader().ReaderFound);
    }
};

QTEST_MAIN(TestFaultsPty)
#include "tst_faults_pty.moc"
