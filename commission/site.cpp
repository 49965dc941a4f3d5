#include "site.h"

#include "localisation/message_table.h"
#include "platform/files.h"
#include "protocol/commands.h"

#include <algorithm>

namespace commission {

using localisation::Format;
using operations::ReaderInfo;
using operations::Result;

namespace {

/// A pause between two looks for a reader, and between two polls of a reader waited for to leave: short enough
/// to feel immediate, long enough to leave the line quiet.
constexpr std::uint32_t RepeatPollMs = 500;
/// A reader counts as gone after this many unanswered polls in a row.
constexpr int GoneAfterPolls = 2;
constexpr std::uint32_t PumpStepMs = 10;

std::string Utf8(const std::optional<std::string>& field) {
    return protocol::Latin1ToUtf8(field.value_or(""));
}

} // namespace

const char* SiteKindName(SiteKind kind) {
    switch (kind) {
    case SiteKind::Set:
        return "set";
    case SiteKind::Default:
        return "default";
    case SiteKind::Apply:
        return "apply";
    case SiteKind::Audit:
        break;
    }
    return "audit";
}

// ---- the plan's rows ----

PlanProgress::PlanProgress(const Plan* plan)
    : plan_(plan), done_(plan ? plan->rows.size() : 0, false), heldBy_(plan ? plan->rows.size() : 0) {}

const PlanRow* PlanProgress::rowFor(const std::string& serial, bool bySerialOnly) const {
    if (!plan_)
        return nullptr;
    const std::vector<PlanRow>& rows = plan_->rows;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if ((rows[i].serial == serial || heldBy_[i] == serial) && !done_[i])
            return &rows[i];
    }
    if (bySerialOnly)
        return nullptr;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (!rows[i].serial && heldBy_[i].empty() && !done_[i])
            return &rows[i];
    }
    return nullptr;
}

void PlanProgress::markDone(const PlanRow& row) {
    done_[static_cast<std::size_t>(&row - plan_->rows.data())] = true;
}

void PlanProgress::hold(const PlanRow& row, const std::string& serial) {
    heldBy_[static_cast<std::size_t>(&row - plan_->rows.data())] = serial;
}

bool PlanProgress::allDone(bool withSerialOnly) const {
    return plan_ && left(withSerialOnly).empty();
}

std::vector<std::string> PlanProgress::left(bool withSerialOnly) const {
    std::vector<std::string> names;
    if (!plan_)
        return names;
    for (std::size_t i = 0; i < plan_->rows.size(); ++i) {
        const PlanRow& row = plan_->rows[i];
        // The serial the row is for, or of the reader that took its ID and failed.
        const std::string serial = row.serial.value_or(heldBy_[i]);
        if (!done_[i] && (!withSerialOnly || row.serial))
            names.push_back(RowName(row) + (serial.empty() ? "" : " (" + protocol::Latin1ToUtf8(serial) + ")"));
    }
    return names;
}

std::vector<Change> Differences(const PlanRow& row, const Found& reader) {
    std::vector<Change> changes;
    for (const Value& value : row.request.inOrder()) {
        Change change{value.setting, ReadField(value.setting, reader.info, reader.line), ReaderText(value)};
        if (change.now != change.planned)
            changes.push_back(std::move(change));
    }
    return changes;
}

// ---- one reader after another ----

Site::Site(const JobContext& context, SiteOptions options)
    : c_(context), options_(std::move(options)), progress_(options_.plan) {
    report_.site = options_.plan ? options_.plan->name : SiteName(options_.reportPath);
    report_.date = platform::IsoTimeNow().substr(0, 10);
    report_.version = options_.version;
    report_.kind = SiteKindName(options_.kind);
}

void Site::Pause(const JobContext& c, std::uint32_t ms) {
    for (std::uint32_t slept = 0; slept < ms && !c.interrupted(); slept += PumpStepMs) {
        c.link.system().sleepMs(std::min(PumpStepMs, ms - slept));
        c.link.ProcessMessages();
    }
}

