#include "native.h"

#include <cerrno>
#include <ctime>

#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace platform {

namespace {
// The protocol paces itself with 1 ms sleeps; Linux's default 50 us timer slack, added to every one of them,
// stretched the card-reading pacing of 80 sleeps by about a tenth. Like timeBeginPeriod(1) on Windows, for
// the program's run.
#ifdef __linux__
[[maybe_unused]] const bool preciseSleeps = prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL) == 0;
#endif
} // namespace

std::uint32_t NativeClockMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const auto ms = static_cast<std::uint64_t>(now.tv_sec) * 1000u + static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms); // wraps at 2^32 like timeGetTime
}

void NativeSleepMs(std::uint32_t ms) {
    timespec left{static_cast<time_t>(ms / 1000u), static_cast<long>(ms % 1000u) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

} // namespace platform
