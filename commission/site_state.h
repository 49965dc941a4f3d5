#pragma once
// What a site is: which rows of its plan are done, which reader holds which ID, and one report row per door.
// Read from the record when a run begins and kept up to date with each row the run writes, so that a run stopped
// today goes on tomorrow: the record is the site's state, and this object is the only one that reads it.

#include "commission/plan.h"
#include "commission/record.h"
#include "commission/report.h"

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace commission {

/// What a record held when a run began, for the faces to say.
struct StateFound {
    std::string record;        ///< its path
    int done = 0;              ///< rows (readers, without a plan) done
    int held = 0;              ///< IDs held by readers not done: failed after taking one, or under way when a run ended
    int left = -1;             ///< the plan's rows left; -1 without a plan
    std::vector<int> setAside; ///< the record's lines cut short, read as no reader's row
};

class SiteState {
public:
    /// `plan` may be null (set, default). `audit`: a reader compared with its row makes the row done, whatever
    /// the comparison found.
    explicit SiteState(const Plan* plan, bool audit = false);

    /// A row as the record holds it (read when the run began) or as it is written: everything below follows.
    /// `error`: the failure in words, for the report (the record keeps the code only).
    void add(const RecordRow& row, const std::string& error = {});

    // ---- the plan's rows ----
    /// The row for a reader: the one for its serial (the plan's, or that of the last reader recorded at its door)
    /// or whose ID it took, else (unless `bySerialOnly`) the first row without a serial that is neither done nor
    /// held by another reader; nothing when no row is left for it.
    const PlanRow* rowFor(const std::string& serial, bool bySerialOnly) const;
    /// The first row not done whose ID another reader took before it failed: the row a replacement takes.
    const PlanRow* heldRow() const;
    /// The row of a door; nothing when the plan has none of that name.
    const PlanRow* rowOfDoor(const std::string& door) const;
    /// The serial a row is for now: the last reader's recorded at its door, else the plan's; empty when none.
    std::string serialOf(const PlanRow& row) const;
    /// Every row is done; for an audit, every row with a serial.
    bool allDone(bool withSerialOnly) const;
    std::vector<std::string> left(bool withSerialOnly) const;

    // ---- readers ----
    /// The ID of a reader that is done as its row (or, without a plan, as asked) and not replaced since.
    std::optional<std::string> doneAlready(const std::string& serial) const;
    /// The door of the row the reader was done as; empty without one.
    std::string doorOf(const std::string& serial) const;
    /// The ID `id first+` gives the next reader: past the highest held from `first` up.
    int nextId(int first) const;

    // ---- the report ----
    /// One row per door (or per reader without a door): its latest state, earlier failures as its history.
    const std::vector<ReportRow>& reportRows() const { return report_; }
    int done() const;
    int failed() const;
    StateFound found(const std::string& record) const;

    // ---- the files that keep it ----
    /// Keeps the state in `record` (its earlier rows are taken in now) and in the report at `reportPath`, whose
    /// page carries `header`'s site, date, version and kind. Either may be absent (null, empty).
    void keepIn(Record* record, std::string reportPath, SiteReport header);
    /// `row` into the record, then into the state; false, with the state unchanged, when the record could not
    /// take it (the record's error() says why). `error` as for add().
    bool write(const RecordRow& row, const std::string& error = {});
    /// The report again, from the state; NotSaved when it could not be written.
    Failure writeReport();

private:
    /// The plan row a record row is about: by its door, else by the plan's serial.
    std::optional<std::size_t> rowIndex(const RecordRow& row) const;
    /// The ID of every reader the site has, as its last row gives it.
    std::set<int> heldIds() const;

    const Plan* plan_;
    bool audit_;
    std::vector<bool> done_;
    std::vector<std::string> heldBy_;            ///< the serial of the reader whose ID or row it is
    std::vector<std::string> doneBy_;            ///< the serial of the reader it was done with
    std::map<std::string, RecordRow> last_;      ///< serial -> its last row: what the reader has now
    std::map<std::string, std::size_t> doors_;   ///< the plan's door -> its first row
    std::map<std::string, std::size_t> serials_; ///< the plan's serial -> its row
    std::vector<ReportRow> report_;
    std::map<std::string, std::size_t> reportIndex_; ///< "row N" or "serial S" -> index in report_
    Record* record_ = nullptr;
    std::string reportPath_;
    SiteReport page_; ///< the report's heading; its rows and counts are the state's when it is written
};

} // namespace commission
