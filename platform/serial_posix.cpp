// POSIX serial back end and the native System that assembles it with the clock, the sleep and the beep.
//
// The link's "time-outs" are the port's VMIN and VTIME here: getTimeouts() reports VTIME (in tenths of a
// second) as ReadIntervalTimeout in milliseconds and VMIN as ReadTotalTimeoutMultiplier, the other fields as
// 0; setTimeouts() takes them back from the same two fields, so a get/set round trip restores the port
// exactly. The link's own record (all zero but the 1 ms read constant) thus gives VMIN = VTIME = 0: reads do
// not wait in the driver, and readByte() waits its 1 ms in poll() instead.

#include "com_ports.h"
#include "native.h"
#include "system.h"
#include "termios_speed.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <set>
#include <string>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace platform {

namespace {

OpenError ErrorOf(int error) {
    switch (error) {
    case ENOENT:
    case ENXIO:
    case ENODEV:
    case ENOTDIR:
    case ELOOP:
        return OpenError::NotFound;
    case EACCES:
    case EPERM:
        return OpenError::Permission;
    case EBUSY:
    case EWOULDBLOCK:
        return OpenError::Busy;
    default:
        return OpenError::Other;
    }
}

class PosixSystem final : public System {
public:
    PortHandle openPort(int portNo, OpenError* error) override {
        OpenError reason = OpenError::None;
        const PortHandle handle = open(portNo, reason);
        if (error)
            *error = reason;
        return handle;
    }

    bool getTimeouts(PortHandle port, CommTimeouts& out) override {
        termios tio{};
        if (!owned(port) || tcgetattr(fd(port), &tio) != 0)
            return false;
        out = CommTimeouts{};
        out.ReadIntervalTimeout = tio.c_cc[VTIME] * 100u;
        out.ReadTotalTimeoutMultiplier = tio.c_cc[VMIN];
        return true;
    }

    bool setTimeouts(PortHandle port, const CommTimeouts& timeouts) override {
        termios tio{};
        if (!owned(port) || tcgetattr(fd(port), &tio) != 0)
            return false;
        tio.c_cc[VTIME] = static_cast<cc_t>(std::min<std::uint32_t>(timeouts.ReadIntervalTimeout / 100u, 255u));
        tio.c_cc[VMIN] = static_cast<cc_t>(std::min<std::uint32_t>(timeouts.ReadTotalTimeoutMultiplier, 255u));
        return tcsetattr(fd(port), TCSANOW, &tio) == 0;
    }

    bool applyLineSettings(PortHandle port, const std::string& text) override {
        LineSettings line;
        speed_t speed{};
        termios tio{};
        if (!owned(port) || !ParseLineSettings(text, line) || !SpeedOfBaud(line.baud, speed) ||
            tcgetattr(fd(port), &tio) != 0)
            return false;
        tcflag_t cflag = tio.c_cflag & ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB);
#ifdef CMSPAR
        cflag &= ~static_cast<tcflag_t>(CMSPAR);
#endif
        static const tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
        cflag |= sizes[line.dataBits - 5];
        if (line.stopBits == 2)
            cflag |= CSTOPB;
        switch (line.parity) {
        case 'n':
            break;
        case 'e':
            cflag |= PARENB;
            break;
        case 'o':
            cflag |= PARENB | PARODD;
            break;
#ifdef CMSPAR
        case 'm':
            cflag |= PARENB | PARODD | CMSPAR;
            break;
        case 's':
            cflag |= PARENB | CMSPAR;
            break;
#endif
        default:
            return false;
        }
        tio.c_cflag = cflag;
        // With parity on, a byte that fails the check is dropped rather than handed up, as a UART would.
        tio.c_iflag =
            (tio.c_iflag & ~static_cast<tcflag_t>(PARMRK | INPCK)) | ((cflag & PARENB) ? (INPCK | IGNPAR) : 0u);
        if (cfsetispeed(&tio, speed) != 0 || cfsetospeed(&tio, speed) != 0)
            return false;
        return tcsetattr(fd(port), TCSANOW, &tio) == 0;
    }

    std::size_t write(PortHandle port, const std::uint8_t* data, std::size_t count) override {
        if (!owned(port) || count == 0)
            return 0;
        ssize_t written;
        do
            written = ::write(fd(port), data, count);
        while (written < 0 && errno == EINTR);
        return written > 0 ? static_cast<std::size_t>(written) : 0;
    }

