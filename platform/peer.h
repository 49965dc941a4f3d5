#pragma once
// The device on the other end of a serial line as a model sees the wire: what the host wrote with which line
// settings, and a sink for what it sends back. The virtual-time double (platform/testing) and reader-sim's
// pseudo-terminal both drive one; the reader model is one.

#include "platform/line_settings.h"

#include <cstddef>
#include <cstdint>

namespace platform {

/// Where a peer puts the bytes it sends to the host.
class ReplySink {
public:
    virtual ~ReplySink() = default;
    /// Queues `count` bytes; the first is readable at `firstAtUs`, each next one `spacingUs` later.
    virtual void send(const std::uint8_t* data, std::size_t count, std::uint64_t firstAtUs,
                      std::uint32_t spacingUs) = 0;
};

/// The device on the other end of the line.
class VirtualPeer {
public:
    virtual ~VirtualPeer() = default;
    /// The host wrote `count` bytes at `nowUs` with `line` in force on its side of the wire.
    virtual void hostWrote(const std::uint8_t* data, std::size_t count, const LineSettings& line, std::uint64_t nowUs,
                           ReplySink& reply) = 0;
    /// Called before every host read, so that a peer can stream bytes on its own (noise, say).
    virtual void poll(std::uint64_t nowUs, ReplySink& reply) {
        (void)nowUs;
        (void)reply;
    }
};

} // namespace platform
