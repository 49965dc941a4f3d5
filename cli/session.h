#pragma once
// What every readerctl command works with, and the commands themselves: one small unit each, over one reporter.

#include "cli/arguments.h"
#include "cli/readerctl.h"
#include "cli/reporter.h"
#include "commission/enrolment.h"
#include "commission/job.h"
#include "commission/plan.h"
#include "commission/record.h"
#include "link/link.h"
#include "operations/operations.h"

#include <optional>

namespace cli {

struct Session {
    const CtlInvocation& call;
    CtlEnvironment& env;
    Reporter& report;
    readerlink::Link& link;
    operations::ReaderState& reader;
    commission::Record* record = nullptr;       ///< --record, opened before anything was sent
    const commission::Plan* plan = nullptr;     ///< apply, audit, diff: checked before anything was sent
    commission::Enrolment* enrolment = nullptr; ///< enrol's --out, opened before anything was sent
    /// What a scan of this run read of the reader.
    std::optional<operations::ReaderInfo> scanned;

    bool interrupted() const { return env.interrupted(); }
    commission::JobContext job() const { return {link, reader, env.store, report, env.interrupted, call.verify, {}}; }
    /// The scan of scan, diff and the commands that find the reader first: --port alone when given, else every
    /// port at once, at the remembered line setting unless --all-lines asks for all. `quiet`: its steps are not
    /// shown.
    operations::Result scan(bool quiet);
    /// The scan's failure in words: its message, the cause, and for a search at one line setting the hint.
    std::string notFound(const operations::Result& result, commission::Code code) const;
    /// The reader for set, default, monitor and diff: --port as given, the remembered port, or found by a scan.
    /// Nothing when the scan found none; the failure is reported then.
    std::optional<int> findPort();
    /// Card reading at the port found, for monitor and enrol, until Ctrl-C or the reader stops answering.
    operations::Result readCards(operations::Observer& observer);
    /// The exit status of card reading, its failure reported.
    int cardsEnded(const operations::Result& result);
    /// Appends a row for a reader that answered (none for one that never did); false when it could not be
    /// written.
    bool recordRow(const commission::RecordRow& row);
};

int RunPorts(Session& session);
int RunScan(Session& session);
/// set and default, once or with --repeat.
int RunSet(Session& session);
int RunMonitor(Session& session);
int RunApply(Session& session);
int RunAudit(Session& session);
int RunDiff(Session& session);
int RunLineTest(Session& session);
int RunEnrol(Session& session);

} // namespace cli
