#include "shared_state.h"

#include "settings.h"

std::int32_t ComPortNo = 0;
std::string ComSettings = DefaultComSettings;
std::int32_t BaudRateIndex = DefaultBaudRateIndex;
bool ReaderFound = false;
bool CardReadActive = false;