    ReadResult readByte(PortHandle port, std::uint8_t& byte) override {
        if (!owned(port))
            return ReadResult::Error;
        pollfd entry{fd(port), POLLIN, 0};
        const int ready = poll(&entry, 1, 1);
        if (ready == 0 || (ready < 0 && errno == EINTR))
            return ReadResult::Nothing;
        if (ready > 0 && (entry.revents & POLLIN)) {
            const ssize_t got = ::read(fd(port), &byte, 1);
            if (got == 1)
                return ReadResult::Byte;
            // Readable yet nothing to read is the end of the line: the adapter or its pty has gone.
            if ((got == 0 && !(entry.revents & POLLHUP)) || (got < 0 && (errno == EAGAIN || errno == EINTR)))
                return ReadResult::Nothing;
        }
        // A hung-up or failed device answers poll() at once, and says so at once: the link closes the port.
        return ReadResult::Error;
    }

    std::size_t readWaiting(PortHandle port, std::uint8_t* buffer, std::size_t size) override {
        int waiting = 0;
        if (!owned(port) || size == 0 || ioctl(fd(port), FIONREAD, &waiting) != 0 || waiting <= 0)
            return 0;
        // No more than is there: the read never waits, whatever VMIN and VTIME say.
        const std::size_t count = std::min(size, static_cast<std::size_t>(waiting));
        ssize_t got;
        do
            got = ::read(fd(port), buffer, count);
        while (got < 0 && errno == EINTR);
        return got > 0 ? static_cast<std::size_t>(got) : 0;
    }

    void closePort(PortHandle port) override {
        if (!owned(port))
            return;
        ioctl(fd(port), TIOCNXCL);
        close(fd(port));
        open_.erase(port);
    }

    std::uint32_t clockMs() override {
        return NativeClockMs();
    }
    void sleepMs(std::uint32_t ms) override {
        NativeSleepMs(ms);
    }
    void beep(unsigned frequencyHz, unsigned durationMs) override {
        lastBeepHeard_ = NativeBeep(frequencyHz, durationMs);
    }
    bool lastBeepHeard() const override {
        return lastBeepHeard_;
    }

private:
    bool lastBeepHeard_ = true;
    static int fd(PortHandle port) {
        return static_cast<int>(port);
    }
    // Only handles this back end gave out and has not closed: a stale handle must not reach a descriptor
    // number that the process has since reused for something else.
    bool owned(PortHandle port) const {
        return open_.count(port) != 0;
    }

    PortHandle open(int portNo, OpenError& reason) {
        const std::string path = ComPortDevice(portNo);
        if (path.empty()) {
            reason = OpenError::NotFound;
            return InvalidPort;
        }
        // Non-blocking only for the open itself, so that a line without carrier cannot hold it up.
        const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            reason = ErrorOf(errno);
            return InvalidPort;
        }
        // The lock first: TIOCEXCL belongs to the device, and a holder's must not be touched. Root passes
        // TIOCEXCL, so the lock is what keeps a second copy of the tool (or a terminal program) out.
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            reason = errno == EWOULDBLOCK ? OpenError::Busy : OpenError::Other;
            close(fd);
            return InvalidPort;
        }
        termios tio{};
        if (!isatty(fd) || tcgetattr(fd, &tio) != 0 || ioctl(fd, TIOCEXCL) != 0) {
            reason = OpenError::Other;
            close(fd);
            return InvalidPort;
        }
        // Raw, or ICRNL turns the reply's CR into LF. VMIN and VTIME stay as found: they are the time-outs
        // that the caller saves next and puts back at the close.
        const cc_t vmin = tio.c_cc[VMIN];
        const cc_t vtime = tio.c_cc[VTIME];
        cfmakeraw(&tio);
        tio.c_cflag |= CLOCAL | CREAD;
        tio.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
        tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
        tio.c_cc[VMIN] = vmin;
        tio.c_cc[VTIME] = vtime;
        tcsetattr(fd, TCSANOW, &tio);
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
        open_.insert(fd);
        reason = OpenError::None;
        return fd;
    }

    std::set<PortHandle> open_;
};

} // namespace

System& NativeSystem() {
    static PosixSystem system;
    return system;
}

std::string OpenErrorAdvice(int portNo, OpenError error) {
    if (error != OpenError::Permission)
        return {};
    const std::string path = ComPortDevice(portNo);
    char resolved[PATH_MAX];
    const std::string device = realpath(path.c_str(), resolved) ? std::string(resolved) : path;
    return "no permission to open " + device +
           "; add the user to the 'dialout' group (sudo usermod -aG dialout $USER) and log in again";
}

} // namespace platform
