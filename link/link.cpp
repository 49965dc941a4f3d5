#include "link.h"

#include "protocol/protocol.h"

#include <algorithm>

namespace readerlink {

namespace {
constexpr std::uint8_t Lf = 0x0A;
constexpr std::uint8_t Cr = 0x0D;
} // namespace

Link::Link(LinkSetup& setup) : setup_(setup) {
    // Once, so that a noisy line costs no allocation per byte.
    setAside_.reserve(KeptLineBytes);
}

Link::~Link() {
    if (isOpen())
        CloseComPort();
}

bool Link::OpenComPort(int portNo, const std::string& settings) {
    platform::System& system = setup_.system;
    const bool failedHereBefore = portNo == portNo_ && lastOpenError_ != platform::OpenError::None;
    const platform::OpenError failedBefore = lastOpenError_;
    portNo_ = portNo;
    settings_ = settings;
    lastOpenError_ = platform::OpenError::None;
    portGone_ = false;
    ComHandle = system.openPort(portNo, &lastOpenError_);
    const bool opened = ComHandle != platform::InvalidPort;
    if (opened)
        lastOpenError_ = platform::OpenError::None;
    else if (lastOpenError_ == platform::OpenError::None)
        lastOpenError_ = platform::OpenError::Other;
    // A scan waiting for an adapter looks at an absent port again and again: the trace hears of a change only.
    if (setup_.trace && !(failedHereBefore && lastOpenError_ == failedBefore))
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
    if (!isOpen())
        return;
    // Its frame went over the line: the trace shows it with how it ended.
    if (awaiting_)
        finish(ReplyOutcome::Dropped);
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

void Link::takeWaiting(std::string& into, std::uint64_t& count) {
    std::array<std::uint8_t, 256> chunk{};
    for (;;) {
        const std::size_t got = setup_.system.readWaiting(ComHandle, chunk.data(), chunk.size());
        count += got;
        into.append(reinterpret_cast<const char*>(chunk.data()),
                    std::min(got, KeptLineBytes - std::min(KeptLineBytes, into.size())));
        if (got < chunk.size())
            return;
    }
}

void Link::setAside(std::uint8_t byte) {
    ++counts_.setAside;
    if (setAside_.size() < KeptLineBytes)
        setAside_ += static_cast<char>(byte);
}

bool Link::StartCommand(std::string_view text, WritePauses pauses) {
    platform::System& system = setup_.system;
    RxBuffer.fill(0);
    awaiting_ = false;
    // The frame carries the text's length in 8 bits: a longer text is refused, never cut.
    std::optional<std::string> frame = protocol::BuildCommandFrame(text);
    if (!frame || !isOpen()) {
        RxCount = 0;
        return false;
    }
    frame_ = std::move(*frame);
    // A reply that came after an earlier command gave up is still in the input: it must not pass for this one.
    discarded_.clear();
    takeWaiting(discarded_, counts_.discarded);
    setAside_.clear();
    framing_ = false;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(frame_.data());
    const auto length = static_cast<int>(text.size());
    const std::size_t cr = frame_.size() - 1;
    sentAtMs_ = system.clockMs();
    // TAB, text, two checksum digits, CR: the TAB, digits and CR written one by one, the text in one run.
    if (pauses == WritePauses::Kept) {
        SendByte(bytes[0]);
        SendBytes(bytes + 1, length);
        for (std::size_t i = 1u + text.size(); i < cr; ++i)
            SendByte(bytes[i]);
    } else {
        system.write(ComHandle, bytes, 1);
        system.write(ComHandle, bytes + 1, text.size());
        for (std::size_t i = 1u + text.size(); i < cr; ++i)
            system.write(ComHandle, bytes + i, 1);
    }
    // What came in while the frame went out, before its CR, cannot answer it: the echo so far, or the tail of a
    // late reply whose LF must not start this one.
    takeWaiting(setAside_, counts_.setAside);
    // The reply time runs from the CR; the time-out, from the end of sending, after the CR's pause.
    system.write(ComHandle, bytes + cr, 1);
    crWrittenMs_ = system.clockMs();
    if (pauses == WritePauses::Kept)
        system.sleepMs(1);
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
        const platform::ReadResult read = system.readByte(ComHandle, byte);
        if (read == platform::ReadResult::Error) {
            // Reported once, with the exchange, and the port let go at once so that nothing stays locked.
            Reply reply = finish(ReplyOutcome::PortGone);
            portGone_ = true;
            CloseComPort();
            return reply;
        }
        const bool got = read == platform::ReadResult::Byte;
        if (got && !framing_ && byte != Lf) {
            setAside(byte);
        } else if (got) {
            framing_ = true;
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
    if (outcome == ReplyOutcome::Valid || outcome == ReplyOutcome::BadChecksum)
        reply.text = ReplyText;
    const std::span<const std::uint8_t> bytes = received();
    reply.received.assign(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    reply.discarded = discarded_;
    reply.setAside = setAside_;
    reply.echoed = !frame_.empty() && setAside_.find(frame_) != std::string::npos;
    counts_.echoes += reply.echoed ? 1 : 0;
    const std::uint32_t endedAtMs = setup_.system.clockMs();
    reply.waitedMs = endedAtMs - crWrittenMs_;
    // Told after the exchange, so the trace never stands between the bytes on the line.
    if (setup_.trace) {
        const auto bytesOf = [](const std::string& text) {
            return std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
        };
        Exchange exchange;
        exchange.portNo = portNo_;
        exchange.settings = settings_;
        exchange.sentAtMs = sentAtMs_;
        exchange.frame = bytesOf(frame_);
        exchange.discarded = bytesOf(discarded_);
        exchange.endedAtMs = endedAtMs;
        exchange.reply = bytes;
        exchange.setAside = bytesOf(setAside_);
        exchange.echoed = reply.echoed;
        exchange.outcome = outcome;
        setup_.trace->exchange(exchange);
    }
    return reply;
}

Reply Link::SendCommand(std::string_view text) {
    if (!isOpen()) {
        // What a read of a gone device costs, so that a caller looping on one does not spin.
        setup_.system.sleepMs(1);
        Reply gone;
        gone.outcome = ReplyOutcome::PortGone;
        return gone;
    }
    if (!StartCommand(text)) {
        Reply reply;
        reply.outcome = ReplyOutcome::NotSent;
        return reply;
    }
    for (;;) {
        if (std::optional<Reply> reply = TakeReply(true))
            return *std::move(reply);
    }
}

} // namespace readerlink
