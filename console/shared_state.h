#pragma once
// The values every operation shares. FormCreate gives them their start values.

#include <cstdint>
#include <string>

inline constexpr int BaudRateCount = 12;
extern const char* const BaudRateTable[BaudRateCount];

extern std::int32_t ComPortNo;
extern std::string ComSettings;
extern std::int32_t BaudRateIndex;
extern bool ReaderFound;
extern bool CardReadActive;
