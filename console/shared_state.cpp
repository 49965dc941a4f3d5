#include "shared_state.h"

#include "settings.h"

const char* const BaudRateTable[BaudRateCount] = {
    "4800,n,8,1",  "4800,e,8,1",  "9600,n,8,1",  "9600,e,8,1",  "19200,n,8,1",  "19200,e,8,1",
    "38400,n,8,1", "38400,e,8,1", "57600,n,8,1", "57600,e,8,1", "115200,n,8,1", "115200,e,8,1",
};

std::int32_t ComPortNo = 0;
std::string ComSettings = DefaultComSettings;
std::int32_t BaudRateIndex = DefaultBaudRateIndex;
bool ReaderFound = false;
bool CardReadActive = false;
