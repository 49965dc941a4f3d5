// reader-sim itself, on a real pseudo-terminal, through the link's POSIX back end and the ports folder: a few
// end-to-end cases in real time. Everything else about the reader is tested on the virtual double.

#include "link/link.h"
#include "platform/com_ports.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

constexpr int Com = 3;

} // namespace

class TestSimPty : public QObject {
    Q_OBJECT

    readerlink::LinkSetup links_{platform::NativeSystem()};
    readerlink::Link link_{links_};

    QTemporaryDir config_;
    std::unique_ptr<QProcess> sim_;
    QString slave_;

    QString linkPath() const { return QString::fromStdString(platform::PortsFolder()) + "/COM" + QString::number(Com); }

    /// Starts reader-sim on COM3 and waits for its slave path.
    bool start(const QStringList& options) {
        sim_ = std::make_unique<QProcess>();
        sim_->setProgram(QStringLiteral(READER_SIM_PATH));
        sim_->setArguments(QStringList{"--com", QString::number(Com), "--print-path"} + options);
        sim_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        sim_->start();
        if (!sim_->waitForStarted(5000))
            return false;
        while (!sim_->canReadLine())
            if (!sim_->waitForReadyRead(5000))
                return false;
        slave_ = QString::fromLocal8Bit(sim_->readLine()).trimmed();
        return !slave_.isEmpty() && QFileInfo(linkPath()).symLinkTarget() == slave_;
    }
    void stop() {
        if (!sim_)
            return;
        sim_->terminate();
        sim_->waitForFinished(5000);
    }
    /// Opens COM3 until it works or `ms` passed (reader-sim re-points its link asynchronously).
    bool openWithin(int ms, const char* settings) {
        QElapsedTimer timer;
        timer.start();
        do {
            if (link_.OpenComPort(Com, settings))
                return true;
            QTest::qSleep(20);
        } while (timer.elapsed() < ms);
        return false;
    }

private slots:
    void initTestCase() {
        QVERIFY(config_.isValid());
        // The ports folder of this process and of every reader-sim it starts.
        qputenv("XDG_CONFIG_HOME", config_.path().toLocal8Bit());
    }
    void cleanup() {
        stop();
        sim_.reset();
    }

    void commandLine_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");

