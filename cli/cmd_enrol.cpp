// enrol: each new card presented becomes a row of the card list, until Ctrl-C, a failed write, or the reader
// stops answering.

#include "cli/session.h"
#include "localisation/message_table.h"
#include "protocol/commands.h"

namespace cli {

namespace {

/// Feeds each card the polling reads to the enrolment, tells what it says, and stops the polling when a row could
/// not be written.
class EnrolObserver final : public operations::QuietObserver {
public:
    explicit EnrolObserver(Session& session) : s_(session) {}
    void cardRead(const protocol::PolledEntry& entry) override {
        // A short reply has no number to list; keypad entries are no cards.
        if (entry.keypad || entry.digits.size() != std::size_t(protocol::CardField.length()))
            return;
        const commission::EnrolEvent event = s_.enrolment->present(entry.number, s_.link.system().clockMs());
        switch (event.outcome) {
        case commission::EnrolOutcome::Held:
            break;
        case commission::EnrolOutcome::Added:
            s_.report.enrolled(event);
            s_.report.tone(commission::NewCardHz);
            break;
        case commission::EnrolOutcome::Repeat:
            s_.report.enrolled(event);
            s_.report.tone(commission::RepeatCardHz);
            break;
        case commission::EnrolOutcome::NotSaved:
            notSaved = event.card;
            s_.reader.CardReadActive = false;
            break;
        }
    }

    std::optional<commission::EnrolledCard> notSaved;

private:
    Session& s_;
};

} // namespace

int RunEnrol(Session& s) {
    commission::Enrolment& enrolment = *s.enrolment;
    if (enrolment.status().listed > 0)
        s.report.say(
            localisation::Format(localisation::enKnown, {std::to_string(enrolment.status().listed), enrolment.path()}));
    if (!s.findPort())
        return CtlFailed;
    s.report.say(localisation::Format(localisation::enStart, {enrolment.path()}));
    EnrolObserver observer(s);
    const operations::Result result = s.readCards(observer);
    s.report.enrolEnded(enrolment.status(), enrolment.path());
    if (observer.notSaved)
        return s.report.fail(commission::Code::NotSaved,
                             localisation::Format(localisation::enNotSaved,
                                                  {commission::HexText(observer.notSaved->value), enrolment.error()}));
    return s.cardsEnded(result);
}

} // namespace cli
