// readerctl ports and --pin over a sysfs and /dev tree the test builds as the kernel and udev lay them out:
// what identifies each adapter, the ambiguous by-id name of two alike, and the ports folder that pinning
// writes all or nothing.

#include "cli/ports.h"
#include "cli/readerctl.h"
#include "localisation/language.h"
#include "platform/testing/memory_settings_store.h"
#include "platform/testing/virtual_system.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <sstream>
#include <unistd.h>

namespace {

class Tree {
public:
    QString root() const { return dir_.path(); }
    platform::PortRoots roots() const {
        return {(root() + "/sys").toStdString(), (root() + "/dev").toStdString(), (root() + "/ports").toStdString()};
    }
    void file(const QString& path, const QByteArray& text = {}) {
        QFile file(folderOf(path));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text + "\n") > 0);
    }
    void link(const QString& path, const QString& target) {
        QCOMPARE(symlink(target.toLocal8Bit().constData(), folderOf(path).toLocal8Bit().constData()), 0);
    }
    /// A USB adapter on USB port `usb` ("1-2"): its strings (vendor, product id, maker, product, serial; those
    /// not given are absent) at the USB device, the tty below its interface, and udev's names in /dev/serial.
    void adapter(const QString& tty, const QString& usb, const QList<QByteArray>& strings, const QString& byId) {
        const QString device = "/sys/devices/pci0000:00/0000:00:14.0/usb1/" + usb;
        const char* names[] = {"idVendor", "idProduct", "manufacturer", "product", "serial"};
        for (int i = 0; i < strings.size(); ++i)
            file(device + '/' + names[i], strings[i]);
        const QString interface = device + '/' + usb + ":1.0";
        file(interface + "/bInterfaceNumber", "00");
        const bool acm = tty.startsWith("ttyACM");
        if (!acm)
            file(interface + '/' + tty + "/port_number", "0");
        const QString node = (acm ? interface : interface + '/' + tty) + "/tty/" + tty;
        link(node + "/device", acm ? "../../../" + usb + ":1.0" : "../../../" + tty);
        link("/sys/class/tty/" + tty, root() + node);
        file("/dev/" + tty);
        if (!byId.isEmpty())
            link("/dev/serial/by-id/" + byId, "../../" + tty);
        link("/dev/serial/by-path/pci-0000:00:14.0-usb-0:" + usb.mid(2) + ":1.0" + (acm ? "" : "-port0"),
             "../../" + tty);
    }
    /// A built-in port; the 8250 driver's nodes count only with a UART behind them, and a file has none.
    void builtIn(const QString& tty, const QString& driver) {
        file("/dev/" + tty);
        link("/sys/class/tty/" + tty + "/device/driver", "/sys/bus/platform/drivers/" + driver);
    }
    /// `path` in the tree, its folder made.
    QString folderOf(const QString& path) const {
        QDir().mkpath(QFileInfo(root() + path).path());
        return root() + path;
    }
    void pin(int portNo, const QString& target) { link(QString("/ports/COM%1").arg(portNo), root() + target); }
    /// The ports folder as "COM1 -> target" lines.
    QString folder() const {
        QStringList lines;
        for (const QFileInfo& entry : QDir(root() + "/ports").entryInfoList(QDir::System | QDir::Files | QDir::Hidden))
            lines << entry.fileName() + (entry.isSymLink() ? " -> " + entry.symLinkTarget() : "");
        return lines.join('\n').replace(root(), "~");
    }

private:
    QTemporaryDir dir_;
};

using Setup = std::function<void(Tree&)>;

const QString Serial = "usb-Example_USB_Serial_0001-if00-port0";
const QString Alike = "usb-Example_USB_Serial-if00-port0";
const QString Path2 = "/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0";
const QString Path3 = "/dev/serial/by-path/pci-0000:00:14.0-usb-0:3:1.0";
const QString Path4 = "/dev/serial/by-path/pci-0000:00:14.0-usb-0:4:1.0-port0";
const QString Shared =
    "       by-id     " + Alike + " (also another adapter's name: pin by by-path)\n       by-path   ";
