#pragma once
// One reader after another: wait for a reader on every port at once, give it its settings (or audit it), record
// it, signal, and wait for it to leave; until the plan is done, the IDs run out, the record fails or the user
// stops. What happens goes to the Events; nothing is printed here.

#include "commission/audit.h"
#include "commission/door_checks.h"
#include "commission/job.h"
#include "commission/plan.h"
#include "commission/record.h"
#include "commission/report.h"
#include "commission/site_state.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace commission {

enum class SiteKind {
    Set,     ///< the same settings for every reader (id N+ counting up)
    Default, ///< the factory default for every reader
    Apply,   ///< each reader its plan row: by its serial, else the next row without one
    Audit,   ///< read only: each reader compared with the row of its serial
};

const char* SiteKindName(SiteKind kind);

struct SiteOptions {
    SiteKind kind = SiteKind::Set;
    Request request;            ///< Set
    const Plan* plan = nullptr; ///< Apply, Audit
    int port = 0;               ///< 0: any port
    Record* record = nullptr;   ///< not owned; nullptr: no record
    std::string reportPath;     ///< empty: no report
    std::string version;        ///< for the report
    /// Apply: a new reader (whose serial no row names) takes the row of a reader that failed after taking its
    /// ID, as its replacement; false: it takes the next free row. `askReplacement`, when set, decides instead.
    bool replaceFailed = false;
    std::function<bool(const ReaderSeen& reader, const PlanRow& held)> askReplacement;
    /// Apply: the next reader found takes this door's row whatever its serial (its reader was replaced).
    std::string replaceDoor;
    /// Set, Default, Apply: after a reader's read-back, this many presence queries test its line (0: none), and
    /// a card is asked for and read (a reader in RS485 output mode only), waiting up to `cardWaitMs`. Neither
    /// changes the reader's outcome; the record and the report keep what they found.
    long long lineTest = 0;
    bool card = false;
    std::uint32_t cardWaitMs = CardWaitMs;
};

struct SiteSummary {
    int done = 0;   ///< the site's readers done, the record's included
    int failed = 0; ///< the site's readers whose latest outcome is a failure
    int drift = 0;  ///< audited readers that differ from their row
    /// Why the run ended before the user stopped it or the plan was done: NotSaved (the record or the report
    /// could not be written), NoIdLeft. None otherwise.
    Code stop = Code::None;
    Reason why;                        ///< the stop, to be worded when shown
    bool planDone = false;             ///< every row of the plan was done (audited)
    std::vector<std::string> rowsLeft; ///< the plan's rows not done, by name
    bool ok() const { return stop == Code::None; }
};

/// Which rows of a plan are done: the site's state (diff and the window's counts use it without a record).
using PlanProgress = SiteState;

/// Where a site stands, for a face to show as it is: it counts nothing itself.
struct SiteStatus {
    int done = 0;    ///< the site's readers done, the record's included
    int failed = 0;  ///< the site's readers whose latest outcome is a failure
    int drift = 0;   ///< audited readers that differ from their row, in this site's runs
    int idsUsed = 0; ///< readers that took an ID counting up, in this site's runs
    /// The plan's rows not done (for an audit, not audited); nothing without a plan.
    std::optional<std::size_t> rowsLeft;
    /// The plan row of the reader under way, by its index; nothing between readers or without a plan.
    std::optional<std::size_t> rowUnderWay;
};

/// The checks before a run, in one place for every face: the run has something to do (settings, or a plan whose
/// rows an audit can find by their serials), the door to be replaced is the plan's, and the record and the
/// report take what the run writes. Nothing is sent before. On success the record at `recordPath` is open in
/// `record` (none for an empty path); a failure is Usage (the plan or the settings) or NotSaved (the record or
/// the report), and opens nothing.
Failure CheckRun(const SiteOptions& options, const std::string& recordPath, std::unique_ptr<Record>& record);

class Site {
public:
    Site(const JobContext& context, SiteOptions options);
    /// Runs until the user stops, the plan is done or the run cannot go on.
    SiteSummary run();
    /// What the site is so far: the record's rows and this run's.
    const SiteState& state() const { return state_; }
    SiteStatus status() const;

private:
    std::optional<ReaderSeen> waitForReader();
    void take(const ReaderSeen& reader);
    /// The plan row a reader takes, and the serial it replaces there ("" when none).
    const PlanRow* rowToTake(const ReaderSeen& reader, std::string& replaces);
    /// The job, with the ID noted in the record before it is sent.
    /// What a job calls before it sends an ID: the ID goes into the record first. A named type rather than a
    /// lambda, so that the std::function holding it leaves no data of this library's own.
    struct RecordIdFirst {
        Site* site;
        const ReaderSeen* reader;
        const std::string* door;
        bool operator()(const std::string& id) const;
    };
    /// Passes the line test's progress on: a named type for the same reason.
    struct LineTestStep {
        Events* events;
        long long count;
        void operator()(const LineTest& sofar) const;
    };
    JobResult runJob(const ReaderSeen& reader, const Request& request, const std::string& door, int idOffset,
                     const ReaderSeen* scanned);
    /// The line test and the card at the door, for a reader whose job went well.
    void checkDoor(const ReaderSeen& reader, JobResult& job);
    void finish(const ReaderSeen& reader, JobResult job, const std::string& door, const std::string& note = {});
    void waitUntilGone(const ReaderSeen& reader);
    bool ended() const;
    void writeReport();

    JobContext c_;
    SiteOptions options_;
    SiteState state_;
    SiteSummary summary_;
    int idsUsed_ = 0;
    std::optional<std::size_t> rowUnderWay_;
};

} // namespace commission
