#include "site.h"

#include "commission/line_test.h"
#include "localisation/message_table.h"
#include "platform/files.h"
#include "protocol/commands.h"

#include <algorithm>

namespace commission {

using operations::ReaderInfo;
using operations::Result;

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

Failure CheckRun(const SiteOptions& options, const std::string& recordPath, std::unique_ptr<Record>& record) {
    record.reset();
    const bool withPlan = options.kind == SiteKind::Apply || options.kind == SiteKind::Audit;
    if (options.kind == SiteKind::Set && options.request.empty())
        return {Code::Usage, localisation::swNothingToSet};
    if (withPlan && options.plan) {
        // An audit finds a reader's row by its serial alone: without any it would be over before it began.
        if (options.kind == SiteKind::Audit && SiteState(options.plan).left(true).empty())
            return {Code::Usage, localisation::cmNoSerials};
        if (!options.replaceDoor.empty() && !SiteState(options.plan).rowOfDoor(options.replaceDoor))
            return {Code::Usage, Reason(localisation::usNoSuchDoor, {options.replaceDoor})};
    }
    return OpenRunFiles(recordPath, options.reportPath, withPlan ? options.plan : nullptr, record);
}

// ---- one reader after another ----

Site::Site(const JobContext& context, SiteOptions options)
    : c_(context), options_(std::move(options)), state_(options_.plan, options_.kind == SiteKind::Audit) {
    SiteReport page;
    page.site = options_.plan ? options_.plan->name : SiteName(options_.reportPath);
    page.date = platform::IsoTimeNow().substr(0, 10);
    page.version = options_.version;
    page.kind = SiteKindName(options_.kind);
    state_.keepIn(options_.record, options_.reportPath, std::move(page));
}

bool Site::ended() const {
    const bool audit = options_.kind == SiteKind::Audit;
    // A replacement asked for is made even at a site whose plan is done.
    return c_.interrupted() || summary_.stop != Code::None ||
           (options_.plan && state_.allDone(audit) && options_.replaceDoor.empty());
}

SiteStatus Site::status() const {
    SiteStatus status;
    status.done = state_.done();
    status.failed = state_.failed();
    status.drift = summary_.drift;
    status.idsUsed = idsUsed_;
    if (options_.plan)
        status.rowsLeft = state_.left(options_.kind == SiteKind::Audit).size();
    status.rowUnderWay = rowUnderWay_;
    return status;
}

SiteSummary Site::run() {
    const bool audit = options_.kind == SiteKind::Audit;
    if (options_.record && (!options_.record->earlier().empty() || !options_.record->setAside().empty())) {
        StateFound found = state_.found(options_.record->path());
        found.setAside = options_.record->setAside();
        c_.events.stateFound(found);
    }
    writeReport();
    if (!ended())
        c_.events.waiting(options_.port);
    while (!ended()) {
        if (const std::optional<ReaderSeen> reader = waitForReader())
            take(*reader);
    }
    summary_.done = state_.done();
    summary_.failed = state_.failed();
    summary_.planDone = options_.plan && state_.allDone(audit);
    summary_.rowsLeft = state_.left(audit);
    return summary_;
}

std::optional<ReaderSeen> Site::waitForReader() {
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
        operations::PumpedPause(c_.link, operations::RepeatPollMs, c_.interrupted);
        return std::nullopt;
    }
    return ReaderSeen{result.port, result.line, result.info};
}

