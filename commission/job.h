#pragma once
// The job of one reader: several settings through the window's set sequence (the line setting last and
// followed), or the factory default; then the reader's information read again and compared with what was asked.
// It reports each step to its Events and returns what happened; it prints nothing.

#include "commission/codes.h"
#include "commission/settings_table.h"
#include "operations/operations.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace commission {

struct PlanRow;
struct StateFound;

/// One setting asked and what reading back gave.
struct Compared {
    Setting setting;
    std::string asked;
    std::optional<std::string> read; ///< nothing: the reader did not give it
    bool same() const { return read == asked; }
};

/// Where a reader stands, as a scan or a presence query found it.
struct Found {
    int port = 0;
    std::string line;
    operations::ReaderInfo info;
};

/// What one reader's job did.
struct JobResult {
    Code code = Code::None;
    std::string error; ///< the failure in words, in the current language
    /// Where the reader answers now (after a line change, where reading back found it).
    int port = 0;
    std::string line;
    /// What the job learnt on the way: the serial number, and the ID the reader has now (the one it took, once
    /// acknowledged, whatever happened after).
    operations::ReaderInfo info;
    std::array<std::optional<std::string>, SettingCount> asked{}; ///< in the reader's own digits
    std::optional<operations::ReaderInfo> read;                   ///< what reading back gave
    std::vector<Compared> compared;
    /// Settings asked that were not sent: the reader had them already.
    std::array<bool, SettingCount> unchanged{};
    std::optional<std::string> note; ///< something the user should know, such as a setting left out
    bool idTaken = false;            ///< the reader acknowledged a new ID, or had the one asked already
    int acknowledged = 0;            ///< operations the reader acknowledged
    bool ok() const { return code == Code::None; }
    /// The record's, the report's and JSON's word for it: done, unchanged (nothing needed sending), unverified
    /// (not read back: the values are those asked) or failed.
    const char* outcome() const;
    /// The values the reader is known to have: read back, else what the job learnt (and, when it did not read
    /// back, what it asked and the reader acknowledged).
    operations::ReaderInfo known() const;
    /// The same, with what the scan that found `reader` read of what no setting changes (serial, firmware).
    operations::ReaderInfo known(const Found& reader) const;
    /// What reading back found as asked, as a sentence lists it: "ID 12, keys 06".
    std::string asSet() const;
};

/// A setting found other than asked, in words: "keys 04, not 06" (`now` nothing: the reader did not give it).
std::string NotAsked(Setting setting, const std::optional<std::string>& now, const std::string& asked);
/// "20240117", or with the plan row's door "20240117 (Door 4)".
std::string ReaderName(const Found& reader, const std::string& door);

/// What happens, as it happens. Texts are in the current language; a face maps each event to what it shows.
class Events {
public:
    virtual ~Events() = default;
    /// An operation's step as the window shows it ("Set Reader ID = 12"), before its outcome.
    virtual void progress(const std::string& text) { (void)text; }
    /// Each step of an operation as it happens, its outcome included; `progress` tells the same steps but one
    /// late, once it is known that an outcome follows them.
    virtual void step(const std::string& text) { (void)text; }
    /// An operation ended: a setting sent, the factory default, a scan; its message is MessageText(result).
    virtual void operationEnded(const operations::Result& result) { (void)result; }
    virtual void note(const std::string& text) { (void)text; }
    /// Reading back found the reader; `job.compared` says what it gave.
    virtual void readBack(const JobResult& job) { (void)job; }

    // One reader after another (site.h).
    /// Waiting for a reader on COM`port` (0: on any port).
    virtual void waiting(int port) { (void)port; }
    virtual void found(const Found& reader) { (void)reader; }
    /// The reader takes the plan's `row` (apply) or is compared with it (audit); `finished` follows.
    virtual void planRow(const Found& reader, const PlanRow& row) { (void)reader, (void)row; }
    /// The reader's job ended, or the reader was refused (`door` is the plan row's, when there is one).
    virtual void finished(const Found& reader, const JobResult& job, const std::string& door) {
        (void)reader, (void)job, (void)door;
    }
    /// The record held what earlier runs did, before any port was opened.
    virtual void stateFound(const StateFound& state) { (void)state; }
    /// A reader done already (in this run, or as the record has it) was seen again; `door` is its row's.
    virtual void alreadyDone(const Found& reader, const std::string& id, const std::string& door) {
        (void)reader, (void)id, (void)door;
    }
    /// Waiting for the reader to be removed.
    virtual void removeReader(const Found& reader) { (void)reader; }
    virtual void left(const Found& reader) { (void)reader; }
    /// The success (true) or failure tone is due.
    virtual void signal(bool ok) { (void)ok; }
};

struct JobContext {
    readerlink::Link& link;
    operations::ReaderState& reader;
    platform::SettingsStore& store;
    Events& events;
    /// Asked before every setting; true ends the job there (the setting under way is finished).
    std::function<bool()> interrupted = [] { return false; };
    /// Read the reader's information back and compare.
    bool verify = true;
    /// Told the ID just before it is sent; false when that could not be noted (the record could not be written),
    /// and then the ID is not sent.
    std::function<bool(const std::string& id)> beforeId = {};
};

/// Sends `request` to the reader at reader.ComPortNo / ComSettings. `idOffset` is added to a stepping ID.
/// `scanned`: what a scan of this reader found; a setting it has already is not sent, and one it lacks is left
/// out (with a note). Everything asked is read back all the same.
JobResult RunJob(const JobContext& c, const Request& request, int idOffset = 0, const Found* scanned = nullptr);
/// The factory default, then the read-back.
JobResult RunDefault(const JobContext& c, const std::optional<operations::ReaderInfo>& scanned);

/// An Observer that passes the operations' steps on as progress, holding each message back until the next
/// comes: the last one of an operation is its outcome, which the result carries; settle() drops it.
class ProgressObserver final : public operations::QuietObserver {
public:
    explicit ProgressObserver(Events& events) : events_(events) {}
    /// Nothing is passed on while quiet (a read-back, a wait for the next reader).
    bool quiet = false;
    void settle() { holding_ = false; }
    void message(const std::string& text) override {
        if (!quiet)
            events_.step(text);
        if (holding_ && !quiet)
            events_.progress(held_);
        held_ = text;
        holding_ = true;
    }

private:
    Events& events_;
    // A string and a flag rather than an optional: GCC 12's optimiser takes the optional's string for
    // uninitialised where the observer ends.
    std::string held_;
    bool holding_ = false;
};

} // namespace commission
