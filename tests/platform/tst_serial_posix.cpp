// The POSIX serial back end on a pseudo-terminal reached through the ports folder: exclusive use, raw
// mode, the line settings and the time-outs, and how COM numbers find devices.

#include "link/link.h"
#include "platform/com_ports.h"
#include "platform/system.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

/// A pseudo-terminal whose slave is COM`n` in a throw-away ports folder.
struct Pty {
    int master = -1;
    std::string slave;
    Pty() {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0)
            slave = ptsname(master);
    }
    ~Pty() {
        if (master >= 0)
            close(master);
    }
    termios line() const {
        termios tio{};
        tcgetattr(master, &tio);
        return tio;
    }
};

} // namespace

class TestSerialPosix : public QObject {
    Q_OBJECT

    QTemporaryDir home_;
    QString ports_;

    void link(int portNo, const std::string& device) {
        const QString path = ports_ + QStringLiteral("/COM%1").arg(portNo);
        QFile::remove(path);
        QVERIFY(QFile::link(QString::fromStdString(device), path));
    }

private slots:
    void initTestCase() {
        qputenv("XDG_CONFIG_HOME", home_.path().toLocal8Bit());
        ports_ = home_.path() + QStringLiteral("/VELNO/ports");
        QVERIFY(QDir().mkpath(ports_));
        QCOMPARE(QString::fromStdString(platform::PortsFolder()), ports_);
    }
    void cleanup() {
        for (const QString& name : QDir(ports_).entryList(QDir::System | QDir::Files))
            QFile::remove(ports_ + '/' + name);
    }

    void portsFolderDecides() {
        Pty pty;
        link(3, pty.slave);
        QCOMPARE(platform::ComPortDevice(3), ports_.toStdString() + "/COM3");
        // With the folder in use, numbers it does not name have no device, whatever /dev holds.
        QCOMPARE(platform::ComPortDevice(1), ports_.toStdString() + "/COM1");
        QVERIFY(platform::ComPortDevice(0).empty());
        QVERIFY(platform::ComPortDevice(17).empty());
        platform::OpenError error = platform::OpenError::None;
        QCOMPARE(platform::NativeSystem().openPort(1, &error), platform::InvalidPort);
        QCOMPARE(error, platform::OpenError::NotFound);
    }

    void deviceOrder_data() {
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("ordered");
        QTest::newRow("USB first, then ACM, then built-in, each by number")
            << QStringList{"ttyS10", "ttyUSB1", "ttyS2", "ttyACM0", "ttyUSB0", "ttyS0"}
            << QStringList{"ttyUSB0", "ttyUSB1", "ttyACM0", "ttyS0", "ttyS2", "ttyS10"};
        QTest::newRow("not serial devices are left out")
            << QStringList{"tty0", "tty1", "ttyUSBx", "null", "ttyACM3"} << QStringList{"ttyACM3"};
        QStringList many;
        for (int i = 0; i < 20; ++i)
            many << QStringLiteral("ttyS%1").arg(i);
        QTest::newRow("at most sixteen") << many << many.mid(0, 16);
    }
    void deviceOrder() {
        QFETCH(QStringList, names);
        QFETCH(QStringList, ordered);
        std::vector<std::string> in;
        for (const QString& name : names)
            in.push_back(name.toStdString());
        QStringList out;
        for (const std::string& name : platform::OrderSerialDevices(in))
            out << QString::fromStdString(name);
        QCOMPARE(out, ordered);
    }

    void exclusiveUse() {
        Pty pty;
        link(1, pty.slave);
        platform::System& system = platform::NativeSystem();
        const platform::PortHandle first = system.openPort(1);
        QVERIFY(first != platform::InvalidPort);
        platform::OpenError error = platform::OpenError::None;
        QCOMPARE(system.openPort(1, &error), platform::InvalidPort);
        QCOMPARE(error, platform::OpenError::Busy);
        system.closePort(first);

        // Another program holding the device: its lock keeps the tool out, root or not.
        const int other = ::open(pty.slave.c_str(), O_RDWR | O_NOCTTY);
        QVERIFY(other >= 0);
        QCOMPARE(flock(other, LOCK_EX | LOCK_NB), 0);
        QCOMPARE(system.openPort(1, &error), platform::InvalidPort);
        QCOMPARE(error, platform::OpenError::Busy);
        close(other);
        const platform::PortHandle again = system.openPort(1);
        QVERIFY(again != platform::InvalidPort);
        system.closePort(again);
    }

