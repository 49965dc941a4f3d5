// The load and save algorithm over the in-memory key: which values survive a wrong type, a missing value, a
// refused key or a refused write.

#include "platform/testing/memory_settings_store.h"
#include "settings/settings.h"

#include <QTest>

#include <climits>
#include <map>
#include <set>

using namespace settings;

using platform::MemorySettingsStore;
using Content = std::map<std::string, MemorySettingsStore::Value>;
using Names = std::set<std::string>;
Q_DECLARE_METATYPE(Content)
Q_DECLARE_METATYPE(Names)
Q_DECLARE_METATYPE(LoadedSettings)

namespace {

using Bytes = std::vector<std::uint8_t>;

LoadedSettings Expect(std::int32_t port, const char* settings, std::int32_t index, const char* name, int language) {
    return LoadedSettings{port, settings, index, name, language};
}

const LoadedSettings Defaults{};

/// Refuses the write of one named value, to stop a save half-way.
class FailingStore : public MemorySettingsStore {
public:
    std::string failName;
    bool writeInt(const char* name, std::int32_t value) override {
        return name != failName && MemorySettingsStore::writeInt(name, value);
    }
    bool writeText(const char* name, const std::string& value) override {
        return name != failName && MemorySettingsStore::writeText(name, value);
    }
};

Names NamesOf(const MemorySettingsStore& store) {
    Names names;
    for (const auto& [name, value] : store.values)
        names.insert(name);
    return names;
}

} // namespace

class TestLoadSave : public QObject {
    Q_OBJECT

private slots:
    void load_data() {
        QTest::addColumn<bool>("keyExists");
        QTest::addColumn<Content>("content");
        QTest::addColumn<LoadedSettings>("expected");

        const Content all{{"ScanCommNo", 3},
                          {"ScanBaudRate", std::string("9600,n,8,1")},
                          {"ScanBaudRateNo", 2},
                          {"LanguageFlag", std::string("ChineseBIG5")}};
        auto with = [&all](const char* name, MemorySettingsStore::Value value) {
            Content content = all;
            content[name] = std::move(value);
            return content;
        };
        auto without = [&all](const char* name) {
            Content content = all;
            content.erase(name);
            return content;
        };

        QTest::newRow("no key") << false << all << Defaults;
        QTest::newRow("empty key") << true << Content{} << Defaults;
        QTest::newRow("all values") << true << all << Expect(3, "9600,n,8,1", 2, "ChineseBIG5", 2);

        // A value of the wrong type ends the reading: it and everything after it keep the defaults.
        QTest::newRow("ScanCommNo as text") << true << with("ScanCommNo", std::string("3")) << Defaults;
        QTest::newRow("ScanCommNo as bytes") << true << with("ScanCommNo", Bytes{3, 0, 0, 0}) << Defaults;
        QTest::newRow("ScanBaudRate as integer")
            << true << with("ScanBaudRate", 7) << Expect(3, protocol::DefaultComSettings, 5, "English", 0);
        QTest::newRow("ScanBaudRate as bytes") << true << with("ScanBaudRate", Bytes{'9', '6'})
                                               << Expect(3, protocol::DefaultComSettings, 5, "English", 0);
        QTest::newRow("ScanBaudRate not UTF-8") << true << with("ScanBaudRate", std::string("9600,\xE9,8,1"))
                                                << Expect(3, protocol::DefaultComSettings, 5, "English", 0);
        QTest::newRow("ScanBaudRateNo as text")
            << true << with("ScanBaudRateNo", std::string("2")) << Expect(3, "9600,n,8,1", 5, "English", 0);
        QTest::newRow("LanguageFlag as integer")
            << true << with("LanguageFlag", 1) << Expect(3, "9600,n,8,1", 2, "English", 0);

        // A missing value only takes its own default.
        QTest::newRow("ScanCommNo missing")
            << true << without("ScanCommNo") << Expect(0, "9600,n,8,1", 2, "ChineseBIG5", 2);
        QTest::newRow("ScanBaudRate missing")
            << true << without("ScanBaudRate") << Expect(3, protocol::DefaultComSettings, 2, "ChineseBIG5", 2);
        QTest::newRow("ScanBaudRateNo missing")
            << true << without("ScanBaudRateNo") << Expect(3, "9600,n,8,1", 5, "ChineseBIG5", 2);
        QTest::newRow("LanguageFlag missing")
            << true << without("LanguageFlag") << Expect(3, "9600,n,8,1", 2, "English", 0);
        QTest::newRow("negative port is kept")
            << true << with("ScanCommNo", -1) << Expect(-1, "9600,n,8,1", 2, "ChineseBIG5", 2);

        // An index outside the table becomes the default item; the line-settings text stays as loaded.
        QTest::newRow("index 0") << true << with("ScanBaudRateNo", 0) << Expect(3, "9600,n,8,1", 0, "ChineseBIG5", 2);
        QTest::newRow("index 11") << true << with("ScanBaudRateNo", 11)
                                  << Expect(3, "9600,n,8,1", 11, "ChineseBIG5", 2);
        QTest::newRow("index 12") << true << with("ScanBaudRateNo", 12) << Expect(3, "9600,n,8,1", 5, "ChineseBIG5", 2);
        QTest::newRow("index -1") << true << with("ScanBaudRateNo", -1) << Expect(3, "9600,n,8,1", 5, "ChineseBIG5", 2);
        QTest::newRow("index INT_MIN") << true << with("ScanBaudRateNo", INT_MIN)
                                       << Expect(3, "9600,n,8,1", 5, "ChineseBIG5", 2);
        QTest::newRow("index INT_MAX") << true << with("ScanBaudRateNo", INT_MAX)
                                       << Expect(3, "9600,n,8,1", 5, "ChineseBIG5", 2);

        // The language name is compared byte for byte; an unknown name is kept but shows English.
        QTest::newRow("ChineseGB") << true << with("LanguageFlag", std::string("ChineseGB"))
                                   << Expect(3, "9600,n,8,1", 2, "ChineseGB", 1);
        QTest::newRow("English") << true << with("LanguageFlag", std::string("English"))
                                 << Expect(3, "9600,n,8,1", 2, "English", 0);
        QTest::newRow("small letters") << true << with("LanguageFlag", std::string("chinesegb"))
                                       << Expect(3, "9600,n,8,1", 2, "chinesegb", 0);
        QTest::newRow("trailing blank") << true << with("LanguageFlag", std::string("ChineseBIG5 "))
                                        << Expect(3, "9600,n,8,1", 2, "ChineseBIG5 ", 0);
        QTest::newRow("empty name") << true << with("LanguageFlag", std::string()) << Expect(3, "9600,n,8,1", 2, "", 0);
        QTest::newRow("empty settings text")
            << true << with("ScanBaudRate", std::string()) << Expect(3, "", 2, "ChineseBIG5", 2);
    }

