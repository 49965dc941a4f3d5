#include "link.h"

#include "protocol/protocol.h"

#include <algorithm>

namespace readerlink {

namespace {
constexpr std::uint8_t Lf = 0x0A;
constexpr std::uint8_t Cr = 0x0D;
} // namespace

Link::Link(LinkSetup& setup) : setup_(setup) {}

Link::~Link() {
    if (isOpen())
        CloseComPort();
}

bool Link::OpenComPort(int portNo, const std::string& settings) {
    platform::System& system = setup_.system;
    portNo_ = portNo;
    settings_ = settings;
    lastOpenError_ = platform::OpenError::None;
    ComHandle = system.openPort(portNo, &lastOpenError_);
    const bool opened = ComHandle != platform::InvalidPort;
    if (opened)
        lastOpenError_ = platform::OpenError::None;
    else if (lastOpenError_ == platform::OpenError::None)
        lastOpenError_ = platform::OpenError::Other;
    if (setup_.trace)
        setup_.trace->portOpened(portNo, settings, lastOpenError_);
    if (!opened) {
        if (setup_.openErrorReport)
            setup_.openErrorReport(portNo, lastOpenError_);
        return false;
    }
    // Once the device is open the port is ours, whatever the next three calls say.
    system.getTimeouts(ComHandle, SavedTimeouts);
    system.setTimeouts(ComHandle, LinkTimeouts);
    system.applyLineSettings(ComHandle, settings);
    return true;
}

void Link::CloseComPort() {
    platform::System& system = setup_.system;
    system.setTimeouts(ComHandle, SavedTimeouts);
    system.closePort(ComHandle);
    ComHandle = platform::InvalidPort;
    awaiting_ = false;
    if (setup_.trace)
        setup_.trace->portClosed(portNo_, settings_);
}

void Link::SendByte(std::uint8_t byte) {
    setup_.system.write(ComHandle, &byte, 1);
    setup_.system.sleepMs(1);
}

void Link::SendBytes(const std::uint8_t* bytes, int count) {
    setup_.system.write(ComHandle, bytes, count > 0 && bytes ? static_cast<std::size_t>(count) : 0);
    setup_.system.sleepMs(5);
}

bool Link::VerifyReplyChecksum() const {
    return protocol::ReplyChecksumRight(received());
}

std::span<const std::uint8_t> Link::received() const {
    return std::span(RxBuffer.data(), static_cast<std::size_t>(RxCount));
}

void Link::ProcessMessages() {
    if (setup_.messagePump)
        setup_.messagePump();
}

bool Link::StartCommand(std::string_view text, WritePauses pauses) {
    platform::System& system = setup_.system;
    RxBuffer.fill(0);
    awaiting_ = false;
    // The frame carries the text's length in 8 bits: a longer text is refused, never cut.
    std::optional<std::string> frame = protocol::BuildCommandFrame(text);
    if (!frame) {
        RxCount = 0;
        return false;
    }
    frame_ = std::move(*frame);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(frame_.data());
    const auto length = static_cast<int>(text.size());
    sentAtMs_ = system.clockMs();
    // TAB, text, two checksum digits, CR: the TAB, digits and CR written one by one, the text in one run.
    if (pauses == WritePauses::Kept) {
        SendByte(bytes[0]);
        SendBytes(bytes + 1, length);
        for (std::size_t i = 1u + text.size(); i < frame_.size(); ++i)
            SendByte(bytes[i]);
    } else {
        system.write(ComHandle, bytes, 1);
        system.write(ComHandle, bytes + 1, text.size());
        for (std::size_t i = 1u + text.size(); i < frame_.size(); ++i)
            system.write(ComHandle, bytes + i, 1);
    }
    RxCount = 0;
    startMs_ = system.clockMs();
    awaiting_ = true;
    return true;
}

std::optional<Reply> Link::TakeReply(bool serveMessages) {
    if (!awaiting_)
        return std::nullopt;
    platform::System& system = setup_.system;
    for (;;) {
        std::uint8_t byte = 0;
        const bool got = system.readByte(ComHandle, byte) == platform::ReadResult::Byte;
        if (got) {
            RxBuffer[static_cast<std::size_t>(RxCount)] = byte;
            if (++RxCount == RxBufferSize)
                RxCount = 0;
            if (byte == Cr && RxBuffer[0] == Lf) {
                // After a CR in the last cell the terminator wraps to index 0 over the LF: the frame then reads
                // as empty and fails the checksum test, which is what a reply this long deserves.
                RxBuffer[static_cast<std::size_t>(RxCount)] = 0;
                const auto end = std::find(RxBuffer.begin(), RxBuffer.end(), std::uint8_t{0});
                ReplyText.assign(reinterpret_cast<const char*>(RxBuffer.data()),
                                 static_cast<std::size_t>(end - RxBuffer.begin()));
                return finish(VerifyReplyChecksum() ? ReplyOutcome::Valid : ReplyOutcome::BadChecksum);
            }
        } else if (serveMessages) {
            ProcessMessages();
        }
        // Tested after every read, so that a line that streams bytes without ever ending a frame still ends at
        // the time-out. Unsigned difference: a clock wrap at 2^32 changes nothing.
        if (system.clockMs() - startMs_ > ReplyTimeoutMs)
            return finish(ReplyOutcome::Timeout);
        if (!got)
            return std::nullopt;
    }
}

Reply Link::finish(ReplyOutcome outcome) {
    awaiting_ = false;
    Reply reply;
    reply.outcome = outcome;
    if (outcome != ReplyOutcome::Timeout)
        reply.text = ReplyText;
    const std::span<const std::uint8_t> bytes = received();
    reply.received.assign(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    // Told after the exchange, so the trace never stands between the bytes on the line.
    if (setup_.trace) {
        const auto* frame = reinterpret_cast<const std::uint8_t*>(frame_.data());
        setup_.trace->exchange(portNo_, settings_, sentAtMs_, std::span(frame, frame_.size()), setup_.system.clockMs(),
                               bytes, outcome);
    }
    return reply;
}

Reply Link::SendCommand(std::string_view text) {
    if (!StartCommand(text))
        return Reply{ReplyOutcome::NotSent, {}, {}};
    for (;;) {
        if (std::optional<Reply> reply = TakeReply(true))
            return *std::move(reply);
    }
}

} // namespace readerlink
