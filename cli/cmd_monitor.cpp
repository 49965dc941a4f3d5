// monitor: every card and keypad entry until Ctrl-C, --count entries, or the reader stops answering.

#include "cli/session.h"
#include "commission/enrolment.h"
#include "protocol/commands.h"

namespace cli {

namespace {

/// Passes each entry to the reporter, with --expect's verdict on a card newly presented, and ends the polling
/// after --count of them.
class CardObserver final : public operations::QuietObserver {
public:
    CardObserver(Session& session) : s_(session) {}
    void cardRead(const protocol::PolledEntry& entry) override {
        const bool wholeCard = !entry.keypad && entry.digits.size() == std::size_t(protocol::CardField.length());
        // A held card is reported at every poll: it is judged, and beeped for, once.
        if (s_.call.expect && wholeCard && presence_.presented(entry.number, s_.link.system().clockMs())) {
            const CardCheck check{*s_.call.expect,
                                  commission::MatchCard(commission::ViewsOf(entry.number), *s_.call.expect)};
            s_.report.card(entry, s_.call.views, &check);
            s_.report.tone(check.match ? operations::SuccessBeepHz : operations::FailureBeepHz);
        } else {
            s_.report.card(entry, s_.call.views, nullptr);
        }
        if (s_.call.count && ++entries_ >= *s_.call.count)
            s_.reader.CardReadActive = false;
    }

private:
    Session& s_;
    commission::CardPresence presence_;
    long long entries_ = 0;
};

} // namespace

int RunMonitor(Session& s) {
    if (!s.findPort())
        return CtlFailed;
    CardObserver observer(s);
    return s.cardsEnded(s.readCards(observer));
}

operations::Result Session::readCards(operations::Observer& observer) {
    // The port stands for the window's scan; a reader that does not answer ends the polling at once.
    reader.ReaderFound = true;
    link.setup().messagePump = [this] {
        if (interrupted())
            reader.CardReadActive = false;
    };
    operations::Result result = operations::ReadCards({link, reader, observer});
    link.setup().messagePump = {};
    return result;
}

int Session::cardsEnded(const operations::Result& result) {
    if (result.ok())
        return CtlDone;
    const commission::Code code = commission::CodeOf(result, false);
    std::string text = operations::MessageText(result);
    if (const std::string cause = commission::Cause(code, result.port, result.line); !cause.empty())
        text += ": " + cause;
    return report.fail(code, text);
}

} // namespace cli