    void load() {
        QFETCH(bool, keyExists);
        QFETCH(Content, content);
        QFETCH(LoadedSettings, expected);
        MemorySettingsStore store;
        store.keyExists = keyExists;
        store.values = content;

        const LoadedSettings loaded = LoadSettings(store);
        QCOMPARE(loaded.ComPortNo, expected.ComPortNo);
        QCOMPARE(loaded.ComSettings, expected.ComSettings);
        QCOMPARE(loaded.BaudRateIndex, expected.BaudRateIndex);
        QCOMPARE(loaded.LanguageName, expected.LanguageName);
        QCOMPARE(loaded.LanguageIndex, expected.LanguageIndex);
        QVERIFY(!store.isOpen());
        QCOMPARE(store.keyExists, keyExists); // loading never creates the key
        QCOMPARE(store.writeCount, 0);
    }

    void saveScanSettings_data() {
        QTest::addColumn<bool>("refuseCreate");
        QTest::addColumn<QByteArray>("failName");
        QTest::addColumn<Names>("written");
        const Names scan{"ScanCommNo", "ScanBaudRateNo", "ScanBaudRate"};
        QTest::newRow("all written") << false << QByteArray() << scan;
        QTest::newRow("key not creatable") << true << QByteArray() << Names{};
        // The first failure ends the save; earlier values stay written.
        QTest::newRow("ScanCommNo refused") << false << QByteArray("ScanCommNo") << Names{};
        QTest::newRow("ScanBaudRateNo refused") << false << QByteArray("ScanBaudRateNo") << Names{"ScanCommNo"};
        QTest::newRow("ScanBaudRate refused")
            << false << QByteArray("ScanBaudRate") << Names{"ScanCommNo", "ScanBaudRateNo"};
    }

