#include "settings.h"

#include "localisation/language.h"

std::int32_t ComPortNo = 0;
std::string ComSettings = DefaultComSettings;
std::int32_t BaudRateIndex = DefaultBaudRateIndex;

// The value names of the settings key; nothing else in the program spells them.
namespace {
constexpr const char* ScanCommNo = "ScanCommNo";
constexpr const char* ScanBaudRateNo = "ScanBaudRateNo";
constexpr const char* ScanBaudRate = "ScanBaudRate";
constexpr const char* LanguageFlag = "LanguageFlag";

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
        if (!store.readText(ScanBaudRate, text))
            return false;
        s.ComSettings = text;
    }
    if (store.exists(ScanBaudRateNo)) {
        if (!store.readInt(ScanBaudRateNo, number))
            return false;
        // An index outside the table would select no item and give the scan no line setting to try.
        s.BaudRateIndex = number >= 0 && number < BaudRateCount ? number : DefaultBaudRateIndex;
    }
    if (store.exists(LanguageFlag)) {
        if (!store.readText(LanguageFlag, text))
            return false;
        s.LanguageName = text;
        s.LanguageIndex = LanguageIndexOf(text);
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

namespace {
// The one place that sets the pair.
void SetLineSetting(std::int32_t index, const std::string& text) {
    BaudRateIndex = index;
    ComSettings = text;
}
} // namespace

void SelectLineSetting(int index) {
    if (index >= 0 && index < BaudRateCount)
        SetLineSetting(index, BaudRateTable[index]);
}

void ApplySettings(const LoadedSettings& loaded) {
    ComPortNo = loaded.ComPortNo;
    SetLineSetting(loaded.BaudRateIndex, loaded.ComSettings);
    LanguageName = loaded.LanguageName;
    LanguageIndex = loaded.LanguageIndex;
}

void SaveScanSettings(platform::SettingsStore& store, std::int32_t comPortNo, std::int32_t baudRateIndex,
                      const std::string& comSettings) {
    if (!store.open(true))
        return;
    // && stops at the first failed write; what was written before it stays.
    (void)(store.writeInt(ScanCommNo, comPortNo) && store.writeInt(ScanBaudRateNo, baudRateIndex) &&
           store.writeText(ScanBaudRate, comSettings));
    store.close();
}

void SaveLanguage(platform::SettingsStore& store, const std::string& languageName) {
    if (!store.open(true))
        return;
    store.writeText(LanguageFlag, languageName);
    store.close();
}
