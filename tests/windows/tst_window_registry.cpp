// The window over the real registry key, under wine: what a damaged key does to the start and the scan, and
// that the scan and the language switch leave the values another program reads. The reader is the
// virtual-time double; the key belongs to the private prefix of scripts/check.d/35-windows-gui.sh and is
// deleted before every case.

#include "tests/console/window_fixture.h"

#include "operations/operations.h"
#include "settings/settings.h"

#include <windows.h>

#include <string>

namespace {

constexpr const char* KeyPath = "Software\\VELNO\\ReaderConfig";

void DeleteKey() {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, KeyPath);
}

bool Write(const char* name, DWORD type, const QByteArray& data) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, KeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const LONG result = RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.constData()),
                                       static_cast<DWORD>(data.size()));
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

QByteArray Dword(quint32 value) {
    return QByteArray(reinterpret_cast<const char*>(&value), sizeof value);
}
QByteArray Sz(const QByteArray& text) {
    return text + '\0';
}

/// The value as "type:data" (a DWORD in decimal), or "missing".
QString Stored(const char* name) {
    DWORD type = 0;
    char data[256] = {};
    DWORD size = sizeof data - 1;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, KeyPath, name, RRF_RT_ANY | RRF_NOEXPAND, &type, data, &size) != ERROR_SUCCESS)
        return QStringLiteral("missing");
    if (type == REG_DWORD)
        return QStringLiteral("dword:%1").arg(*reinterpret_cast<const quint32*>(data));
    if (type == REG_SZ)
        return QStringLiteral("sz:") + QString::fromLatin1(data);
    return QStringLiteral("type %1").arg(type);
}

struct RawValue {
    const char* name;
    DWORD type;
    QByteArray data;
};
using RawValues = QList<RawValue>;

} // namespace

Q_DECLARE_METATYPE(RawValues)

class TestWindowRegistry : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (qEnvironmentVariableIsEmpty("READERCONFIG_WINE_TESTS"))
            QSKIP("only in the private wine prefix of the Windows stage (READERCONFIG_WINE_TESTS)");
    }
    void init() { DeleteKey(); }
    void cleanupTestCase() { DeleteKey(); }

    void damagedKey_data() {
        QTest::addColumn<RawValues>("values");
        QTest::newRow("port as text") << RawValues{{"ScanCommNo", REG_SZ, Sz("3")},
                                                   {"ScanBaudRate", REG_SZ, Sz("9600,e,8,1")}};
        QTest::newRow("numbers out of range") << RawValues{{"ScanCommNo", REG_DWORD, Dword(0xFFFFFFFFu)},
                                                           {"ScanBaudRate", REG_SZ, Sz("19200,e,8,1")},
                                                           {"ScanBaudRateNo", REG_DWORD, Dword(0x7FFFFFFFu)}};
        QTest::newRow("settings as binary") << RawValues{{"ScanBaudRate", REG_BINARY, QByteArray("\x01\x02", 2)}};
        QTest::newRow("a DWORD of two bytes") << RawValues{{"ScanBaudRateNo", REG_DWORD, QByteArray("\x07\x00", 2)}};
        QTest::newRow("huge language") << RawValues{{"LanguageFlag", REG_SZ, Sz(QByteArray(100000, 'x'))}};
    }
    void damagedKey() {
        QFETCH(RawValues, values);
        for (const RawValue& value : values)
            QVERIFY(Write(value.name, value.type, value.data));
        const std::unique_ptr<platform::SettingsStore> store = platform::MakeSystemSettingsStore();
        WindowFixture f;
        f.readerOn(2);
        TfrmModule window(*store, f.links);
        const WindowControls controls(window);
        window.show();
        const int index = window.reader().BaudRateIndex;
        QVERIFY(index >= 0 && index < BaudRateCount);
        QCOMPARE(controls.cmbBaudRate->currentIndex(), index);
        window.btnScanClick();
        QVERIFY(window.reader().ReaderFound);
        // Found by searching, so saved with the right types whatever was there before.
        QCOMPARE(Stored("ScanCommNo"), QStringLiteral("dword:2"));
        QCOMPARE(Stored("ScanBaudRateNo"), QStringLiteral("dword:5"));
        QCOMPARE(Stored("ScanBaudRate"), QStringLiteral("sz:19200,e,8,1"));
    }

    void languageKeptForTheNextStart_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("flag");
        QTest::addColumn<int>("index");
        QTest::newRow("Simplified") << 1 << QStringLiteral("ChineseGB") << 1;
        QTest::newRow("Traditional") << 2 << QStringLiteral("ChineseBIG5") << 2;
        QTest::newRow("English") << 0 << QStringLiteral("English") << 0;
    }
    void languageKeptForTheNextStart() {
        QFETCH(int, button);
        QFETCH(QString, flag);
        QFETCH(int, index);
        const std::unique_ptr<platform::SettingsStore> store = platform::MakeSystemSettingsStore();
        {
            WindowFixture f;
            TfrmModule window(*store, f.links);
            window.show();
            button == 1 ? window.btnGBClick() : button == 2 ? window.btnBIG5Click() : window.btnEngClick();
        }
        QCOMPARE(Stored("LanguageFlag"), QStringLiteral("sz:") + flag);
        QCOMPARE(Stored("ScanCommNo"), QStringLiteral("missing"));
        const settings::LoadedSettings loaded = settings::LoadSettings(*store);
        QCOMPARE(loaded.LanguageIndex, index);
    }
};

QTEST_MAIN(TestWindowRegistry)
#include "tst_window_registry.moc"