bool Site::ended() const {
    const bool audit = options_.kind == SiteKind::Audit;
    return c_.interrupted() || summary_.stop != Code::None || (options_.plan && progress_.allDone(audit));
}

SiteSummary Site::run() {
    report_.notDone = progress_.left(options_.kind == SiteKind::Audit);
    if (!options_.reportPath.empty())
        writeReport();
    if (!ended())
        c_.events.waiting(options_.port);
    while (!ended()) {
        if (const std::optional<Found> reader = waitForReader())
            take(*reader);
    }
    const bool audit = options_.kind == SiteKind::Audit;
    summary_.planDone = options_.plan && progress_.allDone(audit);
    summary_.rowsLeft = progress_.left(audit);
    return summary_;
}

std::optional<Found> Site::waitForReader() {
    // A fresh reader may answer at any line setting, the factory default most likely. The search goes on until
    // one answers, so that a reader or an adapter plugged in is tried at once.
    c_.reader.ComPortNo = 0;
    operations::ScanOptions options;
    options.locked = false;
    options.allPortsAtOnce = true;
    options.firstLine = protocol::DefaultBaudRateIndex;
    options.untilFound = true;
    options.interrupted = c_.interrupted;
    if (options_.port > 0)
        options.firstPort = options.lastPort = options_.port;
    ProgressObserver observer(c_.events);
    observer.quiet = true;
    const Result result = operations::Scan({c_.link, c_.reader, observer}, c_.store, options);
    if (c_.interrupted())
        return std::nullopt;
    if (result.outcome == operations::Outcome::Failed) {
        Pause(c_, RepeatPollMs);
        return std::nullopt;
    }
    return Found{result.port, result.line, result.info};
}

void Site::take(const Found& reader) {
    const std::string serial = reader.info.serial.value_or("");
    c_.events.found(reader);
    if (const auto done = doneIds_.find(serial); done != doneIds_.end()) {
        c_.events.alreadyDone(reader, done->second);
        waitUntilGone(reader);
        return;
    }

    JobResult job;
    job.port = reader.port;
    job.line = reader.line;
    job.info.serial = reader.info.serial;
    job.info.id = reader.info.id;
    const auto refuse = [&](Code code, const std::string& error, const std::string& door) {
        job.code = code;
        job.error = error;
        finish(reader, job, door, "refused");
    };

    switch (options_.kind) {
    case SiteKind::Set: {
        const std::optional<Value>& id = options_.request[Setting::Id];
        if (id && id->stepping && id->number + idOffset_ > LastId) {
            refuse(Code::NoIdLeft, Format(localisation::cmNoIdLeft, {std::to_string(LastId)}), {});
            summary_.stop = Code::NoIdLeft;
            return;
        }
        job = RunJob(c_, options_.request, idOffset_);
        // An ID the reader acknowledged is used up, whatever happened after it.
        if (job.idTaken && id && id->stepping)
            ++idOffset_;
        finish(reader, job, {}, job.ok() ? "done" : "failed");
        break;
    }
    case SiteKind::Default:
        job = RunDefault(c_, reader.info);
        finish(reader, job, {}, job.ok() ? "done" : "failed");
        break;
    case SiteKind::Apply: {
        const PlanRow* row = progress_.rowFor(serial, false);
        if (!row) {
            refuse(Code::NotInPlan, Format(localisation::cmNotInPlan, {protocol::Latin1ToUtf8(serial)}), {});
            break;
        }
        c_.events.planRow(reader, *row);
        c_.events.note(Format(localisation::cmTakesRow, {RowName(*row)}));
        job = RunJob(c_, row->request);
        if (job.ok())
            progress_.markDone(*row);
        else if (job.idTaken)
            progress_.hold(*row, serial);
        finish(reader, job, row->door, job.ok() ? "done" : "failed");
        break;
    }
    case SiteKind::Audit: {
        const PlanRow* row = progress_.rowFor(serial, true);
        if (!row) {
            refuse(Code::NotInPlan, Format(localisation::cmNotInPlan, {protocol::Latin1ToUtf8(serial)}), {});
            break;
        }
        c_.events.planRow(reader, *row);
        job.read = reader.info;
        if (reader.info.mode && reader.info.version) {
            std::string drift;
            for (const Change& change : Differences(*row, reader))
                drift += (drift.empty() ? "" : ", ") + NotAsked(change.setting, change.now, change.planned);
            if (!drift.empty()) {
                job.code = Code::Drift;
                job.error = Format(localisation::cmDrift, {drift});
            }
        } else {
            job.code = Code::Incomplete;
            job.error = Cause(Code::Incomplete, reader.port, reader.line);
        }
        progress_.markDone(*row);
        finish(reader, job, row->door, job.ok() ? "done" : "failed");
        break;
    }
    }
    // The last row of a plan done ends the run at once: nobody waits for the last reader to be unplugged.
    if (!ended())
        waitUntilGone(reader);
}