        QTest::newRow("help") << QStringList{"--help"} << 0;
        QTest::newRow("unknown option") << QStringList{"--frobnicate"} << 2;
        QTest::newRow("com 17") << QStringList{"--com", "17"} << 2;
        QTest::newRow("line 12") << QStringList{"--line", "12"} << 2;
        QTest::newRow("serial of 7") << QStringList{"--serial", "1234567"} << 2;
        QTest::newRow("missing value") << QStringList{"--delay-us"} << 2;
        QTest::newRow("mute lower case") << QStringList{"--mute", "v"} << 2;
        QTest::newRow("noise bytes over 1000") << QStringList{"--noise-bytes", "1001"} << 2;
    }
    void commandLine() {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QProcess process;
        process.start(QStringLiteral(READER_SIM_PATH), arguments);
        QVERIFY(process.waitForFinished(5000));
        QCOMPARE(process.exitCode(), exitCode);
        if (exitCode == 0) {
            const QByteArray help = process.readAllStandardOutput();
            QVERIFY(help.contains("--stop-after-polls") && help.contains("--echo") && help.contains("--noise-bytes"));
        }
    }

    // The full exchange over the pty: the reader answers only at its baud rate, with a 16-byte reply whose
    // checksum checks and whose serial number is the one it was given.
    void infoExchange_data() {
        QTest::addColumn<QString>("readerLine");
        QTest::addColumn<QString>("host");
        QTest::addColumn<bool>("answered");

        QTest::newRow("19200, the default") << "5"
                                            << "19200,e,8,1" << true;
        QTest::newRow("host at 9600") << "5"
                                      << "9600,e,8,1" << false;
        QTest::newRow("host at 38400") << "5"
                                       << "38400,e,8,1" << false;
        QTest::newRow("4800") << "0"
                              << "4800,n,8,1" << true;
        QTest::newRow("115200") << "11"
                                << "115200,e,8,1" << true;
    }
    void infoExchange() {
        QFETCH(QString, readerLine);
        QFETCH(QString, host);
        QFETCH(bool, answered);
        QVERIFY(start({"--line", readerLine, "--serial", "87654321"}));
        QVERIFY(link_.OpenComPort(Com, host.toStdString()));
        const bool ok = link_.SendCommand("H00B").valid();
        const int count = link_.rxCount();
        const std::string reply = link_.replyText();
        link_.CloseComPort();
        QCOMPARE(ok, answered);
        QCOMPARE(count, answered ? 16 : 0);
        if (answered)
            QCOMPARE(QString::fromStdString(reply.substr(5, 8)), QString("87654321"));
    }

    // The converter's echo and its noise come over the pty before the reply, which the link still takes.
    void echoAndNoise() {
        QVERIFY(start({"--echo", "--noise-bytes", "3"}));
        QVERIFY(link_.OpenComPort(Com, "19200,e,8,1"));
        const readerlink::Reply reply = link_.SendCommand("H00B");
        link_.CloseComPort();
        QVERIFY(reply.valid());
        QVERIFY(reply.echoed);
        QCOMPARE(QByteArray::fromStdString(reply.setAside), QByteArray("\tH00B03\r\0\xff\r", 11));
        QCOMPARE(reply.received.size(), std::size_t{16});
    }

    // A reply that comes after the host gave up and closed is lost with the close, as on a real port: the
    // next opener does not find it waiting.
    void lateReplyLostWithClose() {
        QVERIFY(start({"--delay-us", "200000"}));
        QVERIFY(link_.OpenComPort(Com, "19200,e,8,1"));
        QVERIFY(!link_.SendCommand("H00B").valid());
        link_.CloseComPort();
        QTest::qSleep(400);
        platform::System& system = platform::NativeSystem();
        const platform::PortHandle port = system.openPort(Com);
        QVERIFY(port != platform::InvalidPort);
        system.setTimeouts(port, readerlink::LinkTimeouts);
        int bytes = 0;
        for (int i = 0; i < 50; ++i) {
            std::uint8_t byte = 0;
            if (system.readByte(port, byte) == platform::ReadResult::Byte)
                ++bytes;
        }
        system.closePort(port);
        QCOMPARE(bytes, 0);
    }

    // Commands on standard input: a card for the next poll, the adapter pulled and plugged in again.
    void standardInput() {
        QVERIFY(start({}));
        QVERIFY(link_.OpenComPort(Com, "19200,e,8,1"));
        sim_->write("card 0000001A\n");
        QVERIFY(sim_->waitForBytesWritten(1000));
        QTest::qSleep(50);
        QVERIFY(link_.SendCommand("H00F").valid());
        QCOMPARE(QString::fromStdString(link_.replyText().substr(7, 8)), QString("0000001A"));

        sim_->write("vanish\n");
        QVERIFY(sim_->waitForBytesWritten(1000));
        QTest::qSleep(100);
        QCOMPARE(link_.SendCommand("H00B").outcome, readerlink::ReplyOutcome::PortGone);
        QVERIFY(!link_.isOpen());
        QVERIFY(!link_.OpenComPort(Com, "19200,e,8,1"));

        sim_->write("plug\n");
        QVERIFY(sim_->waitForBytesWritten(1000));
        QVERIFY(openWithin(2000, "19200,e,8,1"));
        QVERIFY(link_.SendCommand("H00B").valid());
        link_.CloseComPort();
    }

    void linkRemovedAtExit() {
        QVERIFY(start({}));
        QVERIFY(QFileInfo(linkPath()).isSymLink());
        sim_->terminate();
        QVERIFY(sim_->waitForFinished(5000));
        QCOMPARE(sim_->exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim_->exitCode(), 0);
        QVERIFY(!QFileInfo(linkPath()).isSymLink());
    }
};

QTEST_APPLESS_MAIN(TestSimPty)
#include "tst_sim_pty.moc"
