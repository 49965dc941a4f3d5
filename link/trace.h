#pragma once
// What a link tells a protocol trace: each port opened or refused, each port closed, and each command with the
// reply it got, every event with the port and line setting it concerns (several links may share one trace). A
// link calls the sink after an exchange has ended, never between its bytes, so a trace does not change the
// protocol's timing. Nothing is traced while no sink is installed.

#include "platform/system.h"

#include <cstdint>
#include <span>
#include <string>

namespace readerlink {

/// How an exchange ended.
enum class ReplyOutcome {
    Valid,       ///< a complete frame with the right checksum
    BadChecksum, ///< a complete frame whose checksum digits do not match
    Timeout,     ///< no complete frame within the time-out
    NotSent,     ///< the command text does not fit a frame; nothing was written
};

class TraceSink {
public:
    virtual ~TraceSink() = default;
    /// `error` is None when the port opened.
    virtual void portOpened(int portNo, const std::string& settings, platform::OpenError error) = 0;
    virtual void portClosed(int portNo, const std::string& settings) = 0;
    /// One command: the frame as written at `sentAtMs`, and the bytes that came back until `endedAtMs` (the
    /// frame, or for a time-out whatever partial reply there was). Times are the platform clock's.
    virtual void exchange(int portNo, const std::string& settings, std::uint32_t sentAtMs,
                          std::span<const std::uint8_t> frame, std::uint32_t endedAtMs,
                          std::span<const std::uint8_t> reply, ReplyOutcome outcome) = 0;
};

} // namespace readerlink
