#pragma once
// The settings key: which values it holds, how they are loaded at start and saved. What the program then knows
// of the reader lives in the program's own objects; this library only reads and writes the key. Qt-free, so the
// Windows build tests it against the real registry.

#include "platform/settings_store.h"
#include "protocol/protocol.h"

#include <cstdint>
#include <string>

namespace settings {

struct LoadedSettings {
    std::int32_t ComPortNo = 0;
    std::string ComSettings = protocol::DefaultComSettings;
    std::int32_t BaudRateIndex = protocol::DefaultBaudRateIndex; ///< always 0..11: a stored index outside becomes 5
    std::string LanguageName = "English";
    int LanguageIndex = 0; ///< derived from LanguageName by localisation's name table
};

/// Reads ScanCommNo, ScanBaudRate, ScanBaudRateNo, LanguageFlag in that order; a missing value keeps its
/// default, a value of the wrong type ends the reading (it and all later ones keep their defaults).
LoadedSettings LoadSettings(platform::SettingsStore& store);
/// Writes ScanCommNo, ScanBaudRateNo, ScanBaudRate; the first failure ends the save. False when the key could not
/// be opened or a value not written.
bool SaveScanSettings(platform::SettingsStore& store, std::int32_t comPortNo, std::int32_t baudRateIndex,
                      const std::string& comSettings);
bool SaveLanguage(platform::SettingsStore& store, const std::string& languageName);

} // namespace settings