    void saveScanSettings() {
        QFETCH(bool, refuseCreate);
        QFETCH(QByteArray, failName);
        QFETCH(Names, written);
        FailingStore store;
        store.refuseCreate = refuseCreate;
        store.failName = failName.toStdString();

        SaveScanSettings(store, 7, 9, "57600,e,8,1");
        QCOMPARE(NamesOf(store), written);
        QVERIFY(!store.isOpen());
        if (written.count("ScanCommNo"))
            QCOMPARE(std::get<std::int32_t>(store.values["ScanCommNo"]), 7);
        if (written.count("ScanBaudRateNo"))
            QCOMPARE(std::get<std::int32_t>(store.values["ScanBaudRateNo"]), 9);
        if (written.count("ScanBaudRate"))
            QCOMPARE(std::get<std::string>(store.values["ScanBaudRate"]), std::string("57600,e,8,1"));
    }

    void saveLanguage_data() {
        QTest::addColumn<bool>("refuseCreate");
        QTest::addColumn<bool>("refuseWrites");
        QTest::addColumn<bool>("saved");
        QTest::newRow("written") << false << false << true;
        QTest::newRow("key not creatable") << true << false << false;
        QTest::newRow("value not writable") << false << true << false;
    }

    // A failed save is silent; the next start comes up in the language last saved successfully.
    void saveLanguage() {
        QFETCH(bool, refuseCreate);
        QFETCH(bool, refuseWrites);
        QFETCH(bool, saved);
        MemorySettingsStore store;
        store.keyExists = true;
        store.values = {{"ScanCommNo", 2}, {"LanguageFlag", std::string("ChineseGB")}};
        store.refuseCreate = refuseCreate;
        store.refuseWrites = refuseWrites;

        SaveLanguage(store, "ChineseBIG5");
        QVERIFY(!store.isOpen());
        store.refuseCreate = store.refuseWrites = false;
        const LoadedSettings next = LoadSettings(store);
        QCOMPARE(next.LanguageName, std::string(saved ? "ChineseBIG5" : "ChineseGB"));
        QCOMPARE(next.LanguageIndex, saved ? 2 : 1);
        QCOMPARE(next.ComPortNo, 2);
    }

    void saveCreatesMissingKey() {
        MemorySettingsStore store;
        SaveLanguage(store, "English");
        QVERIFY(store.keyExists);
        QCOMPARE(std::get<std::string>(store.values.at("LanguageFlag")), std::string("English"));
    }

    void roundTrip_data() {
        QTest::addColumn<int>("port");
        QTest::addColumn<int>("index");
        QTest::addColumn<QByteArray>("settings");
        QTest::addColumn<int>("language");
        QTest::newRow("COM3 9600 Traditional") << 3 << 2 << QByteArray("9600,n,8,1") << 2;
        QTest::newRow("COM16 115200 Simplified") << 16 << 11 << QByteArray("115200,e,8,1") << 1;
        QTest::newRow("COM1 4800 English") << 1 << 0 << QByteArray("4800,n,8,1") << 0;
    }

    // What a scan and a language button save is what the next start loads.
    void roundTrip() {
        QFETCH(int, port);
        QFETCH(int, index);
        QFETCH(QByteArray, settings);
        QFETCH(int, language);
        static const char* const names[] = {"English", "ChineseGB", "ChineseBIG5"};
        MemorySettingsStore store;
        SaveScanSettings(store, port, index, settings.toStdString());
        SaveLanguage(store, names[language]);
        QCOMPARE(store.writeCount, 4);

        const LoadedSettings loaded = LoadSettings(store);
        QCOMPARE(loaded.ComPortNo, port);
        QCOMPARE(loaded.BaudRateIndex, index);
        QCOMPARE(loaded.ComSettings, settings.toStdString());
        QCOMPARE(loaded.LanguageIndex, language);
    }

    // The pair moves together; an index outside the table leaves both alone.
};

QTEST_APPLESS_MAIN(TestLoadSave)
#include "tst_load_save.moc"
