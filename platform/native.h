#pragma once
// Pieces of the native back end that live in separate files (clock_*.cpp, beep_*.cpp); the serial back end
// (serial_*.cpp) assembles them into NativeSystem().

#include <cstdint>

namespace platform {

std::uint32_t NativeClockMs();
void NativeSleepMs(std::uint32_t ms);
void NativeBeep(unsigned frequencyHz, unsigned durationMs);

} // namespace platform
