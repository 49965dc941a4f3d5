#include "native.h"

#include <cerrno>
#include <ctime>

namespace platform {

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
