#pragma once
// The operating system as the rest of the program sees it: serial ports, a millisecond clock, a
// sleep, a synchronous beep and the desktop's caption colour. The native back end is chosen by CMake (POSIX or
// Win32); tests hand the virtual-time double of platform/testing to the program's objects instead. Callers never
// see errno or GetLastError().

#include "platform/line_settings.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>

namespace platform {

using PortHandle = std::intptr_t;
inline constexpr PortHandle InvalidPort = -1;

/// Why a port did not open.
enum class OpenError { None, NotFound, Busy, Permission, Other };

/// One line that tells the user what to do about a port that did not open (on POSIX: the group that may
/// open serial devices); empty when there is nothing to do. The back ends never print; the program does.
std::string OpenErrorAdvice(int portNo, OpenError error);

/// The five Win32 COMMTIMEOUTS values, in milliseconds. On POSIX the record carries the port's VMIN/VTIME
/// (see serial_posix.cpp) so that a get/set round trip restores them exactly.
struct CommTimeouts {
    std::uint32_t ReadIntervalTimeout = 0;
    std::uint32_t ReadTotalTimeoutMultiplier = 0;
    std::uint32_t ReadTotalTimeoutConstant = 0;
    std::uint32_t WriteTotalTimeoutMultiplier = 0;
    std::uint32_t WriteTotalTimeoutConstant = 0;
    friend bool operator==(const CommTimeouts&, const CommTimeouts&) = default;
};

enum class ReadResult { Byte, Nothing, Error };

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

class System {
public:
    virtual ~System() = default;

    /// Opens COM`portNo` for exclusive use; InvalidPort on failure, with the reason in `error` when given.
    virtual PortHandle openPort(int portNo, OpenError* error = nullptr) = 0;
    virtual bool getTimeouts(PortHandle port, CommTimeouts& out) = 0;
    virtual bool setTimeouts(PortHandle port, const CommTimeouts& timeouts) = 0;
    /// Overlays a line-settings text on the port's state; false when the text or the state is refused.
    virtual bool applyLineSettings(PortHandle port, const std::string& text) = 0;
    /// One write call; returns the number of bytes handed to the port.
    virtual std::size_t write(PortHandle port, const std::uint8_t* data, std::size_t count) = 0;
    /// Reads at most one byte, returning within the read time-out in force (about 1 ms under the link's). A
    /// device that has gone (unplugged, hung up) is an Error at once: the caller decides what a retry costs.
    virtual ReadResult readByte(PortHandle port, std::uint8_t& byte) = 0;
    /// Takes up to `size` of the bytes waiting in the port's input now, without waiting for more: 0 when none
    /// are there, and for a port that failed (the next readByte says so).
    virtual std::size_t readWaiting(PortHandle port, std::uint8_t* buffer, std::size_t size) = 0;
    virtual void closePort(PortHandle port) = 0;

    /// Milliseconds since an arbitrary origin, wrapping at 2^32 (timeGetTime semantics).
    virtual std::uint32_t clockMs() = 0;
    virtual void sleepMs(std::uint32_t ms) = 0;
    /// Sounds a tone and returns when it has ended; without a sound device it waits the duration silently.
    virtual void beep(unsigned frequencyHz, unsigned durationMs) = 0;
    /// False when the last beep found no sound device and only waited; a terminal program may ring the bell.
    virtual bool lastBeepHeard() const { return true; }
    /// The title-bar colour of the active window, where the desktop has one (Windows); nullopt elsewhere.
    virtual std::optional<Rgb> activeCaptionColour();
};

/// The operating system itself. Programs pass it down; tests pass the virtual-time double instead.
System& NativeSystem();

/// An open-error report that hands `print` the advice of OpenErrorAdvice for each port that did not open, each
/// text once per run.
class OpenAdviceOnce {
public:
    explicit OpenAdviceOnce(std::function<void(const std::string& advice)> print) : print_(std::move(print)) {}
    void operator()(int portNo, OpenError error);

private:
    std::function<void(const std::string&)> print_;
    std::shared_ptr<std::set<std::string>> told_ = std::make_shared<std::set<std::string>>();
};

} // namespace platform
