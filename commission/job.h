#pragma once
// The job of one reader: several settings through the window's set sequence (the line setting last and
// followed), or the factory default; then the reader's information read again and compared with what was asked.
// It reports each step to its Events and returns what happened; it prints nothing.

#include "commission/codes.h"
#include "commission/door_checks.h"
#include "commission/events.h"
#include "commission/settings_table.h"
#include "operations/operations.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace commission {

/// One setting asked and what reading back gave.
struct Compared {
    Setting setting;
    std::string asked;
    std::optional<std::string> read; ///< nothing: the reader did not give it
    bool same() const { return read == asked; }
};

/// What one reader's job did.
struct JobResult {
    Code code = Code::None;
    Reason why; ///< the failure, to be worded when shown
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
    Reason note;          ///< something the user should know, such as unknown parity support (empty: nothing)
    bool idTaken = false; ///< the reader acknowledged a new ID, or had the one asked already
    int acknowledged = 0; ///< operations the reader acknowledged
    /// The line and the card at the door, after the read-back, when asked; they leave the outcome as it is.
    DoorChecks checks;
    bool ok() const { return code == Code::None; }
    /// How it ended, by its code: done, unchanged (nothing needed sending), unverified (not read back: the
    /// values are those asked), failed, refused (no row, no ID left) or drift (an audit's reader not as planned).
    ReaderOutcome outcome() const;
    /// The values the reader is known to have: read back, else what the job learnt (and, when it did not read
    /// back, what it asked and the reader acknowledged); with what a scan of it read of what no setting changes
    /// (serial, firmware).
    operations::ReaderInfo known(const std::optional<operations::ReaderInfo>& scanned = std::nullopt) const;
    /// What reading back found as asked: "ID 12, keys 06".
    Reason asSet() const;
};

/// A setting found other than asked: "keys 04, not 06" (`now` nothing: the reader did not give it).
Reason NotAsked(Setting setting, const std::optional<std::string>& now, const std::string& asked);
/// "20240117", or with the plan row's door "20240117 (Door 4)".
std::string ReaderName(const ReaderSeen& reader, const std::string& door);

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
JobResult RunJob(const JobContext& c, const Request& request, int idOffset = 0, const ReaderSeen* scanned = nullptr);
/// The factory default, then the read-back.
JobResult RunDefault(const JobContext& c, const std::optional<operations::ReaderInfo>& scanned);

/// An Observer that passes the operations' messages on as steps, holding each message back until the next
/// comes: the last one of an operation is its outcome, which the result carries; settle() drops it.
class ProgressObserver final : public operations::QuietObserver {
public:
    explicit ProgressObserver(Events& events) : events_(events) {}
    /// Nothing is passed on while quiet (a read-back, a wait for the next reader).
    bool quiet = false;
    void settle() { holding_ = false; }
    void message(const Reason& message) override {
        if (!quiet)
            events_.operationMessage(message);
        if (holding_ && !quiet)
            events_.operationStep(held_);
        held_ = message;
        holding_ = true;
    }

private:
    Events& events_;
    // A Reason and a flag rather than an optional: GCC 12's optimiser takes the optional's string for
    // uninitialised where the observer ends.
    Reason held_;
    bool holding_ = false;
};

} // namespace commission
