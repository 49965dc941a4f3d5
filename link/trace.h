#pragma once
// What a link tells a protocol trace: each port opened or refused, each port closed, and each command with the
// reply it got, every event with the port and line setting it concerns (several links may share one trace). A
// link calls the sink after an exchange has ended, never between its bytes, so a trace does not change the
// protocol's timing. Nothing is traced while no sink is installed.

#include "platform/system.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace readerlink {

/// How an exchange ended.
enum class ReplyOutcome {
    Valid,       ///< a complete frame with the right checksum
    BadChecksum, ///< a complete frame whose checksum digits do not match
    Timeout,     ///< no complete frame within the time-out
    NotSent,     ///< the command text does not fit a frame; nothing was written
    PortGone,    ///< the device went away (unplugged, hung up); the link has closed the port
    Dropped,     ///< the caller closed the port with the reply still awaited (another port answered first)
};

/// One command and how its reply ended, as a sink is told of it. The spans and the text are valid only during
/// the call.
struct Exchange {
    int portNo = 0;
    std::string_view settings;
    /// The frame as written at `sentAtMs`, TAB to CR. Times are the platform clock's.
    std::uint32_t sentAtMs = 0;
    std::span<const std::uint8_t> frame;
    /// Stale input thrown away just before the frame was written: a late reply to an earlier command, say.
    std::span<const std::uint8_t> discarded;
    /// The bytes of the reply until `endedAtMs`, from its LF: the frame, or for a time-out whatever partial
    /// reply there was.
    std::uint32_t endedAtMs = 0;
    std::span<const std::uint8_t> reply;
    /// What came before the reply's LF: the line's echo of the frame, noise.
    std::span<const std::uint8_t> setAside;
    /// `setAside` holds the frame just sent: the line echoes.
    bool echoed = false;
    ReplyOutcome outcome = ReplyOutcome::Timeout;
};

class TraceSink {
public:
    virtual ~TraceSink() = default;
    /// `error` is None when the port opened.
    virtual void portOpened(int portNo, const std::string& settings, platform::OpenError error) = 0;
    virtual void portClosed(int portNo, const std::string& settings) = 0;
    virtual void exchange(const Exchange& exchange) = 0;
};

} // namespace readerlink
