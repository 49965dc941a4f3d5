#pragma once
// What the program knows of the reader: where it answers, whether a scan has found it, and whether card reading
// polls it. The program owns one and hands it to every operation; nothing else keeps a copy.

#include "protocol/protocol.h"
#include "settings/settings.h"

#include <cstdint>
#include <string>

namespace operations {

struct ReaderState {
    /// The reader's COM port, 0 when none is known.
    std::int32_t ComPortNo = 0;
    /// The line-settings text every operation opens the port with.
    std::string ComSettings = protocol::DefaultComSettings;
    /// The entry of BaudRateTable that ComSettings was taken from: cmbBaudRate's item, the locked scan's setting.
    std::int32_t BaudRateIndex = protocol::DefaultBaudRateIndex;
    /// Set by a scan that completed; every other reader operation refuses to run without it.
    bool ReaderFound = false;
    /// True while card reading polls; cleared, it ends the loop at the top of the next cycle.
    bool CardReadActive = false;

    /// BaudRateIndex and ComSettings to BaudRateTable entry `index` (0..11; any other index changes nothing).
    void SelectLineSetting(int index);
    /// Where the settings key says the reader was last found.
    void Load(const settings::LoadedSettings& loaded);
};

} // namespace operations
