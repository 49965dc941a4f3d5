// Win32 serial back end and the native System that assembles it with the clock, the sleep and the beep.
//
// The port is opened synchronously (no overlapped I/O): with the link's time-outs in force, ReadFile of one
// byte returns at once with a waiting byte or after about 1 ms with none, which is all readByte() needs.

#include "native.h"
#include "system.h"

#include <windows.h>

#include <limits>
#include <set>
#include <string>

namespace platform {

namespace {

OpenError ErrorOf(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return OpenError::NotFound;
    // Windows answers "access denied" for a COM port that another program holds.
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        return OpenError::Busy;
    default:
        return OpenError::Other;
    }
}

class Win32System final : public System {
public:
    PortHandle openPort(int portNo, OpenError* error) override {
        OpenError reason = OpenError::NotFound;
        PortHandle port = InvalidPort;
        if (portNo >= 1) {
            // The \\.\ prefix: without it only COM1 to COM9 open.
            const std::string name = "\\\\.\\COM" + std::to_string(portNo);
            const HANDLE handle =
                CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            if (handle == INVALID_HANDLE_VALUE) {
                reason = ErrorOf(GetLastError());
            } else {
                port = reinterpret_cast<PortHandle>(handle);
                open_.insert(port);
                reason = OpenError::None;
            }
        }
        if (error)
            *error = reason;
        return port;
    }

    bool getTimeouts(PortHandle port, CommTimeouts& out) override {
        COMMTIMEOUTS native{};
        if (!owned(port) || !GetCommTimeouts(handle(port), &native))
            return false;
        out.ReadIntervalTimeout = native.ReadIntervalTimeout;
        out.ReadTotalTimeoutMultiplier = native.ReadTotalTimeoutMultiplier;
        out.ReadTotalTimeoutConstant = native.ReadTotalTimeoutConstant;
        out.WriteTotalTimeoutMultiplier = native.WriteTotalTimeoutMultiplier;
        out.WriteTotalTimeoutConstant = native.WriteTotalTimeoutConstant;
        return true;
    }

    bool setTimeouts(PortHandle port, const CommTimeouts& timeouts) override {
        if (!owned(port))
            return false;
        COMMTIMEOUTS native{};
        native.ReadIntervalTimeout = timeouts.ReadIntervalTimeout;
        native.ReadTotalTimeoutMultiplier = timeouts.ReadTotalTimeoutMultiplier;
        native.ReadTotalTimeoutConstant = timeouts.ReadTotalTimeoutConstant;
        native.WriteTotalTimeoutMultiplier = timeouts.WriteTotalTimeoutMultiplier;
        native.WriteTotalTimeoutConstant = timeouts.WriteTotalTimeoutConstant;
        return SetCommTimeouts(handle(port), &native) != 0;
    }

    bool applyLineSettings(PortHandle port, const std::string& text) override {
        if (!owned(port))
            return false;
        DCB dcb{};
        dcb.DCBlength = sizeof(dcb);
        // BuildCommDCB only overlays the fields the text names, so it must start from the port's own state.
        if (!GetCommState(handle(port), &dcb) || !BuildCommDCBA(text.c_str(), &dcb))
            return false;
        return SetCommState(handle(port), &dcb) != 0;
    }

    std::size_t write(PortHandle port, const std::uint8_t* data, std::size_t count) override {
        if (!owned(port) || !data || count == 0)
            return 0;
        const DWORD request =
            count > std::numeric_limits<DWORD>::max() ? std::numeric_limits<DWORD>::max() : static_cast<DWORD>(count);
        DWORD written = 0;
        if (!WriteFile(handle(port), data, request, &written, nullptr))
            return 0;
        return written;
    }

    ReadResult readByte(PortHandle port, std::uint8_t& byte) override {
        DWORD got = 0;
        // A removed adapter fails every read at once, and says so at once: the link closes the port.
        if (!owned(port) || !ReadFile(handle(port), &byte, 1, &got, nullptr))
            return ReadResult::Error;
        if (got == 1)
            return ReadResult::Byte;
        // Some drivers (and wine's pty ports) let a read of a vanished device time out empty; the port's status
        // fails all the same.
        DWORD errors = 0;
        COMSTAT status{};
        return ClearCommError(handle(port), &errors, &status) ? ReadResult::Nothing : ReadResult::Error;
    }

    std::size_t readWaiting(PortHandle port, std::uint8_t* buffer, std::size_t size) override {
        DWORD errors = 0;
        COMSTAT status{};
        if (!owned(port) || !buffer || size == 0 || !ClearCommError(handle(port), &errors, &status) ||
            status.cbInQue == 0)
            return 0;
        // No more than is queued, so that ReadFile returns at once under any time-outs.
        const DWORD request = size < status.cbInQue ? static_cast<DWORD>(size) : status.cbInQue;
        DWORD got = 0;
        if (!ReadFile(handle(port), buffer, request, &got, nullptr))
            return 0;
        return got;
    }

    void closePort(PortHandle port) override {
        if (!owned(port))
            return;
        CloseHandle(handle(port));
        open_.erase(port);
    }

    std::uint32_t clockMs() override { return NativeClockMs(); }
    void sleepMs(std::uint32_t ms) override { NativeSleepMs(ms); }
    void beep(unsigned frequencyHz, unsigned durationMs) override {
        lastBeepHeard_ = NativeBeep(frequencyHz, durationMs);
    }
    bool lastBeepHeard() const override { return lastBeepHeard_; }

private:
    bool lastBeepHeard_ = true;
    static HANDLE handle(PortHandle port) { return reinterpret_cast<HANDLE>(port); }
    // Only handles this back end gave out and has not closed: Windows reuses handle values, and a stale one
    // must not reach whatever the process opened since.
    bool owned(PortHandle port) const { return open_.count(port) != 0; }

    std::set<PortHandle> open_;
};

} // namespace

System& NativeSystem() {
    static Win32System system;
    return system;
}

std::string OpenErrorAdvice(int, OpenError) {
    return {};
}

} // namespace platform
