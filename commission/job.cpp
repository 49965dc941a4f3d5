#include "job.h"

#include "localisation/message_table.h"
#include "settings/settings.h"

#include <algorithm>

namespace commission {

using operations::ReaderInfo;
using operations::Result;

namespace {

class Runner {
public:
    explicit Runner(const JobContext& c) : c_(c), observer_(c.events) {
        job_.port = c.reader.ComPortNo;
        job_.line = c.reader.ComSettings;
    }

    JobResult set(const Request& request, int idOffset, const ReaderSeen* scanned) {
        // The port stands for the window's scan; the presence query of each setting still decides.
        c_.reader.ReaderFound = true;
        bool stopped = false;
        for (const Value& value : request.inOrder()) {
            if (c_.interrupted()) {
                stopped = true;
                break;
            }
            const SettingRow& row = RowOf(value.setting);
            const std::string asked = ReaderText(value, idOffset);
            const std::size_t index = IndexOf(value.setting);
            if (scanned && Lacks(row, scanned->info)) {
                // As the factory default does: a reader without the setting answers neither query nor set.
                job_.note = Reason(row.lacking);
                c_.events.note(job_.note);
                continue;
            }
            job_.asked[index] = asked;
            if (scanned && ReadField(value.setting, scanned->info, scanned->line) == asked) {
                job_.unchanged[index] = true;
                if (row.counts)
                    taken(row, asked);
                continue;
            }
            if (row.counts && c_.beforeId && !c_.beforeId(asked)) {
                job_.code = Code::NotSaved;
                job_.why = Reason(localisation::cmNotNoted, {asked});
                return job_;
            }
            const int lineBefore = c_.reader.BaudRateIndex;
            if (!ended(Send(context(), value, idOffset)))
                return job_;
            if (row.counts)
                taken(row, asked);
            if (row.followed)
                lineBefore_ = lineBefore;
        }
        return finish(stopped);
    }

    JobResult factoryDefault(const std::optional<ReaderInfo>& scanned) {
        c_.reader.ReaderFound = true;
        // As the window does: a setting some readers lack is defaulted only where the scan found it.
        bool all = true;
        for (const SettingRow& row : SettingTable) {
            job_.asked[IndexOf(row.setting)] = row.factoryDefault;
            if (!row.present)
                continue;
            const std::optional<bool> has = scanned ? (*scanned).*row.present : std::nullopt;
            if (!has) {
                job_.note = Reason(row.unknown);
                c_.events.note(job_.note);
            }
            if (!has.value_or(true)) {
                all = false;
                job_.asked[IndexOf(row.setting)].reset();
            }
        }
        const int lineBefore = c_.reader.BaudRateIndex;
        if (!ended(operations::FactoryDefault(context(), all)))
            return job_;
        if (const SettingRow* row = CountingRow())
            taken(*row, row->factoryDefault);
        lineBefore_ = lineBefore;
        return finish(false);
    }

private:
    operations::Context context() { return {c_.link, c_.reader, observer_}; }

    /// The reader holds the value that names it (acknowledged, or had already), whatever happens after.
    void taken(const SettingRow& row, const std::string& value) {
        job_.idTaken = true;
        job_.info.*row.field = value;
    }

    /// After an operation: what it learnt, and false when it failed.
    bool ended(const Result& result) {
        observer_.settle();
        if (result.info.serial)
            job_.info.serial = result.info.serial;
        if (result.info.id && !job_.idTaken)
            job_.info.id = result.info.id;
        c_.events.operationEnded(result);
        if (result.ok()) {
            ++job_.acknowledged;
            return true;
        }
        job_.code = CodeOf(result, false);
        job_.why = operations::Message(result);
        if (Reason cause = CauseOf(job_.code, result.port, result.line); !cause.empty())
            job_.why = Reason::Joined({std::move(job_.why), std::move(cause)}, ": ");
        return false;
    }

    JobResult finish(bool stopped) {
        if (c_.interrupted()) {
            // The setting under way was finished; nothing after it is sent, and nothing is read back.
            job_.code = Code::Interrupted;
            job_.why = Reason(stopped ? localisation::cmNotSent : localisation::cmNotReadBack);
        } else if (c_.verify) {
            verify();
        }
        if (lineBefore_ >= 0)
            remember();
        job_.port = c_.reader.ComPortNo;
        job_.line = c_.reader.ComSettings;
        return job_;
    }

