#pragma once
// How readerctl tells what happened: one reporter for the whole run, as lines of text for a person or as one
// JSON object per line for a script. The commands hand it results and the commissioning library's events; the
// reporter alone decides what is printed. docs/readerctl.md fixes the JSON objects.

#include "commission/card_views.h"
#include "commission/enrolment.h"
#include "commission/job.h"
#include "commission/line_test.h"
#include "commission/site.h"
#include "operations/result.h"
#include "platform/com_ports.h"

#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace platform {
class System;
}

namespace cli {

struct CtlEnvironment;

/// What monitor --expect found for a card.
struct CardCheck {
    const commission::CardExpectation& expected;
    std::optional<commission::CardMatch> match;
};

class Reporter : public commission::Events {
public:
    /// A failure of the command: its message on standard error, and with JSON its object on standard output.
    /// Returns the exit status 1.
    virtual int fail(commission::Code code, const std::string& message) = 0;
    /// A scan that found the reader (completely, or in part when `code` says so).
    virtual void scanned(const operations::Result& result, commission::Code code) = 0;
    /// A scan that reached the reader and failed all the same (`code`: in part, or not remembered): what it read,
    /// and the failure as fail() tells it, the fields in its object. Returns the exit status 1.
    virtual int scanFailed(const operations::Result& result, commission::Code code, const std::string& message) = 0;
    /// One reader's job outside a site run (set, default).
    virtual void job(const commission::JobResult& job) = 0;
    /// The end of a site run.
    virtual void summary(const commission::SiteSummary& summary, commission::SiteKind kind, bool ok) = 0;
    /// A card or a keypad entry; `views`: every view of a card, for a person (JSON gives them always). `check`:
    /// monitor --expect's verdict on a card newly presented.
    virtual void card(const protocol::PolledEntry& entry, bool views, const CardCheck* check) = 0;
    /// enrol: a card added or presented again (a held card is not told).
    virtual void enrolled(const commission::EnrolEvent& event) = 0;
    /// enrol's end: the counts and the list.
    virtual void enrolEnded(const commission::EnrolStatus& status, const std::string& path) = 0;
    /// diff: the reader's row and what apply would change.
    virtual void changes(const commission::ReaderSeen& reader, const commission::PlanRow& row,
                         const std::vector<commission::Change>& changes) = 0;
    /// A line the user should see, in text only (a note, a search begun).
    virtual void say(const std::string& text) = 0;
    /// linetest's report; with JSON only when nothing failed (the failure's object carries the counts).
    virtual void lineTest(const commission::LineTest& test) = 0;
    /// linetest that failed (test.code): the report so far when a query was sent, and the failure as fail()
    /// tells it, the counts in its object. Returns the exit status 1.
    virtual int lineTestFailed(const commission::LineTest& test, const std::string& message) = 0;
    /// ports: COM1 to COM16, each with the device and the adapter behind it as far as there are any.
    virtual void ports(const std::vector<platform::PortInfo>& ports) = 0;
    /// ports --pin: one entry of the ports folder written, removed (its adapter is COM`pinnedPort` now) or not
    /// written; that failure on standard error too.
    virtual void pinned(const platform::PinOutcome& pin, int pinnedPort) = 0;

    void signal(bool ok) override;
    // apply --linetest: its progress on standard error, as linetest's.
    void lineTestStarted(const commission::ReaderSeen& reader, long long count) override;
    void lineTestStep(const commission::LineTest& sofar, long long count) override;
    void lineTested(const commission::ReaderSeen& reader, const commission::LineTest& test) override;
    /// A beep of `hz` (the signal's length), and the terminal's bell when no sound device answered.
    void tone(unsigned hz);
    /// linetest under way: one line on standard error, rewritten in place by each call, so that standard output
    /// keeps the report alone, text or JSON; `ended` closes the line.
    void lineTestProgress(const commission::LineTest& sofar, long long count, bool ended);

    /// JSON or text on `environment`'s streams; the beep through its system, and the terminal's bell when no
    /// sound device answered.
    static std::unique_ptr<Reporter> Make(bool json, CtlEnvironment& environment);

protected:
    explicit Reporter(CtlEnvironment& environment) : env_(environment) {}
    CtlEnvironment& env_;
    long long lineTestCount_ = 0; ///< the queries of the line test under way
};

} // namespace cli
