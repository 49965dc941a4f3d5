// set and default: one reader, or with --repeat one after another.

#include "cli/session.h"
#include "commission/site.h"
#include "localisation/message_table.h"

namespace cli {

using commission::Code;
using commission::JobResult;
using localisation::Format;

namespace {

JobResult RunOnce(Session& s) {
    return s.call.command == CtlCommand::Default ? commission::RunDefault(s.job(), s.scanned)
                                                 : commission::RunJob(s.job(), s.call.settings);
}

int Repeat(Session& s) {
    commission::SiteOptions options;
    options.kind = s.call.command == CtlCommand::Default ? commission::SiteKind::Default : commission::SiteKind::Set;
    options.request = s.call.settings;
    options.port = s.call.port;
    options.record = s.record;
    options.reportPath = s.call.reportPath;
    options.version = READERCONFIG_VERSION;
    const commission::SettingRow* naming = commission::CountingRow();
    if (const std::optional<commission::Value> id = naming ? s.call.settings[naming->setting] : std::nullopt;
        id && id->stepping && id->chosen > 1) {
        s.report.say(Format(localisation::rcIdsLeft, {std::to_string(id->chosen), std::to_string(commission::LastId),
                                                      std::to_string(commission::LastId - id->chosen + 1)}));
    }
    const commission::SiteSummary summary = commission::Site(s.job(), options).run();
    s.report.summary(summary, options.kind, summary.ok());
    return summary.ok() ? CtlDone : CtlFailed;
}

} // namespace

int RunSet(Session& s) {
    if (s.call.repeat)
        return Repeat(s);
    const bool remembered = s.call.port == 0 && s.reader.ComPortNo > 0;
    if (!s.findPort())
        return CtlFailed;
    JobResult job = RunOnce(s);
    // The reader moved since it was remembered: search for it, as the window's scan does, and go again.
    if (remembered && job.code == Code::NoReply && job.acknowledged == 0 && !s.interrupted()) {
        s.report.say(
            Format(localisation::rcSearching, {commission::ComName(s.reader.ComPortNo), s.reader.ComSettings}));
        s.reader.ComPortNo = 0;
        if (!s.findPort())
            return CtlFailed;
        job = RunOnce(s);
    }
    const operations::ReaderInfo known = job.known(s.scanned);
    // The reader took a line setting that could not be remembered: the user must pass it next time.
    if (job.code == Code::NotSaved)
        job.why = commission::Reason::Joined(
            {job.why, commission::Reason(localisation::rcPassPort, {std::to_string(job.port), job.line})}, " ");
    if (!s.recordRow({{}, job.port, job.line, known, commission::OutcomeWord(job.outcome()), job.code, {}, {}, {}})) {
        job.code = job.ok() ? Code::NotSaved : job.code;
        job.why.add(s.record->error());
    }
    s.report.job(job);
    return job.ok() ? CtlDone : CtlFailed;
}

} // namespace cli
