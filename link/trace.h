#pragma once
// What the link tells a protocol trace: each port opened or refused, each port closed, and each command with
// the reply it got. The link calls the sink after an exchange has ended, never between its bytes, so a trace
// does not change the protocol's timing. Nothing is traced while no sink is installed.

#include "platform/system.h"

#include <cstdint>
#include <span>
#include <string>

enum class ReplyOutcome { Valid, BadChecksum, Timeout };

class TraceSink {
public:
    virtual ~TraceSink() = default;
    /// `error` is None when the port opened.
    virtual void portOpened(int portNo, const std::string& settings, platform::OpenError error) = 0;
    virtual void portClosed() = 0;
    /// One command: the frame as written at `sentAtMs`, and the bytes that came back until `endedAtMs` (the
    /// frame, or for a time-out whatever partial reply there was). Times are the platform clock's.
    virtual void exchange(std::uint32_t sentAtMs, std::span<const std::uint8_t> frame, std::uint32_t endedAtMs,
                          std::span<const std::uint8_t> reply, ReplyOutcome outcome) = 0;
};

/// Installs `sink` (not owned); nullptr ends tracing.
void SetTraceSink(TraceSink* sink);