const QString Usb = "       USB       0403:6001, Example, USB Serial, no serial number\n";
const QString NotPinned = "COM%1 not pinned: nothing was written, since COM%2 could not be pinned\n";

void TwoAdapters(Tree& tree) {
    tree.adapter("ttyUSB0", "1-2", {"0403", "6001", "Example", "USB Serial", "0001"}, Serial);
    tree.adapter("ttyACM0", "1-3", {"1234", "5678", "Example", "Modem"}, "usb-Example_Modem-if00");
    tree.builtIn("ttyS0", "serial8250");
    tree.builtIn("ttyS4", "dw-apb-uart");
}

/// COM1 pinned to the first adapter; in COM2's place a file, not a link.
void PinnedOverAFile(Tree& tree) {
    TwoAdapters(tree);
    tree.pin(1, "/dev/ttyUSB0");
    tree.file("/ports/COM2");
}

void TwoAlike(Tree& tree) {
    tree.adapter("ttyUSB0", "1-2", {"0403", "6001", "Example", "USB Serial"}, {});
    tree.adapter("ttyUSB1", "1-4", {"0403", "6001", "Example", "USB Serial"}, Alike);
}

/// `out`: standard output, then standard error, with ~ for the tree and without the numbers that have nothing.
void Row(const char* name, const Setup& setup, const QString& line, int status, const QString& out,
         const QString& folder) {
    QTest::newRow(name) << setup << line << status << out << folder;
}

} // namespace

Q_DECLARE_METATYPE(Setup)

