#include "link.h"

#include "link/trace.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <set>

platform::PortHandle ComHandle = platform::InvalidPort;
platform::CommTimeouts SavedTimeouts;
// A read returns at once with a waiting byte, or after 1 ms with none; writes have no time-out.
const platform::CommTimeouts LinkTimeouts{0, 0, 1, 0, 0};

std::uint8_t RxBuffer[RxBufferSize];
int RxCount = 0;
std::string ReplyText;

namespace {

constexpr std::uint8_t Lf = 0x0A;
constexpr std::uint8_t Cr = 0x0D;

std::function<void()> messagePump;
std::function<void(int, platform::OpenError)> openErrorReport;
TraceSink* traceSink = nullptr;

} // namespace

void SetTraceSink(TraceSink* sink) {
    traceSink = sink;
}

bool OpenComPort(int portNo, const std::string& settings) {
    platform::System& system = platform::CurrentSystem();
    platform::OpenError error = platform::OpenError::None;
    ComHandle = system.openPort(portNo, &error);
    if (traceSink)
        traceSink->portOpened(portNo, settings, ComHandle == platform::InvalidPort ? error : platform::OpenError::None);
    if (ComHandle == platform::InvalidPort) {
        if (openErrorReport)
            openErrorReport(portNo, error);
        return false;
    }
    // Once the device is open the port is ours, whatever the next three calls say.
    system.getTimeouts(ComHandle, SavedTimeouts);
    system.setTimeouts(ComHandle, LinkTimeouts);
    system.applyLineSettings(ComHandle, settings);
    return true;
}

void CloseComPort() {
    platform::System& system = platform::CurrentSystem();
    system.setTimeouts(ComHandle, SavedTimeouts);
    system.closePort(ComHandle);
    if (traceSink)
        traceSink->portClosed();
}

void SendByte(std::uint8_t byte) {
    platform::System& system = platform::CurrentSystem();
    system.write(ComHandle, &byte, 1);
    system.sleepMs(1);
}

void SendBytes(const std::uint8_t* bytes, int count) {
    platform::System& system = platform::CurrentSystem();
    system.write(ComHandle, bytes, count > 0 && bytes ? static_cast<std::size_t>(count) : 0);
    system.sleepMs(5);
}

bool VerifyReplyChecksum() {
    if (RxCount < 4 || RxCount > RxBufferSize)
        return false;
    return ReplyChecksumRight(std::span(RxBuffer, static_cast<std::size_t>(RxCount)));
}

namespace {

/// Told after the exchange, so the trace never stands between the bytes on the line.
void traceExchange(std::uint32_t sentAt, const std::string& frame, ReplyOutcome outcome) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(frame.data());
    traceSink->exchange(sentAt, std::span(bytes, frame.size()), platform::CurrentSystem().clockMs(),
                        std::span(RxBuffer, static_cast<std::size_t>(RxCount)), outcome);
}

} // namespace

bool SendCommand(const char* text) {
    platform::System& system = platform::CurrentSystem();
    if (!text)
        text = "";
    std::memset(RxBuffer, 0, sizeof RxBuffer);

    const auto length = static_cast<std::uint8_t>(std::strlen(text)); // frames carry at most 255 characters
    // TAB, text, two checksum digits, CR: the TAB, digits and CR written one by one, the text in one run.
    const std::string frame = BuildCommandFrame(std::string_view(text, length));
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(frame.data());
    const std::uint32_t sentAt = system.clockMs();
    SendByte(bytes[0]);
    SendBytes(bytes + 1, length);
    for (std::size_t i = 1u + length; i < frame.size(); ++i)
        SendByte(bytes[i]);

    RxCount = 0;
    const std::uint32_t start = system.clockMs();
    std::uint32_t elapsed = 0;
    while (elapsed <= ReplyTimeoutMs) {
        std::uint8_t byte = 0;
        if (system.readByte(ComHandle, byte) == platform::ReadResult::Byte) {
            RxBuffer[RxCount] = byte;
            if (++RxCount == RxBufferSize)
                RxCount = 0;
            if (byte == Cr && RxBuffer[0] == Lf) {
                // After a CR in the last cell the terminator wraps to index 0 over the LF: the frame then
                // reads as empty and fails the checksum test, which is what a reply this long deserves.
                RxBuffer[RxCount] = 0;
                const auto* end = std::find(RxBuffer, RxBuffer + RxBufferSize, std::uint8_t{0});
                ReplyText.assign(reinterpret_cast<const char*>(RxBuffer), static_cast<std::size_t>(end - RxBuffer));
                const bool valid = VerifyReplyChecksum();
                if (traceSink)
                    traceExchange(sentAt, frame, valid ? ReplyOutcome::Valid : ReplyOutcome::BadChecksum);
                return valid;
            }
        } else {
            ProcessMessages();
        }
        // Tested after every read, so that a line that streams bytes without ever ending a frame still ends
        // at the time-out. Unsigned difference: a clock wrap at 2^32 changes nothing.
        elapsed = system.clockMs() - start;
    }
    if (traceSink)
        traceExchange(sentAt, frame, ReplyOutcome::Timeout);
    return false;
}

void SetOpenErrorReport(std::function<void(int portNo, platform::OpenError error)> report) {
    openErrorReport = std::move(report);
}

void ReportOpenAdviceOnce(std::function<void(const std::string& advice)> print) {
    if (!print) {
        openErrorReport = {};
        return;
    }
    auto told = std::make_shared<std::set<std::string>>();
    openErrorReport = [told, print = std::move(print)](int portNo, platform::OpenError error) {
        const std::string advice = platform::OpenErrorAdvice(portNo, error);
        if (!advice.empty() && told->insert(advice).second)
            print(advice);
    };
}

void SetMessagePump(std::function<void()> pump) {
    messagePump = std::move(pump);
}

void ProcessMessages() {
    if (messagePump)
        messagePump();
}
