// Loading and saving the settings through the registry store under wine. Each row lays out the key with the
// raw registry calls, so that types and sizes the program never writes itself (a text where a number
// belongs, a DWORD of the wrong size, a text without its terminator) can be tried too.
//
// With arguments it is a tool for registry_query.sh, which checks the stored values with `reg query`:
//   --save PORT INDEX SETTINGS LANGUAGE   settings::SaveScanSettings, then settings::SaveLanguage
//   --save-language LANGUAGE              settings::SaveLanguage only
//   --print                               settings::LoadSettings, printed as name=value lines
// READERCONFIG_WINE_TESTS must be set (the private wine prefix of scripts/check.d/30-windows.sh): this
// program deletes the settings key.

#include "check.h"

#include "settings/settings.h"

#include <windows.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr const char* KeyPath = "Software\\VELNO\\ReaderConfig";

struct Value {
    const char* name;
    DWORD type;
    std::string data;
};
using Content = std::vector<Value>;

std::string Dword(std::uint32_t value) {
    return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}
/// A text as the registry stores REG_SZ: with its terminating zero.
std::string Sz(const std::string& text) {
    return text + '\0';
}

Value Int(const char* name, std::uint32_t value) {
    return {name, REG_DWORD, Dword(value)};
}
Value Text(const char* name, const std::string& text) {
    return {name, REG_SZ, Sz(text)};
}

void DeleteKey() {
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, KeyPath);
}

bool Lay(const Content& content) {
    DeleteKey();
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, KeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    bool ok = true;
    for (const Value& value : content)
        ok = ok && RegSetValueExA(key, value.name, 0, value.type, reinterpret_cast<const BYTE*>(value.data.data()),
                                  static_cast<DWORD>(value.data.size())) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

/// A stored value exactly as it is: its type and its bytes.
bool Stored(const char* name, DWORD& type, std::string& data) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, KeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD size = 0;
    bool ok = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS;
    if (ok) {
        data.assign(size, '\0');
        ok = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size) == ERROR_SUCCESS;
        data.resize(size);
    }
    RegCloseKey(key);
    return ok;
}

settings::LoadedSettings Load() {
    auto store = platform::MakeSystemSettingsStore();
    return settings::LoadSettings(*store);
}

void CheckLoaded(const settings::LoadedSettings& actual, const settings::LoadedSettings& expected) {
    CHECK_EQ(actual.ComPortNo, expected.ComPortNo);
    CHECK_EQ(actual.ComSettings, expected.ComSettings);
    CHECK_EQ(actual.BaudRateIndex, expected.BaudRateIndex);
    CHECK_EQ(actual.LanguageName, expected.LanguageName);
    CHECK_EQ(actual.LanguageIndex, expected.LanguageIndex);
}

settings::LoadedSettings Expect(std::int32_t port, const std::string& settings, std::int32_t index,
                                const std::string& name, int language) {
    return settings::LoadedSettings{port, settings, index, name, language};
}

const Content All{Int("ScanCommNo", 3), Text("ScanBaudRate", "9600,n,8,1"), Int("ScanBaudRateNo", 2),
                  Text("LanguageFlag", "ChineseBIG5")};
const settings::LoadedSettings AllLoaded = Expect(3, "9600,n,8,1", 2, "ChineseBIG5", 2);

Content With(Value value) {
    Content content = All;
    for (Value& v : content)
        if (std::strcmp(v.name, value.name) == 0)
            v = value;
    return content;
}
Content Without(const char* name) {
    Content content;
    for (const Value& v : All)
        if (std::strcmp(v.name, name) != 0)
            content.push_back(v);
    return content;
}

} // namespace

