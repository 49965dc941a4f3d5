// The INI file that stands in for the registry key, in a throw-away XDG_CONFIG_HOME.

#include "platform/settings_store.h"
#include "settings/settings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <csignal>
#include <sys/resource.h>

using namespace settings;

class TestIniStore : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> tmp_;
    QByteArray savedHome_;

    QString configHome() const { return tmp_->path() + QStringLiteral("/xdg"); }
    QString filePath() const { return configHome() + QStringLiteral("/VELNO/ReaderConfig.conf"); }

    void writeFile(const QByteArray& content) {
        QVERIFY(QDir().mkpath(configHome() + QStringLiteral("/VELNO")));
        QFile file(filePath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    static LoadedSettings Load() {
        auto store = platform::MakeSystemSettingsStore();
        return LoadSettings(*store);
    }

private slots:
    void initTestCase() { savedHome_ = qgetenv("HOME"); }

    void init() {
        tmp_ = std::make_unique<QTemporaryDir>();
        QVERIFY(tmp_->isValid());
        // Never the user's own settings: both the XDG folder and the fallback home point into the sandbox.
        qputenv("XDG_CONFIG_HOME", configHome().toUtf8());
        qputenv("HOME", (tmp_->path() + QStringLiteral("/home")).toUtf8());
    }

    void cleanup() {
        qunsetenv("XDG_CONFIG_HOME");
        qputenv("HOME", savedHome_);
        tmp_.reset();
    }

    void missingFile() {
        auto store = platform::MakeSystemSettingsStore();
        QVERIFY(!store->open(false));
        const LoadedSettings loaded = LoadSettings(*store);
        QCOMPARE(loaded.ComPortNo, 0);
        QCOMPARE(loaded.ComSettings, std::string(protocol::DefaultComSettings));
        QCOMPARE(loaded.BaudRateIndex, protocol::DefaultBaudRateIndex);
        QCOMPARE(loaded.LanguageIndex, 0);
        QVERIFY(!QFile::exists(filePath())); // loading never creates anything
        QVERIFY(!QFile::exists(configHome()));
    }

    void integerText_data() {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("value");
        QTest::newRow("7") << QByteArray("7") << true << 7;
        QTest::newRow("leading zeros") << QByteArray("007") << true << 7;
        QTest::newRow("negative") << QByteArray("-1") << true << -1;
        QTest::newRow("int max") << QByteArray("2147483647") << true << 2147483647;
        QTest::newRow("int min") << QByteArray("-2147483648") << true << int(-2147483647 - 1);
        QTest::newRow("above 32 bits") << QByteArray("2147483648") << false << 0;
        QTest::newRow("below 32 bits") << QByteArray("-2147483649") << false << 0;
        QTest::newRow("far too long") << QByteArray("99999999999999999999999") << false << 0;
        QTest::newRow("letters") << QByteArray("abc") << false << 0;
        QTest::newRow("empty") << QByteArray("") << false << 0;
        QTest::newRow("trailing letters") << QByteArray("12abc") << false << 0;
        QTest::newRow("fraction") << QByteArray("1.5") << false << 0;
        QTest::newRow("hexadecimal") << QByteArray("0x10") << false << 0;
        QTest::newRow("plus sign") << QByteArray("+5") << false << 0;
        QTest::newRow("sign only") << QByteArray("-") << false << 0;
        QTest::newRow("two signs") << QByteArray("--1") << false << 0;
        QTest::newRow("list") << QByteArray("1,2") << false << 0;
        QTest::newRow("quoted") << QByteArray("\"3\"") << true << 3;
        QTest::newRow("byte array") << QByteArray("@ByteArray(3)") << false << 0;
        QTest::newRow("invalid") << QByteArray("@Invalid()") << false << 0;
    }

    // A ScanCommNo that is not a whole 32-bit decimal number is of the wrong type: reading stops there.
    void integerText() {
        QFETCH(QByteArray, text);
        QFETCH(bool, valid);
        QFETCH(int, value);
        writeFile("[General]\nScanCommNo=" + text + "\nScanBaudRate=\"9600,n,8,1\"\nLanguageFlag=ChineseGB\n");
        const LoadedSettings loaded = Load();
        QCOMPARE(loaded.ComPortNo, valid ? value : 0);
        QCOMPARE(loaded.ComSettings, std::string(valid ? "9600,n,8,1" : protocol::DefaultComSettings));
        QCOMPARE(loaded.LanguageIndex, valid ? 1 : 0);
    }

    void textValues_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("quoted") << QByteArray("ScanBaudRate=\"9600,n,8,1\"") << true << QByteArray("9600,n,8,1");
        QTest::newRow("unquoted list") << QByteArray("ScanBaudRate=9600,n,8,1") << true << QByteArray("9600,n,8,1");
        QTest::newRow("plain") << QByteArray("ScanBaudRate=odd") << true << QByteArray("odd");
        QTest::newRow("empty") << QByteArray("ScanBaudRate=") << true << QByteArray("");
        QTest::newRow("byte array") << QByteArray("ScanBaudRate=@ByteArray(9600)") << false << QByteArray();
        QTest::newRow("variant") << QByteArray("ScanBaudRate=@Variant(\\0\\0\\0\\x2\\0\\0\\0\\x5)") << false
                                 << QByteArray();
    }

    void textValues() {
        QFETCH(QByteArray, line);
        QFETCH(bool, valid);
        QFETCH(QByteArray, text);
        writeFile("[General]\nScanCommNo=4\n" + line + "\nScanBaudRateNo=2\n");
        const LoadedSettings loaded = Load();
        QCOMPARE(loaded.ComPortNo, 4);
        QCOMPARE(loaded.ComSettings, valid ? text.toStdString() : std::string(protocol::DefaultComSettings));
        QCOMPARE(loaded.BaudRateIndex, valid ? 2 : protocol::DefaultBaudRateIndex);
    }

    void garbageFile() {
        static const char junk[] = "\x00\xff\xfe[[[=\n=\\\n[General\nScanCommNo\n";
        writeFile(QByteArray(junk, sizeof junk - 1));
        const LoadedSettings loaded = Load();
        QCOMPARE(loaded.ComPortNo, 0);
        QCOMPARE(loaded.ComSettings, std::string(protocol::DefaultComSettings));
        QCOMPARE(loaded.LanguageIndex, 0);
    }

    void roundTrip() {
        {
            auto store = platform::MakeSystemSettingsStore();
            SaveScanSettings(*store, 12, 3, "9600,e,8,1");
            SaveLanguage(*store, "ChineseBIG5");
        }
        QFile file(filePath());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray content = file.readAll();
        QVERIFY2(content.startsWith("[General]\n"), content.constData());
        QVERIFY(content.contains("\nScanCommNo=12\n"));
        QVERIFY(content.contains("\nScanBaudRateNo=3\n"));
        QVERIFY(content.contains("\nLanguageFlag=ChineseBIG5\n"));

        const LoadedSettings loaded = Load();
        QCOMPARE(loaded.ComPortNo, 12);
        QCOMPARE(loaded.BaudRateIndex, 3);
        QCOMPARE(loaded.ComSettings, std::string("9600,e,8,1"));
        QCOMPARE(loaded.LanguageName, std::string("ChineseBIG5"));
        QCOMPARE(loaded.LanguageIndex, 2);
    }

    void unwritable_data() {
        QTest::addColumn<QString>("blocker");
        // Root ignores permission bits, so the folder or the file is made impossible by a file in its way.
        QTest::newRow("config home is a file") << QStringLiteral("xdg");
        QTest::newRow("VELNO is a file") << QStringLiteral("xdg/VELNO");
        QTest::newRow("settings file is a folder") << QStringLiteral("xdg/VELNO/ReaderConfig.conf/");
    }

    void unwritable() {
        QFETCH(QString, blocker);
        const QString path = tmp_->path() + QLatin1Char('/') + blocker;
        if (blocker.endsWith(QLatin1Char('/'))) {
            QVERIFY(QDir().mkpath(path));
        } else {
            QVERIFY(QDir().mkpath(QFileInfo(path).path()));
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }

        auto store = platform::MakeSystemSettingsStore();
        if (store->open(true)) {
            QVERIFY(!store->writeText("LanguageFlag", "ChineseGB"));
            QVERIFY(!store->writeInt("ScanCommNo", 3));
            store->close();
        }
        SaveLanguage(*store, "ChineseGB");
        SaveScanSettings(*store, 3, 2, "9600,n,8,1");
        const LoadedSettings loaded = Load();
        QCOMPARE(loaded.LanguageIndex, 0);
        QCOMPARE(loaded.ComPortNo, 0);
    }

    // A write that does not reach the disk (here: a file-size limit of zero, as on a full disk) must be
    // reported by the write itself, so that the save stops there.
    void writeFailureReported() {
        QVERIFY(QDir().mkpath(configHome() + QStringLiteral("/VELNO")));
        auto store = platform::MakeSystemSettingsStore();
        QVERIFY(store->open(true));

        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit none = saved;
        none.rlim_cur = 0;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &none), 0);
        const bool written = store->writeText("LanguageFlag", "ChineseGB");
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
        store->close();

        QVERIFY(!written);
        QCOMPARE(Load().LanguageIndex, 0);
    }

    void location_data() {
        QTest::addColumn<QByteArray>("xdg");
        QTest::addColumn<QString>("expected");
        QTest::newRow("XDG_CONFIG_HOME") << QByteArray("@/elsewhere") << QStringLiteral("elsewhere");
        QTest::newRow("unset") << QByteArray() << QStringLiteral("home/.config");
        QTest::newRow("relative") << QByteArray("relative/config") << QStringLiteral("home/.config");
    }

    void location() {
        QFETCH(QByteArray, xdg);
        QFETCH(QString, expected);
        if (xdg.isNull())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", xdg.replace('@', tmp_->path().toUtf8()));
        const QString path = tmp_->path() + QLatin1Char('/') + expected + QStringLiteral("/VELNO/ReaderConfig.conf");

        auto store = platform::MakeSystemSettingsStore();
        SaveLanguage(*store, "ChineseGB");
        QVERIFY2(QFile::exists(path), qPrintable(path));
        QCOMPARE(LoadSettings(*store).LanguageIndex, 1);
    }
};

QTEST_APPLESS_MAIN(TestIniStore)
#include "tst_ini_store.moc"
