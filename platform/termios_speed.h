#pragma once
// The termios speed constants and the baud rates they stand for, one table for both directions: the POSIX
// back end sets a speed, reader-sim's pseudo-terminal reads back the one the host set.

#include <cstdint>
#include <termios.h>

namespace platform {

/// The speed constant of `baud`; false for a rate termios has no constant for.
bool SpeedOfBaud(std::uint32_t baud, speed_t& speed);
/// The baud rate of a speed constant; 0 for B0 or one not in the table.
std::uint32_t BaudOfSpeed(speed_t speed);

} // namespace platform