TEST(load) {
    const settings::LoadedSettings defaults;
    const std::string longText(40000, '7');
    const struct {
        const char* name;
        bool keyExists;
        Content content;
        settings::LoadedSettings expected;
    } rows[] = {
        {"no key", false, {}, defaults},
        {"empty key", true, {}, defaults},
        {"all values", true, All, AllLoaded},

        // A missing value keeps its default; the others are still read.
        {"ScanCommNo missing", true, Without("ScanCommNo"), Expect(0, "9600,n,8,1", 2, "ChineseBIG5", 2)},
        {"ScanBaudRate missing", true, Without("ScanBaudRate"), Expect(3, "19200,e,8,1", 2, "ChineseBIG5", 2)},
        {"ScanBaudRateNo missing", true, Without("ScanBaudRateNo"), Expect(3, "9600,n,8,1", 5, "ChineseBIG5", 2)},
        {"LanguageFlag missing", true, Without("LanguageFlag"), Expect(3, "9600,n,8,1", 2, "English", 0)},

        // A value of the wrong type stops the reading: it and everything after it keep the defaults.
        {"ScanCommNo as text", true, With(Text("ScanCommNo", "3")), defaults},
        {"ScanCommNo as 4 binary bytes", true, With({"ScanCommNo", REG_BINARY, Dword(3)}), defaults},
        {"ScanCommNo big-endian", true, With({"ScanCommNo", REG_DWORD_BIG_ENDIAN, Dword(3)}), defaults},
        {"ScanCommNo as QWORD", true, With({"ScanCommNo", REG_QWORD, Dword(3) + Dword(0)}), defaults},
        {"ScanCommNo DWORD of 2 bytes", true, With({"ScanCommNo", REG_DWORD, std::string("\x03\x00", 2)}), defaults},
        {"ScanCommNo DWORD of 8 bytes", true, With({"ScanCommNo", REG_DWORD, Dword(3) + Dword(0)}), defaults},
        {"ScanBaudRate as DWORD", true, With(Int("ScanBaudRate", 9600)), Expect(3, "19200,e,8,1", 5, "English", 0)},
        {"ScanBaudRate as multi-text", true, With({"ScanBaudRate", REG_MULTI_SZ, Sz("9600,n,8,1") + '\0'}),
         Expect(3, "19200,e,8,1", 5, "English", 0)},
        {"ScanBaudRateNo as text", true, With(Text("ScanBaudRateNo", "2")), Expect(3, "9600,n,8,1", 5, "English", 0)},
        {"LanguageFlag as DWORD", true, With(Int("LanguageFlag", 1)), Expect(3, "9600,n,8,1", 2, "English", 0)},
        {"LanguageFlag as binary", true, With({"LanguageFlag", REG_BINARY, Sz("ChineseGB")}),
         Expect(3, "9600,n,8,1", 2, "English", 0)},

        // Texts as other writers may leave them.
        {"ScanBaudRate expandable", true, With({"ScanBaudRate", REG_EXPAND_SZ, Sz("4800,n,8,1")}),
         Expect(3, "4800,n,8,1", 2, "ChineseBIG5", 2)},
        {"ScanBaudRate of length 0", true, With({"ScanBaudRate", REG_SZ, ""}), Expect(3, "", 2, "ChineseBIG5", 2)},
        {"ScanBaudRate only a zero", true, With(Text("ScanBaudRate", "")), Expect(3, "", 2, "ChineseBIG5", 2)},
        {"ScanBaudRate without terminator", true, With({"ScanBaudRate", REG_SZ, "4800,e,8,1"}),
         Expect(3, "4800,e,8,1", 2, "ChineseBIG5", 2)},
        {"ScanBaudRate with a zero inside", true, With({"ScanBaudRate", REG_SZ, std::string("4800\0junk\0", 10)}),
         Expect(3, "4800", 2, "ChineseBIG5", 2)},
        {"ScanBaudRate 40000 characters", true, With(Text("ScanBaudRate", longText)),
         Expect(3, longText, 2, "ChineseBIG5", 2)},

        // An index outside the 12 line settings becomes the default one; the port number is taken as it is.
        {"index 0", true, With(Int("ScanBaudRateNo", 0)), Expect(3, "9600,n,8,1", 0, "ChineseBIG5", 2)},
        {"index 11", true, With(Int("ScanBaudRateNo", 11)), Expect(3, "9600,n,8,1", 11, "ChineseBIG5", 2)},
        {"index 12", true, With(Int("ScanBaudRateNo", 12)), Expect(3, "9600,n,8,1", 5, "ChineseBIG5", 2)},
        {"index -1", true, With(Int("ScanBaudRateNo", 0xFFFFFFFFu)), Expect(3, "9600,n,8,1", 5, "ChineseBIG5", 2)},
        {"index INT_MIN", true, With(Int("ScanBaudRateNo", 0x80000000u)), Expect(3, "9600,n,8,1", 5, "ChineseBIG5", 2)},
        {"port 0xFFFFFFFF", true, With(Int("ScanCommNo", 0xFFFFFFFFu)), Expect(-1, "9600,n,8,1", 2, "ChineseBIG5", 2)},

        // Language names: exact bytes; an unknown one is kept and shown in English.
        {"ChineseGB", true, With(Text("LanguageFlag", "ChineseGB")), Expect(3, "9600,n,8,1", 2, "ChineseGB", 1)},
        {"English", true, With(Text("LanguageFlag", "English")), Expect(3, "9600,n,8,1", 2, "English", 0)},
        {"chinesegb", true, With(Text("LanguageFlag", "chinesegb")), Expect(3, "9600,n,8,1", 2, "chinesegb", 0)},
        {"ChineseGB with a space", true, With(Text("LanguageFlag", "ChineseGB ")),
         Expect(3, "9600,n,8,1", 2, "ChineseGB ", 0)},
        {"ChineseBIG5 expandable", true, With({"LanguageFlag", REG_EXPAND_SZ, Sz("ChineseBIG5")}), AllLoaded},
        {"empty name", true, With(Text("LanguageFlag", "")), Expect(3, "9600,n,8,1", 2, "", 0)},
    };
    for (const auto& row : rows) {
        check::Row r(row.name);
        if (row.keyExists) {
            if (!CHECK(Lay(row.content)))
                continue;
        } else {
            DeleteKey();
        }
        CheckLoaded(Load(), row.expected);
    }
    DeleteKey();
}

