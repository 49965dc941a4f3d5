#include "door_checks.h"

#include "commission/job.h"
#include "commission/line_test.h"

#include "protocol/commands.h"
#include "protocol/protocol.h"

#include <span>

namespace commission {

LineFigures FiguresOf(const LineTest& test) {
    LineFigures figures{test.sent, test.answered, test.timeouts, test.badChecksum, test.echoes, {}, VerdictOf(test)};
    if (const std::optional<ReplyTimes> times = test.times())
        figures.p99 = times->p99;
    return figures;
}

std::optional<LineVerdict> VerdictNamed(const std::string& word) {
    for (const LineVerdict verdict : {LineVerdict::Pass, LineVerdict::Marginal, LineVerdict::Fail}) {
        if (word == VerdictName(verdict))
            return verdict;
    }
    return std::nullopt;
}

namespace {
constexpr CardState CardStates[] = {CardState::Read, CardState::WiegandMode, CardState::NoCard, CardState::Stopped,
                                    CardState::NoReply};
} // namespace

const char* CardStateWord(CardState state) {
    switch (state) {
    case CardState::Read:
        return "read";
    case CardState::WiegandMode:
        return "wiegand-mode";
    case CardState::NoCard:
        return "no-card";
    case CardState::Stopped:
        return "stopped";
    case CardState::NoReply:
        break;
    }
    return "no-reply";
}

std::optional<CardState> CardStateNamed(const std::string& word) {
    for (const CardState state : CardStates) {
        if (word == CardStateWord(state))
            return state;
    }
    return std::nullopt;
}

bool ReportsCards(const std::optional<std::string>& mode) {
    return mode && !mode->empty() && (*mode)[0] == '1';
}

DoorCard WaitForCard(const JobContext& c, std::uint32_t waitMs) {
    DoorCard card;
    readerlink::Link& link = c.link;
    if (!link.OpenComPort(c.reader.ComPortNo, c.reader.ComSettings)) {
        card.state = CardState::NoReply;
        return card;
    }
    const std::uint32_t start = link.system().clockMs();
    const std::string poll = protocol::Query(protocol::Command::Poll);
    int unanswered = 0;
    card.state = CardState::NoCard;
    // The clock wraps: elapsed time is a difference, never a comparison of two readings.
    while (link.system().clockMs() - start < waitMs) {
        operations::PumpedPause(link, CardPollPauseMs, c.interrupted);
        if (c.interrupted()) {
            card.state = CardState::Stopped;
            break;
        }
        const readerlink::Reply reply = link.SendCommand(poll);
        if (reply.outcome == readerlink::ReplyOutcome::PortGone ||
            (!reply && ++unanswered >= operations::GoneAfterPolls)) {
            card.state = CardState::NoReply;
            break;
        }
        if (!reply)
            continue;
        unanswered = 0;
        if (static_cast<int>(reply.received.size()) < protocol::MinimumDataReply)
            continue;
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(reply.received.data());
        const std::optional<protocol::PolledEntry> entry =
            protocol::ReadPolledEntry(std::span(bytes, reply.received.size()), reply.text);
        if (entry && !entry->keypad && entry->digits.size() == std::size_t(protocol::CardField.length())) {
            card.state = CardState::Read;
            card.value = entry->number;
            break;
        }
    }
    link.CloseComPort();
    return card;
}

} // namespace commission