void Site::take(const ReaderSeen& reader) {
    const std::string serial = reader.info.serial.value_or("");
    c_.events.found(reader);
    // A reader done at another door is not a replacement: only the door's own reader is taken again.
    if (const std::optional<std::string> id = state_.doneAlready(serial);
        id && (options_.replaceDoor.empty() || state_.doorOf(serial) != options_.replaceDoor)) {
        c_.events.alreadyDone(reader, *id, state_.doorOf(serial));
        waitUntilGone(reader);
        return;
    }

    JobResult job;
    job.port = reader.port;
    job.line = reader.line;
    job.info.serial = reader.info.serial;
    job.info.id = reader.info.id;
    const auto refuse = [&](Code code, Reason why, const std::string& door) {
        job.code = code;
        job.why = std::move(why);
        finish(reader, job, door);
    };

    switch (options_.kind) {
    case SiteKind::Set: {
        const std::optional<Value>& id = options_.request[Setting::Id];
        // IDs go on after the highest one a reader of the site holds, the record's included.
        const int offset = id && id->stepping ? state_.nextId(id->chosen) - id->chosen : 0;
        if (id && id->stepping && id->chosen + offset > LastId) {
            refuse(Code::NoIdLeft, Reason(localisation::cmNoIdLeft, {std::to_string(LastId)}), {});
            summary_.stop = Code::NoIdLeft;
            return;
        }
        job = runJob(reader, options_.request, {}, offset, nullptr);
        if (job.idTaken && id && id->stepping)
            ++idsUsed_;
        checkDoor(reader, job);
        finish(reader, job, {});
        break;
    }
    case SiteKind::Default:
        job = RunDefault(c_, reader.info);
        checkDoor(reader, job);
        finish(reader, job, {});
        break;
    case SiteKind::Apply: {
        std::string replaces;
        const PlanRow* row = rowToTake(reader, replaces);
        if (!row) {
            refuse(Code::NotInPlan, Reason(localisation::cmNotInPlan, {protocol::Latin1ToUtf8(serial)}), {});
            break;
        }
        rowUnderWay_ = std::size_t(row - options_.plan->rows.data());
        c_.events.planRow(reader, *row);
        c_.events.note(replaces.empty()
                           ? Reason(localisation::cmTakesRow, {RowName(*row)})
                           : Reason(localisation::cmReplaces, {RowName(*row), protocol::Latin1ToUtf8(replaces)}));
        job = runJob(reader, row->request, row->door, 0, &reader);
        checkDoor(reader, job);
        finish(reader, job, row->door,
               replaces.empty() ? std::string() : "replaces " + protocol::Latin1ToUtf8(replaces));
        break;
    }
    case SiteKind::Audit: {
        const PlanRow* row = state_.rowFor(serial, true);
        if (!row) {
            refuse(Code::NotInPlan, Reason(localisation::cmNotInPlan, {protocol::Latin1ToUtf8(serial)}), {});
            break;
        }
        rowUnderWay_ = std::size_t(row - options_.plan->rows.data());
        c_.events.planRow(reader, *row);
        job = RunAudit(*row, reader);
        if (job.code == Code::Drift)
            ++summary_.drift;
        finish(reader, job, row->door);
        break;
    }
    }
    // The last row of a plan done ends the run at once: nobody waits for the last reader to be unplugged.
    if (!ended())
        waitUntilGone(reader);
}

const PlanRow* Site::rowToTake(const ReaderSeen& reader, std::string& replaces) {
    const std::string serial = reader.info.serial.value_or("");
    if (!options_.replaceDoor.empty()) {
        const PlanRow* row = state_.rowOfDoor(options_.replaceDoor);
        options_.replaceDoor.clear();
        if (row && state_.serialOf(*row) != serial)
            replaces = state_.serialOf(*row);
        return row;
    }
    const PlanRow* row = state_.rowFor(serial, true);
    if (row)
        return row;
    // A reader no row names, while a reader that failed after taking its row's ID still holds that row.
    if (const PlanRow* held = state_.heldRow()) {
        const bool replacement =
            options_.askReplacement ? options_.askReplacement(reader, *held) : options_.replaceFailed;
        if (replacement) {
            replaces = state_.serialOf(*held);
            return held;
        }
    }
    return state_.rowFor(serial, false);
}