class TestPorts : public QObject {
    Q_OBJECT

private slots:
    void ports_data() {
        QTest::addColumn<Setup>("setup");
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("folder");

        Row("two adapters, one without a serial; a phantom built-in port", TwoAdapters, "ports", 0,
            "COM1   ~/dev/ttyUSB0\n       by-id     " + Serial + "\n       by-path   " + Path2.mid(20) +
                "\n       USB       0403:6001, Example, USB Serial, serial 0001\nCOM2   ~/dev/ttyACM0\n"
                "       by-id     usb-Example_Modem-if00\n       by-path   " +
                Path3.mid(20) + "\n       USB       1234:5678, Example, Modem, no serial number\nCOM3   ~/dev/ttyS4\n",
            "");
        Row("two alike: one by-id name for both", TwoAlike, "ports", 0,
            "COM1   ~/dev/ttyUSB0\n" + Shared + Path2.mid(20) + "\n" + Usb + "COM2   ~/dev/ttyUSB1\n" + Shared +
                Path4.mid(20) + "\n" + Usb,
            "");
        Row("two alike, in Traditional Chinese", TwoAlike, "--language big5 ports", 0,
            "COM1   ~/dev/ttyUSB0\n       by-id     " + Alike +
                "（也是另一個轉換器的名稱：請以 by-path 固定）\n"
                "       by-path   " +
                Path2.mid(20) +
                "\n       USB       0403:6001, Example, USB Serial, 沒有序號\n"
                "COM2   ~/dev/ttyUSB1\n       by-id     " +
                Alike +
                "（也是另一個轉換器的名稱：請以 by-path 固定）\n"
                "       by-path   " +
                Path4.mid(20) + "\n       USB       0403:6001, Example, USB Serial, 沒有序號\n",
            "");
        Row(
            "pinned, with a stale link; strings that are no text",
            [](Tree& t) {
                t.adapter("ttyUSB0", "1-2", {"0403", "6001", "Ex\x1b[2J\xff", "USB Serial", "0001"}, Serial);
                t.pin(1, "/dev/serial/by-id/" + Serial);
                t.pin(2, "/dev/serial/by-id/gone");
            },
            "--json ports", 0,
            "{\"ok\":true,\"port\":1,\"device\":\"~/ports/COM1\",\"target\":\"~/dev/ttyUSB0\",\"byId\":[\"" + Serial +
                "\"],\"byPath\":\"pci-0000:00:14.0-usb-0:2:1.0-port0\",\"usb\":\"0403:6001\",\"manufacturer\":"
                "\"Ex?[2J\xef\xbf\xbd\",\"product\":\"USB Serial\",\"serial\":\"0001\",\"friendlyName\":null,"
                "\"ambiguous\":false}\n{\"ok\":true,\"port\":2,\"device\":null,\"target\":null,\"byId\":[],"
                "\"byPath\":null,\"usb\":null,\"manufacturer\":null,\"product\":null,\"serial\":null,"
                "\"friendlyName\":null,\"ambiguous\":false,\"problem\":\"~/ports/COM2 leads to "
                "~/dev/serial/by-id/gone, which does not exist\"}\n",
            "COM1 -> ~/dev/serial/by-id/" + Serial + "\nCOM2 -> ~/dev/serial/by-id/gone");

        Row("pin all: by-id, by-path without a serial, a built-in port's node", TwoAdapters, "ports --pin", 0,
            "COM1 pinned to ~/dev/serial/by-id/" + Serial + "\nCOM2 pinned to ~" + Path3 +
                "\nCOM3 pinned to ~/dev/ttyS4\n",
            "COM1 -> ~/dev/serial/by-id/" + Serial + "\nCOM2 -> ~" + Path3 + "\nCOM3 -> ~/dev/ttyS4");
        Row("pin all: two alike by by-path", TwoAlike, "ports --pin", 0,
            "COM1 pinned to ~" + Path2 + "\nCOM2 pinned to ~" + Path4 + "\n",
            "COM1 -> ~" + Path2 + "\nCOM2 -> ~" + Path4);
        Row("pin one while automatic: the others stay at their numbers", TwoAdapters,
            "ports --pin COM5=usb-Example_Modem-if00", 0,
            "COM5 pinned to ~/dev/serial/by-id/usb-Example_Modem-if00\nCOM1 pinned to ~/dev/serial/by-id/" + Serial +
                "\nCOM3 pinned to ~/dev/ttyS4\n",
            "COM1 -> ~/dev/serial/by-id/" + Serial +
                "\nCOM3 -> ~/dev/ttyS4\nCOM5 -> ~/dev/serial/by-id/usb-Example_Modem-if00");
        Row(
            "pin one in the folder: the adapter's old entry goes, a stale one stays",
            [](Tree& t) {
                TwoAdapters(t);
                t.pin(1, "/dev/ttyUSB0");
                t.pin(2, "/dev/serial/by-id/gone");
            },
            "ports --pin COM4=" + Serial, 0,
            "COM4 pinned to ~/dev/serial/by-id/" + Serial + "\nCOM1 removed; its adapter is COM4 now\n",
            "COM2 -> ~/dev/serial/by-id/gone\nCOM4 -> ~/dev/serial/by-id/" + Serial);
        Row(
            "pinned and removed, in Simplified Chinese",
            [](Tree& t) {
                TwoAdapters(t);
                t.pin(1, "/dev/ttyUSB0");
            },
            "--language gb ports --pin COM4=" + Serial, 0,
            "COM4 已固定到 ~/dev/serial/by-id/" + Serial + "\nCOM1 已移除；其转换器现在是 COM4\n",
            "COM4 -> ~/dev/serial/by-id/" + Serial);

        Row(
            "pin all: an adapter without udev's names stops all",
            [](Tree& t) {
                TwoAdapters(t);
                t.file("/dev/ttyUSB1");
            },
            "ports --pin", 1,
            NotPinned.arg(1).arg(2) +
                "COM2 not pinned: ~/dev/ttyUSB1 has no name in ~/dev/serial/by-path or by-id to pin it by (udev "
                "makes them)\n" +
                NotPinned.arg(3).arg(2) + NotPinned.arg(4).arg(2),
            "");
        Row("pin one over an entry that is not a link", PinnedOverAFile, "ports --pin COM2=" + Serial, 1,
            "COM2 not pinned: ~/ports/COM2 is not a link, and is left as it is\n" + NotPinned.arg(1).arg(2),
            "COM1 -> ~/dev/ttyUSB0\nCOM2");
        Row(
            "pin: the ports folder cannot be made",
            [](Tree& t) {
                TwoAlike(t);
                t.file("/ports");
            },
            "ports --pin", 1,
            "COM1 not pinned: cannot create the ports folder ~/ports: File exists\n"
            "COM2 not pinned: cannot create the ports folder ~/ports: File exists\n",
            "");
        const QString shared =
            "COM1 not pinned: " + Alike +
            " is the by-id name of more than one adapter; pin it by its name in ~/dev/serial/by-path";
        Row("pin a name two adapters share", TwoAlike, "--json ports --pin COM1=" + Alike, 1,
            "{\"ok\":false,\"code\":\"pin-failed\",\"error\":\"" + shared +
                "\",\"port\":1,\"entry\":\"~/ports/COM1\"}\n" + shared + "\n",
            "");
        Row("pin a name of nothing", TwoAlike, "ports --pin COM1=nothing", 1,
            "COM1 not pinned: no adapter is named nothing in ~/dev/serial/by-id/ or ~/dev/serial/by-path/\n", "");
        Row("pin a folder", TwoAlike, "ports --pin COM1=..", 1,
            "COM1 not pinned: ~/dev/serial/by-id/.. is not a device\n", "");
        Row("pin a name of nothing, in Simplified Chinese", TwoAlike, "--language gb ports --pin COM1=nothing", 1,
            "COM1 未固定：~/dev/serial/by-id/ 和 ~/dev/serial/by-path/ 中没有名为 nothing 的转换器\n", "");
        Row("pin one over an entry that is not a link, in Traditional Chinese", PinnedOverAFile,
            "--language big5 ports --pin COM2=" + Serial, 1,
            "COM2 未固定：~/ports/COM2 不是連結，保持不變\nCOM1 未固定：因 COM2 無法固定，什麼都沒有寫入\n",
            "COM1 -> ~/dev/ttyUSB0\nCOM2");
        Row(
            "a stale link, in Simplified Chinese", [](Tree& t) { t.pin(2, "/dev/serial/by-id/gone"); },
            "--language gb ports", 0, "COM2   -   (~/ports/COM2 指向 ~/dev/serial/by-id/gone，但它不存在)\n",
            "COM2 -> ~/dev/serial/by-id/gone");
    }
    void ports() {
        QFETCH(Setup, setup);
        QFETCH(QString, line);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, folder);
        Tree tree;
        setup(tree);
        std::vector<std::string> args;
        for (const QString& word : line.split(' '))
            args.push_back(word.toStdString());
        const cli::CtlParse parse = cli::ParseCtlArguments(args);
        QVERIFY(parse.invocation);
        localisation::SelectLanguage(cli::LanguageAsked(args).value_or(localisation::LanguageEnglish));
        std::ostringstream output, errors;
        platform::VirtualSystem system;
        platform::MemorySettingsStore store;
        cli::CtlEnvironment environment{system, store, output, errors, [] { return false; }, {}};
        const std::unique_ptr<cli::Reporter> report = cli::Reporter::Make(parse.invocation->json, environment);
        QCOMPARE(cli::ListPorts(*parse.invocation, tree.roots(), *report), status);
        const QString text = QString::fromStdString(output.str() + errors.str()).replace(tree.root(), "~");
        QCOMPARE(QString(text).remove(QRegularExpression("(COM\\d+ +-|\\{[^{]*\"device\":null,[^{]*false\\})\n")), out);
        QCOMPARE(tree.folder(), folder);
    }
};

QTEST_APPLESS_MAIN(TestPorts)
#include "tst_ports.moc"