    /// The information read again where the reader should answer now; after a line change that it does not
    /// answer at, where it answered before.
    void verify() {
        // The window's pause before a command: a reader that has just changed its line setting needs it too.
        operations::CommandPause(c_.link);
        Result result = readInfo();
        if (result.outcome == operations::Outcome::Failed && !result.portGone && lineBefore_ >= 0 &&
            !c_.interrupted()) {
            const int asked = c_.reader.BaudRateIndex;
            c_.reader.SelectLineSetting(lineBefore_);
            Result before = readInfo();
            if (before.outcome == operations::Outcome::Failed)
                c_.reader.SelectLineSetting(asked); // found nowhere: it acknowledged the new setting
            else
                result = before;
        }
        const Reason where(localisation::cmWhere, {ComName(result.port), result.line});
        job_.port = result.port;
        job_.line = result.line;
        if (result.outcome == operations::Outcome::Failed || result.outcome == operations::Outcome::Interrupted ||
            result.portGone) {
            job_.code = CodeOf(result, false);
            job_.why = Reason(localisation::cmReadingBack, {CauseOf(job_.code, result.port, result.line)});
            return;
        }
        job_.read = result.info;
        std::vector<Reason> differs;
        std::vector<Reason> unanswered;
        for (const SettingRow& row : SettingTable) {
            const std::optional<std::string>& asked = job_.asked[IndexOf(row.setting)];
            if (!asked)
                continue;
            // A reader without the setting has none to compare.
            if (Lacks(row, result.info))
                continue;
            Compared compared{row.setting, *asked, ReadField(row.setting, result.info, result.line)};
            if (!compared.read) {
                unanswered.emplace_back(row.label);
            } else if (!compared.same()) {
                differs.push_back(row.followed ? Reason(localisation::cmStillAt, {*compared.read})
                                               : NotAsked(row.setting, compared.read, *asked));
            }
            job_.compared.push_back(std::move(compared));
        }
        if (!differs.empty()) {
            job_.code = Code::VerifyMismatch;
            job_.why = Reason(localisation::cmReadBackDiffers, {where, Reason::Joined(std::move(differs), ", ")});
        } else if (!unanswered.empty()) {
            // What the reader did not give was not read, not read wrong: the reader is not known to be done.
            job_.code = Code::Incomplete;
            job_.why = Reason(localisation::cmReadingBack,
                              {Reason(localisation::cmNotGiven, {Reason::Joined(std::move(unanswered), ", "),
                                                                 CauseOf(Code::NoReply, result.port, result.line)})});
        }
        c_.events.readBack(job_);
    }

    Result readInfo() {
        observer_.quiet = true;
        operations::ScanOptions options;
        options.onlyPort = c_.reader.ComPortNo;
        options.interrupted = c_.interrupted;
        Result result = operations::Scan(context(), c_.store, options);
        observer_.settle();
        observer_.quiet = false;
        return result;
    }

    /// The reader listens at a new line setting: the next run must find it where it answers.
    void remember() {
        if (settings::SaveScanSettings(c_.store, c_.reader.ComPortNo, c_.reader.BaudRateIndex, c_.reader.ComSettings))
            return;
        const Reason text(localisation::cmNotSaved, {c_.reader.ComSettings, ComName(c_.reader.ComPortNo)});
        if (job_.ok())
            job_.code = Code::NotSaved;
        job_.why.add(text);
    }

    const JobContext& c_;
    ProgressObserver observer_;
    JobResult job_;
    int lineBefore_ = -1; ///< the line setting before an acknowledged line change
};

} // namespace

ReaderInfo JobResult::known(const std::optional<ReaderInfo>& scanned) const {
    ReaderInfo known = read.value_or(info);
    if (!known.serial)
        known.serial = info.serial;
    if (!read)
        known.id = info.id;
    if (!read && ok()) {
        // Not read back: the values asked, which the reader acknowledged (or had), so that an audit compares.
        for (const SettingRow& row : SettingTable) {
            if (row.field && asked[IndexOf(row.setting)])
                known.*row.field = asked[IndexOf(row.setting)];
        }
    }
    if (scanned) {
        if (!known.serial)
            known.serial = scanned->serial;
        if (!known.version)
            known.version = scanned->version; // the firmware does not change with the settings
    }
    return known;
}

ReaderOutcome JobResult::outcome() const {
    if (code == Code::NotInPlan || code == Code::NoIdLeft)
        return ReaderOutcome::Refused;
    if (code == Code::Drift)
        return ReaderOutcome::Drift;
    if (code != Code::None)
        return ReaderOutcome::Failed;
    if (acknowledged == 0 && std::find(unchanged.begin(), unchanged.end(), true) != unchanged.end())
        return ReaderOutcome::Unchanged;
    return read ? ReaderOutcome::Done : ReaderOutcome::Unverified;
}

Reason JobResult::asSet() const {
    std::vector<Reason> list;
    for (const Compared& each : compared)
        list.push_back(Reason::Joined({RowOf(each.setting).label, each.asked}, " "));
    return Reason::Joined(std::move(list), ", ");
}

Reason NotAsked(Setting setting, const std::optional<std::string>& now, const std::string& asked) {
    return Reason(
        localisation::cmNotAsked,
        {RowOf(setting).label, now ? Reason(protocol::Latin1ToUtf8(*now)) : Reason(localisation::cmNothing), asked});
}

std::string ReaderName(const ReaderSeen& reader, const std::string& door) {
    const std::string serial = protocol::Latin1ToUtf8(reader.info.serial.value_or(""));
    return door.empty() ? serial : serial + " (" + door + ")";
}

JobResult RunJob(const JobContext& c, const Request& request, int idOffset, const ReaderSeen* scanned) {
    return Runner(c).set(request, idOffset, scanned);
}

JobResult RunDefault(const JobContext& c, const std::optional<ReaderInfo>& scanned) {
    return Runner(c).factoryDefault(scanned);
}

} // namespace commission
