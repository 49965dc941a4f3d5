// How long the native waits take: the 1 ms sleep and read time-out that the link's pacing relies on, a
// reader's silence, and a full presence query. Prints, asserts nothing; needs the pty ports of the tests.

#include "link/link.h"

#include <cstdio>

namespace {

platform::System& Native() {
    return platform::NativeSystem();
}

template <typename F> void Measure(const char* what, int times, F step) {
    std::uint32_t least = 0xFFFFFFFFu, most = 0;
    const std::uint32_t start = Native().clockMs();
    for (int i = 0; i < times; ++i) {
        const std::uint32_t before = Native().clockMs();
        step();
        const std::uint32_t took = Native().clockMs() - before;
        least = took < least ? took : least;
        most = took > most ? took : most;
    }
    const double mean = static_cast<double>(Native().clockMs() - start) / times;
    std::printf("%-34s %4d x  mean %7.2f ms  min %4u  max %4u\n", what, times, mean, least, most);
}

} // namespace

int main() {
    Measure("Sleep(1)", 200, [] { Native().sleepMs(1); });

    readerlink::LinkSetup setup(Native());
    readerlink::Link link(setup);
    if (link.OpenComPort(4, "19200,e,8,1")) {
        std::uint8_t byte = 0;
        Measure("readByte, nothing arrives", 200, [&] { Native().readByte(link.handle(), byte); });
        Measure("SendCommand, silent reader", 10, [&] { link.SendCommand("H00B"); });
        link.CloseComPort();
    } else {
        std::printf("COM4 does not open: no read timings\n");
    }
    if (link.OpenComPort(3, "19200,e,8,1")) {
        int answered = 0;
        Measure("SendCommand \"H00B\", answered", 50, [&] { answered += link.SendCommand("H00B").valid(); });
        std::printf("%-34s %d of 50\n", "  answered", answered);
        link.CloseComPort();
    } else {
        std::printf("COM3 does not open: no exchange timings\n");
    }
    return 0;
}