void Site::finish(const Found& reader, const JobResult& job, const std::string& door, const char* outcome) {
    const ReaderInfo known = job.known(reader);
    if (job.ok()) {
        ++summary_.done;
        doneIds_[reader.info.serial.value_or("")] = known.id.value_or("");
    } else {
        ++summary_.failed;
    }
    c_.events.finished(reader, job, door);

    // Where the reader answers now: the job's port and line, set where it found the reader.
    const int port = job.port;
    const std::string& line = job.line;
    if (options_.record && !options_.record->add({door, port, line, known, outcome, job.code})) {
        summary_.stop = Code::NotSaved;
        // What the reader took stays on it: the ID is said, so that it is not given twice by hand.
        const std::string who = ReaderName(reader, door);
        const std::string id = Utf8(known.id);
        summary_.stopError = id.empty() ? Format(localisation::flNotRecorded, {who, options_.record->error()})
                                        : Format(localisation::flNotRecordedId, {who, options_.record->error(), id});
        c_.events.notRecorded(reader, summary_.stopError);
    }

    ReportRow row{door,     Utf8(known.serial), Utf8(known.version),   port, line, {}, outcome,
                  job.code, job.error,          platform::IsoTimeNow()};
    for (const SettingRow& setting : SettingTable)
        row.values[IndexOf(setting.setting)] = Utf8(ReadField(setting.setting, known, line));
    report_.rows.push_back(std::move(row));
    report_.done = summary_.done;
    report_.failed = summary_.failed;
    report_.notDone = progress_.left(options_.kind == SiteKind::Audit);
    if (!options_.reportPath.empty())
        writeReport();
    // A reader done whose row did not reach the record (or the report) is no success.
    c_.events.signal(job.ok() && summary_.stop == Code::None);
}

void Site::writeReport() {
    std::string error;
    if (!WriteReport(options_.reportPath, report_, error) && summary_.stop == Code::None) {
        summary_.stop = Code::NotSaved;
        summary_.stopError = error;
    }
}

void Site::waitUntilGone(const Found& reader) {
    c_.events.removeReader(reader);
    const std::string serial = reader.info.serial.value_or("");
    for (int unanswered = 0; unanswered < GoneAfterPolls && !c_.interrupted();) {
        std::optional<readerlink::Reply> answer;
        if (c_.link.OpenComPort(c_.reader.ComPortNo, c_.reader.ComSettings)) {
            answer = operations::QueryInfo(c_.link);
            c_.link.CloseComPort();
        }
        // Another reader in its place, plugged in within a poll: it is the next one.
        if (answer && protocol::ReplyBytes(answer->text, protocol::SerialField) != serial)
            break;
        unanswered = answer ? 0 : unanswered + 1;
        Pause(c_, RepeatPollMs);
    }
    if (!c_.interrupted())
        c_.events.left(reader);
    if (!ended())
        c_.events.waiting(options_.port);
}

} // namespace commission
