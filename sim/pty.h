#pragma once
// A pseudo-terminal that stands in for a serial adapter: the host opens the slave as it would a serial
// device, reader-sim talks through the master.
//
// Two things a real adapter does that a bare pty does not are done here:
// - the device stays usable between opens: a slave descriptor is held, so the master never sees EIO or HUP
//   when the host closes its end;
// - what the reader sends while no host has the device open is lost, as a closed UART loses it, instead of
//   waiting in the pty for the next opener. Opens and closes of the slave are watched (inotify on Linux;
//   elsewhere the host counts as always present).

#include "platform/line_settings.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace sim {

class Pty {
public:
    Pty() = default;
    ~Pty();
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    /// Opens a new master/slave pair in raw mode; false with a reason in `error`.
    bool open(std::string& error);
    /// Closes both ends, as an unplugged adapter: the host's descriptor gets errors from now on.
    void close();
    bool isOpen() const { return master_ >= 0; }

    int masterFd() const { return master_; }
    /// Readable when the slave was opened or closed; -1 when opens are not watched.
    int watchFd() const { return watch_; }
    const std::string& slavePath() const { return slavePath_; }

    /// The line settings the host last applied to the slave. A pty that does not keep PARENB (Linux forces
    /// 8 data bits and no parity) reports `assumedParity` instead of what it holds.
    platform::LineSettings hostLine(char assumedParity) const;
    /// False when the pty drops the parity bits that the host sets.
    bool carriesParity() const { return carriesParity_; }

    /// Takes the pending open/close events; true when the count of host opens just reached zero.
    bool takeWatchEvents();
    /// Some host has the slave open (always true when opens are not watched).
    bool hostPresent() const { return watch_ < 0 || hostOpens_ > 0; }

    /// Non-blocking read from the master: bytes read, 0 when none, -1 on error.
    long readHost(std::uint8_t* buffer, std::size_t size);
    /// Non-blocking write to the master: bytes written (may be fewer when the host does not read).
    std::size_t writeHost(const std::uint8_t* data, std::size_t count);
    /// Discards what the host has not read yet.
    void discardUnread();

private:
    int master_ = -1;
    int slave_ = -1; ///< held so that the master outlives every host close
    int watch_ = -1;
    int hostOpens_ = 0;
    bool carriesParity_ = false;
    std::string slavePath_;
};

} // namespace sim
