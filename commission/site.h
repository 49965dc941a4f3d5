#pragma once
// One reader after another: wait for a reader on every port at once, give it its settings (or audit it), record
// it, signal, and wait for it to leave; until the plan is done, the IDs run out, the record fails or the user
// stops. What happens goes to the Events; nothing is printed here.

#include "commission/job.h"
#include "commission/plan.h"
#include "commission/record.h"
#include "commission/report.h"

#include <functional>
#include <map>
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
};

struct SiteSummary {
    int done = 0;
    int failed = 0;
    /// Why the run ended before the user stopped it or the plan was done: NotSaved (the record or the report
    /// could not be written), NoIdLeft. None otherwise.
    Code stop = Code::None;
    std::string stopError;
    bool planDone = false;             ///< every row of the plan was done (audited)
    std::vector<std::string> rowsLeft; ///< the plan's rows not done, by name
    bool ok() const { return stop == Code::None; }
};

/// The rows of a plan and which of them are done; shared by apply, audit and diff.
class PlanProgress {
public:
    explicit PlanProgress(const Plan* plan);
    /// The row for a reader: the one with its serial, else (unless `bySerialOnly`) the first row without a serial
    /// that is neither done nor held by another reader; nothing when no row is left for it.
    const PlanRow* rowFor(const std::string& serial, bool bySerialOnly) const;
    void markDone(const PlanRow& row);
    /// The reader took the row's ID and failed: the row is its own from now on.
    void hold(const PlanRow& row, const std::string& serial);
    /// Every row is done; for an audit, every row with a serial.
    bool allDone(bool withSerialOnly) const;
    std::vector<std::string> left(bool withSerialOnly) const;

private:
    const Plan* plan_;
    std::vector<bool> done_;
    std::vector<std::string> heldBy_;
};

class Site {
public:
    Site(const JobContext& context, SiteOptions options);
    /// Runs until the user stops, the plan is done or the run cannot go on.
    SiteSummary run();
    /// Which rows of the plan are done so far.
    const PlanProgress& progress() const { return progress_; }

    /// Sleeps `ms`, serving the link's message pump every 10 ms and ending early when the user stops.
    static void Pause(const JobContext& c, std::uint32_t ms);

private:
    std::optional<Found> waitForReader();
    void take(const Found& reader);
    void finish(const Found& reader, const JobResult& job, const std::string& door, const char* outcome);
    void waitUntilGone(const Found& reader);
    bool ended() const;
    void writeReport();

    JobContext c_;
    SiteOptions options_;
    PlanProgress progress_;
    SiteSummary summary_;
    int idOffset_ = 0;
    std::map<std::string, std::string> doneIds_; ///< serial number -> ID, of the readers done in this run
    SiteReport report_;
};

/// What `apply` would change on a reader: each setting of its row that differs from what the reader has now.
struct Change {
    Setting setting;
    std::optional<std::string> now; ///< nothing: the reader did not give it
    std::string planned;
};
std::vector<Change> Differences(const PlanRow& row, const Found& reader);

} // namespace commission
