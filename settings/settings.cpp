#include "settings.h"

#include "localisation/language.h"
#include "protocol/text.h"

namespace settings {

// The value names of the settings key; nothing else in the program spells them.
namespace {
constexpr char ScanCommNo[] = "ScanCommNo";
constexpr char ScanBaudRateNo[] = "ScanBaudRateNo";
constexpr char ScanBaudRate[] = "ScanBaudRate";
constexpr char LanguageFlag[] = "LanguageFlag";

// Reads into temporaries so that a failed read never leaves a half-set value. Returns false at the first
// value that is present but of the wrong type, which ends the loading.
bool ReadAll(platform::SettingsStore& store, LoadedSettings& s) {
    std::int32_t number = 0;
    std::string text;
    if (store.exists(ScanCommNo)) {
        if (!store.readInt(ScanCommNo, number))
            return false;
        s.ComPortNo = number;
    }
    if (store.exists(ScanBaudRate)) {
        // A registry read in the ANSI code page may give bytes that are not UTF-8, which JSON refuses.
        if (!store.readText(ScanBaudRate, text) || !protocol::IsUtf8(text))
            return false;
        s.ComSettings = text;
    }
    if (store.exists(ScanBaudRateNo)) {
        if (!store.readInt(ScanBaudRateNo, number))
            return false;
        // An index outside the table would select no item and give the scan no line setting to try.
        s.BaudRateIndex = number >= 0 && number < protocol::BaudRateCount ? number : protocol::DefaultBaudRateIndex;
    }
    if (store.exists(LanguageFlag)) {
        if (!store.readText(LanguageFlag, text))
            return false;
        s.LanguageName = text;
        s.LanguageIndex = localisation::LanguageIndexOf(text);
    }
    return true;
}
} // namespace

LoadedSettings LoadSettings(platform::SettingsStore& store) {
    LoadedSettings loaded;
    if (!store.open(false))
        return loaded;
    ReadAll(store, loaded);
    store.close();
    return loaded;
}

bool SaveScanSettings(platform::SettingsStore& store, std::int32_t comPortNo, std::int32_t baudRateIndex,
                      const std::string& comSettings) {
    if (!store.open(true))
        return false;
    // && stops at the first failed write; what was written before it stays.
    const bool saved = store.writeInt(ScanCommNo, comPortNo) && store.writeInt(ScanBaudRateNo, baudRateIndex) &&
                       store.writeText(ScanBaudRate, comSettings);
    store.close();
    return saved;
}

bool SaveLanguage(platform::SettingsStore& store, const std::string& languageName) {
    if (!store.open(true))
        return false;
    const bool saved = store.writeText(LanguageFlag, languageName);
    store.close();
    return saved;
}

} // namespace settings
