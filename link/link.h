#pragma once
// A reader link: one serial port and the command exchange over it. A program makes one link per port it talks
// to, all sharing one LinkSetup; each link owns its port and its receive state, so two links never share a
// byte. Everything runs on the caller's thread; a link is never re-entered.

#include "link/trace.h"
#include "platform/system.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace readerlink {

inline constexpr int RxBufferSize = 1024;
/// How many bytes of the input discarded before a command, or set aside before its reply, an exchange keeps to
/// show; all of them are counted. More than a line carries in a reply's time-out at any of the tool's speeds.
inline constexpr std::size_t KeptLineBytes = 4096;
inline constexpr std::uint32_t ReplyTimeoutMs = 120;
/// In force while a link holds a port: a read returns at once with a waiting byte, or after 1 ms with none;
/// writes have no time-out.
inline constexpr platform::CommTimeouts LinkTimeouts{0, 0, 1, 0, 0};

/// What an exchange brought back.
struct Reply {
    ReplyOutcome outcome = ReplyOutcome::Timeout;
    /// The frame up to its first zero byte (LF to CR) when one was complete, whatever its checksum; else empty.
    std::string text;
    /// Every byte of the reply from its LF on, zero bytes included: RxBuffer[0 .. RxCount).
    std::string received;
    /// Stale input thrown away just before the frame was written, so that it cannot pass for this reply.
    std::string discarded;
    /// Bytes that came while the frame was being written and then before the reply's LF: the line's echo of
    /// the frame, noise, the rest of a late reply.
    std::string setAside;
    /// `setAside` holds the frame just sent: the line echoes (a 2-wire converter that hears itself).
    bool echoed = false;
    /// From the moment the frame's CR was written to the end of the exchange: the reply time. (The time-out
    /// starts after the CR's pause.)
    std::uint32_t waitedMs = 0;

    bool valid() const { return outcome == ReplyOutcome::Valid; }
    explicit operator bool() const { return valid(); }
};

/// What the links of one program share: the system they run on and the program's hooks.
struct LinkSetup {
    explicit LinkSetup(platform::System& on) : system(on) {}

    platform::System& system;
    /// Served after every read that brought no byte while SendCommand waits, and by ProcessMessages, so that a
    /// window stays alive; empty, nothing is served.
    std::function<void()> messagePump;
    /// Not owned; nullptr traces nothing.
    TraceSink* trace = nullptr;
    /// Told the port and the reason whenever OpenComPort fails.
    std::function<void(int portNo, platform::OpenError error)> openErrorReport;
};

/// Whether a command's writes are each followed by the link's pause (1 ms after a byte, 5 ms after a run).
enum class WritePauses { Kept, Skipped };

/// What a link has met on its line since it was made.
struct LineCounts {
    std::uint64_t discarded = 0; ///< stale bytes thrown away before a command
    std::uint64_t setAside = 0;  ///< bytes before a reply's LF
    std::uint64_t echoes = 0;    ///< exchanges whose own frame came back before the reply
};

class Link {
public:
    /// `setup` is not owned and must outlive the link.
    explicit Link(LinkSetup& setup);
    /// Closes a port still open.
    ~Link();
    Link(const Link&) = delete;
    Link& operator=(const Link&) = delete;

    LinkSetup& setup() const { return setup_; }
    platform::System& system() const { return setup_.system; }

    // ---- the port ----

    /// Opens COM`portNo` exclusively with a line-settings text. True once the device is open, even if the
    /// platform refused the settings text (the port then keeps its previous line settings). The reason of a
    /// failure is told to the setup's open-error report and kept in lastOpenError(); the trace hears of it
    /// unless this link's last open failed on the same port for the same reason.
    bool OpenComPort(int portNo, const std::string& settings);
    /// Puts SavedTimeouts back and closes the port; nothing when it is not open (the link closed a port that
    /// went away itself). An exchange still under way ends as Dropped.
    void CloseComPort();
    bool isOpen() const { return ComHandle != platform::InvalidPort; }
    /// The device went away during an exchange since the last OpenComPort; the link closed the port then.
    bool portGone() const { return portGone_; }
    /// The open port's handle, for a caller that must reach the device itself (a back end's tests).
    platform::PortHandle handle() const { return ComHandle; }
    platform::OpenError lastOpenError() const { return lastOpenError_; }
    /// One write of one byte, then 1 ms.
    void SendByte(std::uint8_t byte);
    /// One write of the whole run, then 5 ms.
    void SendBytes(const std::uint8_t* bytes, int count);

    // ---- the exchange ----

    /// Throws away what waits in the input, sends TAB, text, checksum digits, CR and waits up to 120 ms for a
    /// reply frame, serving the message pump after every read that brought nothing. The reply begins at its LF:
    /// what comes before it is set aside. Valid when a complete frame (LF to CR) arrived in time and its checksum
    /// digits match. A device that fails a read ends the exchange at once as PortGone, and the port is closed.
    /// Without an open port nothing is sent, and the reply is PortGone after one read time-out (1 ms), so that
    /// a caller that loops on a gone port does not spin.
    Reply SendCommand(std::string_view text);

    /// The exchange step by step: StartCommand writes the frame and starts the time-out (false, and nothing
    /// written, for a text that does not fit a frame or a port that is not open); each TakeReply then takes what
    /// came, reading until a read brings nothing (after which it serves the message pump when `serveMessages`),
    /// and gives the reply once the frame has ended, the time-out has passed or the port has gone. SendCommand
    /// is exactly this with the pump served.
    bool StartCommand(std::string_view text, WritePauses pauses = WritePauses::Kept);
    std::optional<Reply> TakeReply(bool serveMessages);
    /// An exchange has been started and has not ended yet.
    bool awaitingReply() const { return awaiting_; }

    /// Runs the setup's message pump once.
    void ProcessMessages();

    // ---- the receive state of the last command ----

    /// The frame's checksum digits against RxBuffer[0 .. RxCount).
    bool VerifyReplyChecksum() const;
    /// RxBuffer[0 .. RxCount).
    std::span<const std::uint8_t> received() const;
    int rxCount() const { return RxCount; }
    /// The last complete frame up to its first zero byte; a time-out keeps the one before.
    const std::string& replyText() const { return ReplyText; }
    const LineCounts& lineCounts() const { return counts_; }

private:
    /// Takes what waits in the input into `into` (up to KeptLineBytes of it), counting every byte in `count`.
    void takeWaiting(std::string& into, std::uint64_t& count);
    void setAside(std::uint8_t byte);
    Reply finish(ReplyOutcome outcome);

    LinkSetup& setup_;
    platform::PortHandle ComHandle = platform::InvalidPort;
    platform::CommTimeouts SavedTimeouts{};
    int portNo_ = 0;
    std::string settings_;
    platform::OpenError lastOpenError_ = platform::OpenError::None;

    std::array<std::uint8_t, RxBufferSize> RxBuffer{};
    int RxCount = 0;
    std::string ReplyText;

    // The exchange under way.
    bool awaiting_ = false;
    bool framing_ = false; ///< the reply's LF has come; bytes go to RxBuffer
    std::string frame_;
    std::string discarded_;
    std::string setAside_;
    std::uint32_t sentAtMs_ = 0;
    std::uint32_t crWrittenMs_ = 0;
    std::uint32_t startMs_ = 0;
    bool portGone_ = false;
    LineCounts counts_;
};

} // namespace readerlink
