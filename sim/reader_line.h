#pragma once
// The line as the reader's UART sees it: which settings it listens at, and how long a character takes.

#include "platform/line_settings.h"

#include <cstdint>

namespace sim {

/// The settings of BaudRateTable entry `index` (0..11); false for any other index.
bool ReaderLine(int index, platform::LineSettings& out);

/// Microseconds one character takes on `line`: start bit, data bits, parity bit if any, stop bits.
std::uint32_t CharacterTimeUs(const platform::LineSettings& line);

} // namespace sim
