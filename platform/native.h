#pragma once
// Pieces of the native back end that live in separate files (clock_*.cpp, beep_*.cpp, caption_colour_*.cpp);
// the serial back end (serial_*.cpp) assembles them into NativeSystem().

#include "system.h"

#include <cstdint>
#include <ctime>
#include <optional>

namespace platform {

std::uint32_t NativeClockMs();
void NativeSleepMs(std::uint32_t ms);
/// `time` as local time (localtime_r / localtime_s) and as UTC (gmtime_r / gmtime_s).
std::tm LocalTime(std::time_t time);
std::tm UtcTime(std::time_t time);
/// False when no tone could sound (the duration was waited silently).
bool NativeBeep(unsigned frequencyHz, unsigned durationMs);
std::optional<Rgb> NativeActiveCaptionColour();

} // namespace platform
