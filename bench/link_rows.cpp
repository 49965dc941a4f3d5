// bench-link-rows: the link's figures on whatever serial back end it is built for, so that the Windows build
// under wine can be read beside Linux (scripts/check.d/35-windows-gui.sh prints both). The reader is a
// reader-sim at 19200,e,8,1 on COM`port`; the caller puts it in the state each figure needs:
//   bench-link-rows exchange PORT   the reader answers: "H00B" exchanges
//   bench-link-rows timeout PORT    the reader is silent: the reply wait
//   bench-link-rows poll PORT       a card is held on the reader: card-reading cycles
// Prints "figure<TAB>value" lines. Measures only; it never fails for being slow.

#include "bench/timed_system.h"
#include "link/link.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

readerlink::LinkSetup plainSetup(platform::NativeSystem());
bench::TimedSystem timed(platform::NativeSystem());
readerlink::LinkSetup timedSetup(timed);

double Ms(std::uint64_t us) {
    return static_cast<double>(us) / 1000.0;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

void Print(const char* figure, const std::string& value) {
    std::printf("%s\t%s\n", figure, value.c_str());
}

std::string Fixed(double value, int decimals) {
    char text[32];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

bool InfoExchange(readerlink::Link& line) {
    const readerlink::Reply reply = line.SendCommand("H00B");
    return reply.valid() && reply.received.size() == 16;
}

void Exchanges(readerlink::Link& line) {
    std::vector<double> took;
    int failed = 0;
    InfoExchange(line); // warm-up: the first exchange pays for page faults
    for (int i = 0; i < 30; ++i) {
        const std::uint64_t start = bench::NowUs();
        const bool ok = InfoExchange(line);
        const std::uint64_t end = bench::NowUs();
        ok ? took.push_back(Ms(end - start)) : void(++failed);
        platform::NativeSystem().sleepMs(5);
    }
    Print("H00B exchange at 19200, median of 30 (floor 22.75 ms)",
          took.empty() ? "n/a"
                       : Fixed(Median(took), 2) + " ms" + (failed ? " (" + std::to_string(failed) + " failed)" : ""));
}

void Timeouts(readerlink::Link& line) {
    std::vector<double> waits;
    for (int i = 0; i < 20; ++i) {
        line.SendCommand("H00B");
        waits.push_back(Ms(bench::NowUs() - timed.waitStartUs));
    }
    std::sort(waits.begin(), waits.end());
    Print("silent-reader time-out, min/median/max of 20 (120 ms)",
          Fixed(waits.front(), 1) + "/" + Fixed(Median(waits), 1) + "/" + Fixed(waits.back(), 1) + " ms");
}

void Polls(readerlink::Link& line) {
    // As card reading does it: 80 x (message queue + 1 ms), then one "H00F".
    constexpr int Cycles = 50;
    int failed = 0;
    const std::uint64_t start = bench::NowUs();
    for (int cycle = 0; cycle < Cycles; ++cycle) {
        for (int i = 0; i < 80; ++i) {
            line.ProcessMessages();
            line.system().sleepMs(1);
        }
        const readerlink::Reply reply = line.SendCommand("H00F");
        if (!reply || reply.received.size() != 18)
            ++failed;
    }
    Print("card-reading poll period, mean of 50 (80 + 23.9 ms)",
          Fixed(Ms(bench::NowUs() - start) / Cycles, 2) + " ms" +
              (failed ? " (" + std::to_string(failed) + " failed)" : ""));
}

} // namespace

int main(int argc, char** argv) {
    const std::string figure = argc == 3 ? argv[1] : "";
    const int port = argc == 3 ? std::atoi(argv[2]) : 0;
    if ((figure != "exchange" && figure != "timeout" && figure != "poll") || port < 1) {
        std::fprintf(stderr, "usage: bench-link-rows exchange|timeout|poll PORT\n");
        return 2;
    }
    // Only the time-out figure needs to know when the reply wait began.
    readerlink::Link line(figure == "timeout" ? timedSetup : plainSetup);
    if (!line.OpenComPort(port, "19200,e,8,1")) {
        std::printf("COM%d\tdoes not open\n", port);
        return 1;
    }
    figure == "exchange" ? Exchanges(line) : figure == "timeout" ? Timeouts(line) : Polls(line);
    line.CloseComPort();
    return 0;
}
