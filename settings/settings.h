#pragma once
// The saved settings and the values they hold for the run: where the last scan found the reader, and the
// language. Which values the key holds, how they are loaded at start and saved. Qt-free, so the Windows
// build tests it against the real registry.

#include "platform/settings_store.h"
#include "protocol/protocol.h"

#include <cstdint>
#include <string>

/// Where the reader answers: set by the scan, loaded at start. ComSettings is the line-settings text the port
/// opens with, BaudRateIndex its entry in BaudRateTable; the two change together.
extern std::int32_t ComPortNo;
extern std::string ComSettings;
extern std::int32_t BaudRateIndex;

/// BaudRateIndex and ComSettings to BaudRateTable entry `index` (0..11; any other index changes nothing).
void SelectLineSetting(int index);

struct LoadedSettings {
    std::int32_t ComPortNo = 0;
    std::string ComSettings = DefaultComSettings;
    std::int32_t BaudRateIndex = DefaultBaudRateIndex; ///< always 0..11: a stored index outside becomes 5
    std::string LanguageName = "English";
    int LanguageIndex = 0; ///< derived from LanguageName by localisation's name table
};

/// Reads ScanCommNo, ScanBaudRate, ScanBaudRateNo, LanguageFlag in that order; a missing value keeps its
/// default, a value of the wrong type ends the reading (it and all later ones keep their defaults).
LoadedSettings LoadSettings(platform::SettingsStore& store);
/// The loaded values into ComPortNo, ComSettings and BaudRateIndex, LanguageName and LanguageIndex.
void ApplySettings(const LoadedSettings& loaded);
/// Writes ScanCommNo, ScanBaudRateNo, ScanBaudRate; the first failure ends the save silently.
void SaveScanSettings(platform::SettingsStore& store, std::int32_t comPortNo, std::int32_t baudRateIndex,
                      const std::string& comSettings);
void SaveLanguage(platform::SettingsStore& store, const std::string& languageName);
