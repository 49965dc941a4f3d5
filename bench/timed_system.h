#pragma once
// The native system with timestamps: forwards every call and notes when the link's reply wait begins (its
// first clock reading after a write) and when a beep starts, so that the benchmarks can split an operation
// into what the protocol spends and what is left.

#include "platform/system.h"

#include <chrono>
#include <cstdint>

namespace bench {

/// Microseconds on the monotonic clock (CLOCK_MONOTONIC on Linux, the clock a child process can share).
inline std::uint64_t NowUs() {
    using namespace std::chrono;
    return static_cast<std::uint64_t>(duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
}

class TimedSystem final : public platform::System {
public:
    explicit TimedSystem(platform::System& inner) : inner_(inner) {}

    std::uint64_t waitStartUs = 0; ///< the first clock reading after the last write
    std::uint64_t beepStartUs = 0; ///< the last beep's start
    int beeps = 0;

    platform::PortHandle openPort(int portNo, platform::OpenError* error) override {
        return inner_.openPort(portNo, error);
    }
    bool getTimeouts(platform::PortHandle port, platform::CommTimeouts& out) override {
        return inner_.getTimeouts(port, out);
    }
    bool setTimeouts(platform::PortHandle port, const platform::CommTimeouts& timeouts) override {
        return inner_.setTimeouts(port, timeouts);
    }
    bool applyLineSettings(platform::PortHandle port, const std::string& text) override {
        return inner_.applyLineSettings(port, text);
    }
    std::size_t write(platform::PortHandle port, const std::uint8_t* data, std::size_t count) override {
        wrote_ = true;
        return inner_.write(port, data, count);
    }
    platform::ReadResult readByte(platform::PortHandle port, std::uint8_t& byte) override {
        return inner_.readByte(port, byte);
    }
    std::size_t readWaiting(platform::PortHandle port, std::uint8_t* buffer, std::size_t size) override {
        return inner_.readWaiting(port, buffer, size);
    }
    void closePort(platform::PortHandle port) override { inner_.closePort(port); }
    std::uint32_t clockMs() override {
        if (wrote_) {
            wrote_ = false;
            waitStartUs = NowUs();
        }
        return inner_.clockMs();
    }
    void sleepMs(std::uint32_t ms) override { inner_.sleepMs(ms); }
    void beep(unsigned frequencyHz, unsigned durationMs) override {
        beepStartUs = NowUs();
        ++beeps;
        inner_.beep(frequencyHz, durationMs);
    }

private:
    platform::System& inner_;
    bool wrote_ = false;
};

} // namespace bench