TEST(loadNeverCreatesTheKey) {
    DeleteKey();
    Load();
    HKEY key = nullptr;
    CHECK(RegOpenKeyExA(HKEY_LOCAL_MACHINE, KeyPath, 0, KEY_READ, &key) == ERROR_FILE_NOT_FOUND);
    if (key)
        RegCloseKey(key);
}

TEST(saveScanSettings) {
    const struct {
        const char* name;
        bool keyExists;
        Content before;
        std::int32_t port;
        std::int32_t index;
        std::string settings;
    } rows[] = {
        {"no key yet", false, {}, 16, 11, "115200,e,8,1"},
        {"over the same values", true, All, 1, 0, "4800,n,8,1"},
        // A value of the wrong type is replaced, so the next start reads everything again.
        {"over wrong types",
         true,
         {Text("ScanCommNo", "3"), Int("ScanBaudRate", 1), Text("ScanBaudRateNo", "x")},
         10,
         7,
         "38400,e,8,1"},
        {"port -1", true, {}, -1, 5, "19200,e,8,1"},
    };
    for (const auto& row : rows) {
        check::Row r(row.name);
        if (row.keyExists)
            CHECK(Lay(row.before));
        else
            DeleteKey();
        {
            auto store = platform::MakeSystemSettingsStore();
            settings::SaveScanSettings(*store, row.port, row.index, row.settings);
        }
        DWORD type = 0;
        std::string data;
        CHECK(Stored("ScanCommNo", type, data));
        CHECK_EQ(type, DWORD{REG_DWORD});
        CHECK_EQ(data, Dword(static_cast<std::uint32_t>(row.port)));
        CHECK(Stored("ScanBaudRateNo", type, data));
        CHECK_EQ(type, DWORD{REG_DWORD});
        CHECK_EQ(data, Dword(static_cast<std::uint32_t>(row.index)));
        CHECK(Stored("ScanBaudRate", type, data));
        CHECK_EQ(type, DWORD{REG_SZ});
        CHECK_EQ(data, Sz(row.settings));

        const settings::LoadedSettings loaded = Load();
        CHECK_EQ(loaded.ComPortNo, row.port);
        CHECK_EQ(loaded.BaudRateIndex, row.index);
        CHECK_EQ(loaded.ComSettings, row.settings);
    }
    DeleteKey();
}

TEST(saveLanguage) {
    const char* names[] = {"English", "ChineseGB", "ChineseBIG5"};
    for (const char* name : names) {
        check::Row r(name);
        CHECK(Lay(All));
        {
            auto store = platform::MakeSystemSettingsStore();
            settings::SaveLanguage(*store, name);
        }
        DWORD type = 0;
        std::string data;
        CHECK(Stored("LanguageFlag", type, data));
        CHECK_EQ(type, DWORD{REG_SZ});
        CHECK_EQ(data, Sz(name));
        // The scan settings are not touched.
        const settings::LoadedSettings loaded = Load();
        CHECK_EQ(loaded.ComPortNo, AllLoaded.ComPortNo);
        CHECK_EQ(loaded.ComSettings, AllLoaded.ComSettings);
        CHECK_EQ(loaded.BaudRateIndex, AllLoaded.BaudRateIndex);
        CHECK_EQ(loaded.LanguageName, std::string(name));
    }

    // Saving the language alone creates the key with that one value.
    DeleteKey();
    {
        auto store = platform::MakeSystemSettingsStore();
        settings::SaveLanguage(*store, "ChineseGB");
    }
    CheckLoaded(Load(), Expect(0, "19200,e,8,1", 5, "ChineseGB", 1));
    DeleteKey();
}

namespace {

int Tool(int argc, char** argv) {
    const std::string mode = argv[1];
    auto store = platform::MakeSystemSettingsStore();
    if (mode == "--save" && argc == 6) {
        settings::SaveScanSettings(*store, std::atoi(argv[2]), std::atoi(argv[3]), argv[4]);
        settings::SaveLanguage(*store, argv[5]);
        return 0;
    }
    if (mode == "--save-language" && argc == 3) {
        settings::SaveLanguage(*store, argv[2]);
        return 0;
    }
    if (mode == "--print" && argc == 2) {
        const settings::LoadedSettings s = settings::LoadSettings(*store);
        std::printf("ComPortNo=%d\nComSettings=%s\nBaudRateIndex=%d\nLanguageName=%s\nLanguageIndex=%d\n",
                    static_cast<int>(s.ComPortNo), s.ComSettings.c_str(), static_cast<int>(s.BaudRateIndex),
                    s.LanguageName.c_str(), s.LanguageIndex);
        return 0;
    }
    std::fprintf(stderr, "usage: --save PORT INDEX SETTINGS LANGUAGE | --save-language LANGUAGE | --print\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    if (!std::getenv("READERCONFIG_WINE_TESTS"))
        check::Skip("deletes the settings key: only in the wine prefix of scripts/check.d/30-windows.sh "
                    "(READERCONFIG_WINE_TESTS)");
    if (argc > 1 && argv[1][0] == '-')
        return Tool(argc, argv);
    return check::RunAll(argc, argv);
}
