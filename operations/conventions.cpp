// The conventions the operations share: the busy state, the outcome signals, the presence query and the
// command pause.

#include "operations.h"

#include "protocol/commands.h"

#include <algorithm>

namespace operations {

namespace {

// Lamp, message, tone, input, cursor: in that order, so the message is on screen before the tone starts.
void Signal(Observer& observer, Lamp colour, const localisation::Reason& message, unsigned frequencyHz) {
    observer.commLamp(colour);
    observer.message(message);
    observer.beep(frequencyHz, SignalBeepMs);
    observer.busy(Busy::Off);
    observer.waitCursor(false);
}

} // namespace

localisation::Reason Message(localisation::TextId message, int portNo) {
    using namespace localisation;
    switch (message) {
    case txInfoOk:
    case txInfoError:
        return Reason::Joined({message, " : #" + std::to_string(portNo) + ")"}, "");
    case txOpenCom:
        return Reason::Joined({message, " : " + std::to_string(portNo) + " ", txError}, "");
    default:
        return message;
    }
}

void EnterBusy(Observer& observer) {
    observer.waitCursor(true);
    observer.busy(Busy::On);
}

void SuccessSignal(Observer& observer, const localisation::Reason& message) {
    Signal(observer, Lamp::Yellow, message, SuccessBeepHz);
}

void FailureSignal(Observer& observer, const localisation::Reason& message) {
    Signal(observer, Lamp::Red, message, FailureBeepHz);
}

std::string ItemText(const std::string& digit, const char* const* items, int count) {
    const int index = digit.size() == 1 ? protocol::ReplyDigit(digit, 1, count) : -1;
    return index >= 0 ? items[index] : protocol::Latin1ToUtf8(digit);
}

bool AnswersInfo(const readerlink::Reply& reply) {
    return reply.valid() && static_cast<int>(reply.received.size()) == protocol::InfoReplyLength;
}

bool Answers(const readerlink::Reply& reply, protocol::Command query) {
    return reply.valid() && protocol::RepliesTo(query, reply.received);
}

std::optional<readerlink::Reply> QueryInfo(readerlink::Link& link) {
    readerlink::Reply reply = link.SendCommand(protocol::Query(protocol::Command::Info));
    if (!AnswersInfo(reply))
        return std::nullopt;
    return reply;
}

void CommandPause(readerlink::Link& link) {
    link.system().sleepMs(CommandPauseMs);
}

void PumpedPause(readerlink::Link& link, std::uint32_t ms, const std::function<bool()>& interrupted) {
    constexpr std::uint32_t PumpStepMs = 10;
    for (std::uint32_t slept = 0; slept < ms && !interrupted(); slept += PumpStepMs) {
        link.system().sleepMs(std::min(PumpStepMs, ms - slept));
        link.ProcessMessages();
    }
}

bool WaitUntilGone(readerlink::Link& link, int portNo, const std::string& line, const std::string& serial,
                   const std::function<bool()>& interrupted) {
    for (int unanswered = 0; unanswered < GoneAfterPolls && !interrupted();) {
        std::optional<readerlink::Reply> answer;
        if (link.OpenComPort(portNo, line)) {
            answer = QueryInfo(link);
            link.CloseComPort();
        }
        if (answer && protocol::ReplyBytes(answer->text, protocol::SerialField) != serial)
            break;
        unanswered = answer ? 0 : unanswered + 1;
        PumpedPause(link, RepeatPollMs, interrupted);
    }
    return !interrupted();
}

} // namespace operations
