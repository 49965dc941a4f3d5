#include "pty.h"

#include "platform/termios_speed.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#if defined(__linux__)
#include <sys/inotify.h>
#endif

namespace sim {

namespace {

int DataBitsOf(tcflag_t cflag) {
    switch (cflag & CSIZE) {
    case CS5:
        return 5;
    case CS6:
        return 6;
    case CS7:
        return 7;
    default:
        return 8;
    }
}

void CloseFd(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace

Pty::~Pty() {
    close();
}

bool Pty::open(std::string& error) {
    close();
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
        error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
        close();
        return false;
    }
    const char* name = ptsname(master_);
    slave_ = name ? ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC) : -1;
    if (slave_ < 0) {
        error = std::string("cannot open the pseudo-terminal's slave: ") + std::strerror(errno);
        close();
        return false;
    }
    slavePath_ = name;
    fcntl(master_, F_SETFD, FD_CLOEXEC);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);

    // Raw from the start, so that a host that opens without configuring sees neither echo nor CR
    // translation. Setting PARENB once shows whether this pty keeps it.
    termios tio{};
    tcgetattr(slave_, &tio);
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD | PARENB;
    cfsetispeed(&tio, B19200);
    cfsetospeed(&tio, B19200);
    tcsetattr(slave_, TCSANOW, &tio);
    termios back{};
    tcgetattr(master_, &back);
    carriesParity_ = (back.c_cflag & PARENB) != 0;
    tio.c_cflag &= ~static_cast<tcflag_t>(PARENB);
    tcsetattr(slave_, TCSANOW, &tio);

#if defined(__linux__)
    watch_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch_ >= 0 && inotify_add_watch(watch_, slavePath_.c_str(), IN_OPEN | IN_CLOSE) < 0)
        CloseFd(watch_);
#endif
    hostOpens_ = 0;
    return true;
}

void Pty::close() {
    CloseFd(watch_);
    CloseFd(slave_);
    CloseFd(master_);
    hostOpens_ = 0;
}

platform::LineSettings Pty::hostLine(char assumedParity) const {
    termios tio{};
    if (master_ < 0 || tcgetattr(master_, &tio) != 0)
        return {0, 'n', 8, 1};
    platform::LineSettings line;
    line.baud = platform::BaudOfSpeed(cfgetospeed(&tio)); // 0 for B0: matches no reader line
    line.dataBits = DataBitsOf(tio.c_cflag);
    line.stopBits = (tio.c_cflag & CSTOPB) ? 2 : 1;
    if (!carriesParity_) {
        line.parity = assumedParity;
        line.dataBits = 8; // forced along with the parity
    } else {
        line.parity = !(tio.c_cflag & PARENB) ? 'n' : (tio.c_cflag & PARODD) ? 'o' : 'e';
    }
    return line;
}

bool Pty::takeWatchEvents() {
#if defined(__linux__)
    if (watch_ < 0)
        return false;
    bool closedLast = false;
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(watch_, buffer, sizeof buffer);
        if (got <= 0)
            break;
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if (event->mask & IN_Q_OVERFLOW) {
                CloseFd(watch_); // the count is lost: treat the host as always present from now on
                return false;
            }
            if (event->mask & IN_OPEN)
                ++hostOpens_;
            if ((event->mask & IN_CLOSE) && hostOpens_ > 0 && --hostOpens_ == 0)
                closedLast = true;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    return closedLast;
#else
    return false;
#endif
}

long Pty::readHost(std::uint8_t* buffer, std::size_t size) {
    if (master_ < 0)
        return -1;
    const ssize_t got = ::read(master_, buffer, size);
    if (got >= 0)
        return static_cast<long>(got);
    return errno == EAGAIN || errno == EINTR ? 0 : -1;
}

std::size_t Pty::writeHost(const std::uint8_t* data, std::size_t count) {
    if (master_ < 0 || count == 0)
        return 0;
    const ssize_t written = ::write(master_, data, count);
    return written > 0 ? static_cast<std::size_t>(written) : 0;
}

void Pty::discardUnread() {
    if (slave_ >= 0)
        tcflush(slave_, TCIFLUSH);
}

} // namespace sim
