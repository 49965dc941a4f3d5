#include "reader_state.h"

namespace operations {

void ReaderState::SelectLineSetting(int index) {
    if (index >= 0 && index < protocol::BaudRateCount) {
        BaudRateIndex = index;
        ComSettings = protocol::BaudRateTable[index];
    }
}

void ReaderState::Load(const settings::LoadedSettings& loaded) {
    ComPortNo = loaded.ComPortNo;
    ComSettings = loaded.ComSettings;
    BaudRateIndex = loaded.BaudRateIndex;
}

} // namespace operations
