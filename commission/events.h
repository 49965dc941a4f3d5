#pragma once
// What happens while readers are commissioned, told to whoever shows it (readerctl's text or JSON, the site
// window). Events carry codes, settings and values; the words are the face's, taken from the message table when
// shown, so that nothing the library holds depends on the language of the moment.

#include "localisation/reason.h"
#include "operations/result.h"

#include <cstdint>
#include <string>

namespace commission {

struct PlanRow;
struct StateFound;
struct JobResult;
struct LineTest;
struct DoorCard;

// A Reason is localisation's; the commissioning library and its faces spell it as their own.
using localisation::Reason;
using localisation::Say;

/// How one reader ended. The record's, the report's and JSON's word for each is OutcomeWord's.
enum class ReaderOutcome {
    Done,       ///< set and read back as asked; audited as planned
    Unchanged,  ///< nothing needed sending
    Unverified, ///< not read back: the values are those asked
    Failed,
    Refused, ///< not taken: no row of the plan, or no ID left
    Drift,   ///< audited: its settings differ from its row
};
/// "done", "unchanged", "unverified", "failed" (a drift too) or "refused".
const char* OutcomeWord(ReaderOutcome outcome);

/// Where a reader stands, as a scan or a presence query found it.
struct ReaderSeen {
    int port = 0;
    std::string line;
    operations::ReaderInfo info;
};

/// What happens, as it happens; a face maps each event to what it shows.
class Events {
public:
    virtual ~Events() = default;
    /// A step of an operation as the window shows it ("Set Reader ID = 12"), told once it is known that more
    /// follows it: the operation's last message is its outcome, which `operationEnded` tells.
    virtual void operationStep(const Reason& step) { (void)step; }
    /// Each message of an operation as it happens, its outcome included: the latest one is where it stands.
    virtual void operationMessage(const Reason& message) { (void)message; }
    /// An operation ended: a setting sent, the factory default, a scan; its words are operations::Message(result).
    virtual void operationEnded(const operations::Result& result) { (void)result; }
    /// Something the user should know about the reader under way (a parity left out, the row it takes).
    virtual void note(const Reason& reason) { (void)reason; }
    /// Reading back found the reader; `job.compared` says what it gave.
    virtual void readBack(const JobResult& job) { (void)job; }

    // One reader after another (site.h).
    /// Waiting for a reader on COM`port` (0: on any port).
    virtual void waiting(int port) { (void)port; }
    virtual void found(const ReaderSeen& reader) { (void)reader; }
    /// The reader takes the plan's `row` (apply) or is compared with it (audit); `finished` follows.
    virtual void planRow(const ReaderSeen& reader, const PlanRow& row) { (void)reader, (void)row; }
    /// The reader's job ended, or the reader was refused (`door` is the plan row's, when there is one); `outcome`
    /// is the site's word for it, `job.why` the reason for any but Done, Unchanged and Unverified.
    virtual void finished(const ReaderSeen& reader, const JobResult& job, const std::string& door,
                          ReaderOutcome outcome) {
        (void)reader, (void)job, (void)door, (void)outcome;
    }
    /// The record held what earlier runs did, before any port was opened.
    virtual void stateFound(const StateFound& state) { (void)state; }
    /// A reader done already (in this run, or as the record has it) was seen again; `door` is its row's.
    virtual void alreadyDone(const ReaderSeen& reader, const std::string& id, const std::string& door) {
        (void)reader, (void)id, (void)door;
    }
    // At the door, after the read-back, when the site asks for them (SiteOptions::lineTest, card).
    /// A line test of `count` queries begins at the port and line the reader answers at now.
    virtual void lineTestStarted(const ReaderSeen& reader, long long count) { (void)reader, (void)count; }
    /// A query of the line test ended: `sofar` holds the figures up to it.
    virtual void lineTestStep(const LineTest& sofar, long long count) { (void)sofar, (void)count; }
    /// The line test ended; its figures (and the verdict, VerdictOf) go with the reader's job too.
    virtual void lineTested(const ReaderSeen& reader, const LineTest& test) { (void)reader, (void)test; }
    /// A card is wanted: the user presents one within `waitMs`.
    virtual void presentCard(const ReaderSeen& reader, std::uint32_t waitMs) { (void)reader, (void)waitMs; }
    /// What asking for a card came to; for a reader in Wiegand output mode (WiegandMode) none was asked for.
    virtual void doorCard(const ReaderSeen& reader, const DoorCard& card) { (void)reader, (void)card; }
    /// Waiting for the reader to be removed.
    virtual void removeReader(const ReaderSeen& reader) { (void)reader; }
    virtual void left(const ReaderSeen& reader) { (void)reader; }
    /// The success (true) or failure tone is due.
    virtual void signal(bool ok) { (void)ok; }
};

} // namespace commission
