#include "native.h"

#include <windows.h>

#include <mmsystem.h>

namespace platform {

namespace {

// Windows' default timer tick is 15.6 ms, which would turn the link's 1 ms pauses and read time-outs into
// 16 ms ones and timeGetTime() into a coarse clock. One period of 1 ms for the whole run.
struct TimerResolution {
    TimerResolution() { timeBeginPeriod(1); }
    ~TimerResolution() { timeEndPeriod(1); }
    TimerResolution(const TimerResolution&) = delete;
    TimerResolution& operator=(const TimerResolution&) = delete;
};

const TimerResolution timerResolution;

} // namespace

std::uint32_t NativeClockMs() {
    return timeGetTime();
}

void NativeSleepMs(std::uint32_t ms) {
    Sleep(ms);
}

} // namespace platform