    void lineSettings_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<int>("speed");
        QTest::newRow("19200,e,8,1") << "19200,e,8,1" << true << int(B19200);
        QTest::newRow("4800,n,8,1") << "4800,n,8,1" << true << int(B4800);
        QTest::newRow("115200,e,8,1") << "115200,e,8,1" << true << int(B115200);
        QTest::newRow("garbage keeps the line") << "fast please" << false << int(B9600);
        QTest::newRow("unknown baud keeps the line") << "12345,n,8,1" << false << int(B9600);
    }
    void lineSettings() {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        QFETCH(int, speed);
        Pty pty;
        termios start = pty.line();
        cfsetispeed(&start, B9600);
        cfsetospeed(&start, B9600);
        start.c_cflag &= ~static_cast<tcflag_t>(PARENB);
        tcsetattr(pty.master, TCSANOW, &start);
        link(1, pty.slave);
        platform::System& system = platform::NativeSystem();
        const platform::PortHandle port = system.openPort(1);
        QVERIFY(port != platform::InvalidPort);
        QCOMPARE(system.applyLineSettings(port, text.toStdString()), accepted);
        const termios now = pty.line();
        QCOMPARE(int(cfgetospeed(&now)), speed);
        // A pseudo-terminal keeps no parity (the kernel clears PARENB on both sides), so only a real port
        // shows it; here the baud rate and the character size tell that the settings went in.
        QCOMPARE(int(now.c_cflag & CSIZE), int(CS8));
        QVERIFY(!(now.c_cflag & CSTOPB));
        system.closePort(port);
    }

    void timeoutsPutBackAtClose() {
        Pty pty;
        termios tio = pty.line();
        tio.c_cc[VMIN] = 5;
        tio.c_cc[VTIME] = 3;
        tcsetattr(pty.master, TCSANOW, &tio);
        link(2, pty.slave);
        readerlink::LinkSetup links(platform::NativeSystem());
        readerlink::Link line(links);
        QVERIFY(line.OpenComPort(2, "19200,e,8,1"));
        QCOMPARE(int(pty.line().c_cc[VMIN]), 0);
        QCOMPARE(int(pty.line().c_cc[VTIME]), 0);
        line.CloseComPort();
        QCOMPARE(int(pty.line().c_cc[VMIN]), 5);
        QCOMPARE(int(pty.line().c_cc[VTIME]), 3);
    }

    void rawBytesBothWays() {
        Pty pty;
        link(1, pty.slave);
        platform::System& system = platform::NativeSystem();
        const platform::PortHandle port = system.openPort(1);
        QVERIFY(port != platform::InvalidPort);
        std::uint8_t byte = 0;
        QCOMPARE(system.readByte(port, byte), platform::ReadResult::Nothing);

        // A CR must arrive as a CR, and an LF must not gain one.
        const char reply[] = "\n0A\r\x11\x13\x03";
        QCOMPARE(::write(pty.master, reply, sizeof reply - 1), ssize_t(sizeof reply - 1));
        std::string got;
        for (int i = 0; i < 200 && got.size() < sizeof reply - 1; ++i)
            if (system.readByte(port, byte) == platform::ReadResult::Byte)
                got += static_cast<char>(byte);
        QCOMPARE(got, std::string(reply, sizeof reply - 1));

        const std::uint8_t frame[] = {'\t', 'H', '\r', '\n'};
        QCOMPARE(system.write(port, frame, sizeof frame), sizeof frame);
        std::string out(16, '\0');
        pollfd entry{pty.master, POLLIN, 0};
        QVERIFY(poll(&entry, 1, 1000) == 1);
        out.resize(static_cast<std::size_t>(::read(pty.master, out.data(), out.size())));
        QCOMPARE(out, std::string("\tH\r\n"));
        system.closePort(port);

        // A closed handle is refused, not passed on to whatever reuses its descriptor.
        QCOMPARE(system.readByte(port, byte), platform::ReadResult::Error);
        QCOMPARE(system.write(port, frame, sizeof frame), std::size_t{0});
    }

    // The back end only names the reason; the link passes it up and the program prints the advice.
    void openErrorPassedUp_data() {
        QTest::addColumn<int>("error");
        QTest::addColumn<bool>("advised");
        QTest::newRow("permission") << int(platform::OpenError::Permission) << true;
        QTest::newRow("not found") << int(platform::OpenError::NotFound) << false;
        QTest::newRow("busy") << int(platform::OpenError::Busy) << false;
    }
    void openErrorPassedUp() {
        QFETCH(int, error);
        QFETCH(bool, advised);
        Pty pty;
        link(2, pty.slave);
        const std::string advice = platform::OpenErrorAdvice(2, static_cast<platform::OpenError>(error));
        QCOMPARE(!advice.empty(), advised);
        if (advised) // the device itself, not the COM2 link to it
            QVERIFY(advice.find(pty.slave + "; add the user to the 'dialout' group") != std::string::npos);

        std::vector<std::pair<int, platform::OpenError>> reported;
        readerlink::LinkSetup links(platform::NativeSystem());
        links.openErrorReport = [&](int portNo, platform::OpenError why) { reported.emplace_back(portNo, why); };
        QVERIFY(!readerlink::Link(links).OpenComPort(9, "19200,e,8,1"));
        QCOMPARE(reported.size(), std::size_t{1});
        QCOMPARE(reported[0].first, 9);
        QVERIFY(reported[0].second == platform::OpenError::NotFound);
    }

    // What waits in the input is taken without waiting, whatever the time-outs, and a byte at a time if asked.
    void readWaiting() {
        Pty pty;
        link(1, pty.slave);
        platform::System& system = platform::NativeSystem();
        const platform::PortHandle port = system.openPort(1);
        QVERIFY(port != platform::InvalidPort);
        std::uint8_t buffer[64];
        QCOMPARE(system.readWaiting(port, buffer, sizeof buffer), std::size_t{0});
        const char stale[] = "\nH01B20240117";
        QCOMPARE(::write(pty.master, stale, 3), ssize_t(3));
        QVERIFY(system.setTimeouts(port, readerlink::LinkTimeouts));
        pollfd entry{static_cast<int>(port), POLLIN, 0};
        QVERIFY(poll(&entry, 1, 1000) == 1);
        QVERIFY(system.setTimeouts(port, {0, 5, 0, 0, 0})); // VMIN 5: a plain read would wait for five bytes
        std::string got;
        for (std::size_t n; (n = system.readWaiting(port, buffer, 1)) > 0;)
            got.append(reinterpret_cast<const char*>(buffer), n);
        QCOMPARE(got, std::string(stale, 3));
        system.closePort(port);
        QCOMPARE(system.readWaiting(port, buffer, sizeof buffer), std::size_t{0});
    }

    // The adapter gone: a read fails at once, and the link ends the exchange as the port gone and lets it go.
    void hungUpDeviceEndsTheExchange() {
        auto* pty = new Pty;
        link(1, pty->slave);
        platform::System& system = platform::NativeSystem();
        readerlink::LinkSetup links(system);
        readerlink::Link line(links);
        QVERIFY(line.OpenComPort(1, "19200,e,8,1"));
        delete pty; // the adapter is gone
        std::uint8_t byte = 0;
        QCOMPARE(system.readByte(line.handle(), byte), platform::ReadResult::Error);
        QCOMPARE(line.SendCommand("H00B").outcome, readerlink::ReplyOutcome::PortGone);
        QVERIFY(line.portGone() && !line.isOpen());
    }
};

QTEST_GUILESS_MAIN(TestSerialPosix)
#include "tst_serial_posix.moc"
