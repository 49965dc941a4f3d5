#pragma once
// The values every operation shares. FormCreate gives them their start values.

#include "protocol/protocol.h"

#include <cstdint>
#include <string>

extern std::int32_t ComPortNo;
extern std::string ComSettings;
extern std::int32_t BaudRateIndex;
extern bool ReaderFound;
extern bool CardReadActive;