bool Site::RecordIdFirst::operator()(const std::string& id) const {
    operations::ReaderInfo info = reader->info;
    info.id = id;
    RecordRow row{*door, reader->port, reader->line, info, "under-way", Code::None, {}, platform::IsoTimeNow(), {}};
    return site->state_.write(row);
}

JobResult Site::runJob(const ReaderSeen& reader, const Request& request, const std::string& door, int idOffset,
                       const ReaderSeen* scanned) {
    JobContext c = c_;
    // The ID is the site's once sent: the record holds it first, so that a run that ends before the reader's
    // outcome is written still knows it.
    c.beforeId = RecordIdFirst{this, &reader, &door};
    return RunJob(c, request, idOffset, scanned);
}

void Site::LineTestStep::operator()(const LineTest& sofar) const {
    events->lineTestStep(sofar, count);
}

void Site::checkDoor(const ReaderSeen& reader, JobResult& job) {
    if (!job.ok() || c_.interrupted())
        return;
    if (options_.lineTest > 0) {
        const long long count = options_.lineTest;
        c_.events.lineTestStarted(reader, count);
        const LineTest test = RunLineTest(c_, count, LineTestStep{&c_.events, count});
        // A test the user cut short says nothing of the line.
        if (test.code != Code::Interrupted && !c_.interrupted())
            job.checks.line = FiguresOf(test);
        c_.events.lineTested(reader, test);
    }
    if (options_.card && !c_.interrupted()) {
        DoorCard card{CardState::WiegandMode};
        // A reader that sends its cards to the controller only has none to tell over the serial line.
        if (ReportsCards(job.known(reader.info).mode)) {
            c_.events.presentCard(reader, options_.cardWaitMs);
            card = WaitForCard(c_, options_.cardWaitMs);
        }
        job.checks.card = card;
        c_.events.doorCard(reader, card);
    }
}

void Site::finish(const ReaderSeen& reader, JobResult job, const std::string& door, const std::string& note) {
    const ReaderInfo known = job.known(reader.info);
    // Where the reader answers now: the job's port and line, set where it found the reader.
    RecordRow row{
        door,      job.port, job.line, known, OutcomeWord(job.outcome()), job.code, note, platform::IsoTimeNow(),
        job.checks};
    // The row reaches the record before any face hears of the reader: no face's failure can leave a reader
    // with an ID that no record holds.
    if (!state_.write(row, Say(job.why))) {
        summary_.stop = Code::NotSaved;
        // What the reader took stays on it: the ID is said, so that it is not given twice by hand.
        const std::string who = ReaderName(reader, door);
        const std::string id = protocol::Latin1ToUtf8(known.id.value_or(""));
        summary_.why = id.empty() ? Reason(localisation::flNotRecorded, {who, options_.record->error()})
                                  : Reason(localisation::flNotRecordedId, {who, options_.record->error(), id});
        // A reader whose row did not reach the record is no success, whatever the reader did.
        if (job.ok())
            job.code = Code::NotSaved;
        job.why.add(summary_.why);
        // The site counts it as the record has it: not done, its ID held by the reader.
        row.outcome = "failed";
        row.code = job.code;
        state_.add(row, Say(job.why));
    }
    rowUnderWay_.reset();
    c_.events.finished(reader, job, door, job.outcome());

    writeReport();
    c_.events.signal(job.ok() && summary_.stop == Code::None);
}

void Site::writeReport() {
    if (Failure failed = state_.writeReport(); !failed.ok() && summary_.stop == Code::None) {
        summary_.stop = failed.code;
        summary_.why = std::move(failed.why);
    }
}

void Site::waitUntilGone(const ReaderSeen& reader) {
    c_.events.removeReader(reader);
    if (operations::WaitUntilGone(c_.link, c_.reader.ComPortNo, c_.reader.ComSettings, reader.info.serial.value_or(""),
                                  c_.interrupted))
        c_.events.left(reader);
    if (!ended())
        c_.events.waiting(options_.port);
}

} // namespace commission
