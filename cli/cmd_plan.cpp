// apply, audit and diff: a site's plan, one reader after another or the reader connected now.

#include "cli/session.h"
#include "commission/site.h"
#include "localisation/message_table.h"

namespace cli {

using commission::Code;
using localisation::Format;

namespace {

int RunSite(Session& s, const commission::Plan& plan, commission::SiteKind kind) {
    commission::SiteOptions options;
    options.kind = kind;
    options.plan = &plan;
    options.port = s.call.port;
    options.replaceFailed = s.call.replaceFailed;
    options.replaceDoor = s.call.replaceDoor;
    options.record = s.record;
    options.reportPath = s.call.reportPath;
    options.version = READERCONFIG_VERSION;
    options.lineTest = s.call.lineTest;
    options.card = s.call.card;
    commission::SiteSummary summary = commission::Site(s.job(), options).run();
    // Stopped with rows left, the plan is not done; an audit that found a drifted or failed reader fails.
    if (summary.ok() && !summary.planDone) {
        summary.stop = Code::Interrupted;
        summary.why = commission::Reason(localisation::rcRowsLeft, {std::to_string(summary.rowsLeft.size())});
    }
    if (summary.ok() && kind == commission::SiteKind::Audit && summary.failed > 0) {
        summary.stop = summary.drift > 0 ? Code::Drift : Code::Incomplete;
        summary.why = commission::Reason(localisation::rcAuditFailed, {std::to_string(summary.failed)});
    }
    s.report.summary(summary, kind, summary.ok());
    return summary.ok() ? CtlDone : CtlFailed;
}

} // namespace

int RunApply(Session& s) {
    return RunSite(s, *s.plan, commission::SiteKind::Apply);
}

int RunAudit(Session& s) {
    return RunSite(s, *s.plan, commission::SiteKind::Audit);
}

int RunDiff(Session& s) {
    // The information of the reader connected now, by a scan: queries only.
    const operations::Result result = s.scan(true);
    const Code code = commission::CodeOf(result, true);
    if (result.outcome != operations::Outcome::Done)
        return s.report.fail(code, s.notFound(result, code));
    const commission::ReaderSeen reader{result.port, result.line, result.info};
    const commission::PlanProgress progress(s.plan);
    const commission::PlanRow* row = progress.rowFor(result.info.serial.value_or(""), false);
    if (!row)
        return s.report.fail(Code::NotInPlan, Format(localisation::cmNotInPlan,
                                                     {protocol::Latin1ToUtf8(result.info.serial.value_or(""))}));
    s.report.changes(reader, *row, commission::PlannedChanges(*row, reader));
    return CtlDone;
}

} // namespace cli
