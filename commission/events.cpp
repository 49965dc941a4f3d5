#include "events.h"

namespace commission {

const char* OutcomeWord(ReaderOutcome outcome) {
    switch (outcome) {
    case ReaderOutcome::Done:
        return "done";
    case ReaderOutcome::Unchanged:
        return "unchanged";
    case ReaderOutcome::Unverified:
        return "unverified";
    case ReaderOutcome::Refused:
        return "refused";
    case ReaderOutcome::Failed:
    case ReaderOutcome::Drift:
        break;
    }
    return "failed";
}

} // namespace commission
