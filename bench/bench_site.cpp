// The commissioning library's figures: apply's time per reader (five settings and the read-back) in virtual time,
// against the protocol's own pauses and replies for that sequence; what apply --linetest 20 adds per reader against
// its floor (20 x the command pause and one exchange); and checking a plan of 10,000 rows (time and
// peak memory); a second apply of the same doors, with the record and without it. Measures and prints; never
// fails for being slow.
//   bench-site [report.html]    also keeps the as-built report of the five readers there

#include "commission/job.h"
#include "commission/line_test.h"
#include "commission/plan.h"
#include "commission/record.h"
#include "commission/site.h"
#include "platform/testing/memory_settings_store.h"
#include "platform/testing/virtual_system.h"
#include "sim/reader_model.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

namespace {

/// The protocol's own time for what a reader's job sent: every pause the job slept, and for every frame the
/// reader's answer delay and its reply's time on the wire.
double FloorMs(platform::VirtualSystem& system, std::size_t firstFrame, std::size_t firstSleep, std::uint64_t endUs) {
    constexpr double ByteMs = 11.0 / 19200 * 1000; // start, 8 data, parity, stop
    sim::ReaderModel scratch;
    double ms = 0;
    for (std::size_t i = firstSleep; i < system.sleeps().size() && system.sleeps()[i].atUs <= endUs; ++i)
        ms += system.sleeps()[i].ms;
    for (std::size_t i = firstFrame; i < system.frames().size() && system.frames()[i].atUs <= endUs; ++i) {
        const std::string reply = scratch.answer(system.frames()[i].command);
        ms += scratch.faults.answerDelayUs / 1000.0 + static_cast<double>(reply.size()) * ByteMs;
    }
    return ms;
}

/// Puts the readers on COM3 one after another: each is taken out once its job ended. What a figure measures from
/// starts at mark().
class Readers : public commission::Events {
public:
    Readers(platform::VirtualSystem& system, std::vector<std::unique_ptr<sim::ReaderModel>>& readers)
        : system_(system), readers_(readers) {
        plugIn();
    }
    void removeReader(const commission::ReaderSeen&) override {
        if (++next_ < readers_.size())
            plugIn();
        else
            system_.setPort(3, {});
    }
    bool allDone() const { return next_ >= readers_.size(); }
    std::vector<double> floorMs;
    bool ok = true;

protected:
    void mark() {
        startedUs_ = system_.nowUs();
        firstFrame_ = system_.frames().size();
        firstSleep_ = system_.sleeps().size();
    }
    std::uint64_t sinceMarkUs() const { return system_.nowUs() - startedUs_; }
    double floorSinceMarkMs() const { return FloorMs(system_, firstFrame_, firstSleep_, system_.nowUs()); }

private:
    void plugIn() {
        platform::VirtualSystem::PortConfig config;
        config.peer = readers_[next_].get();
        system_.setPort(3, config);
    }
    platform::VirtualSystem& system_;
    std::vector<std::unique_ptr<sim::ReaderModel>>& readers_;
    std::size_t next_ = 0;
    std::uint64_t startedUs_ = 0;
    std::size_t firstFrame_ = 0;
    std::size_t firstSleep_ = 0;
};

/// Five readers with serials of their own.
std::vector<std::unique_ptr<sim::ReaderModel>> FiveReaders() {
    std::vector<std::unique_ptr<sim::ReaderModel>> readers;
    for (int i = 1; i <= 5; ++i) {
        readers.push_back(std::make_unique<sim::ReaderModel>());
        readers.back()->state.serial = "0000000" + std::to_string(i);
    }
    return readers;
}

/// A site run over the readers as they come, until the last has gone.
void RunSite(platform::VirtualSystem& system, Readers& events, const commission::SiteOptions& options) {
    platform::MemorySettingsStore store;
    readerlink::LinkSetup links(system);
    readerlink::Link link(links);
    operations::ReaderState reader;
    commission::JobContext context{link, reader, store, events, [&] { return events.allDone(); }, true, {}};
    commission::Site(context, options).run();
}

class Arrivals final : public Readers {
public:
    using Readers::Readers;
    void found(const commission::ReaderSeen&) override { mark(); }
    void finished(const commission::ReaderSeen&, const commission::JobResult& job, const std::string&,
                  commission::ReaderOutcome) override {
        perReaderUs.push_back(sinceMarkUs());
        floorMs.push_back(floorSinceMarkMs());
        ok = ok && job.ok();
    }
    std::vector<std::uint64_t> perReaderUs;
};

void ApplyRows(const char* reportPath) {
    const std::string planText = "door,serial,id,keys,mode,parity,line\r\n"
                                 "Door 1,,11,6,wiegand 34 32,1,\"19200,e,8,1\"\r\n"
                                 "Door 2,,12,6,wiegand 34 32,1,\"19200,e,8,1\"\r\n"
                                 "Door 3,,13,6,wiegand 34 32,1,\"19200,e,8,1\"\r\n"
                                 "Door 4,,14,6,wiegand 34 32,1,\"19200,e,8,1\"\r\n"
                                 "Door 5,,15,6,wiegand 34 32,1,\"19200,e,8,1\"\r\n";
    const commission::PlanCheck check = commission::ParsePlan(planText, "Example site");
    platform::VirtualSystem system;
    std::vector<std::unique_ptr<sim::ReaderModel>> readers = FiveReaders();
    Arrivals arrivals(system, readers);
    commission::SiteOptions options;
    options.kind = commission::SiteKind::Apply;
    options.plan = &*check.plan;
    options.reportPath = reportPath ? reportPath : "";
    options.version = READERCONFIG_VERSION;
    const auto started = std::chrono::steady_clock::now();
    RunSite(system, arrivals, options);
    const double cpuMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();

    double total = 0;
    double floor = 0;
    for (std::size_t i = 0; i < arrivals.perReaderUs.size(); ++i) {
        total += static_cast<double>(arrivals.perReaderUs[i]) / 1000;
        floor += arrivals.floorMs[i];
    }
    const double count = static_cast<double>(std::max<std::size_t>(1, arrivals.perReaderUs.size()));
    const double mean = total / count;
    floor /= count;
    std::printf("apply, five settings and the read-back    %7.0f ms per reader   floor %7.0f ms   %.3fx   "
                "(%zu readers%s, %.0f ms of CPU)\n",
                mean, floor, mean / floor, arrivals.perReaderUs.size(), arrivals.ok ? "" : ", NOT ALL DONE", cpuMs);
}

/// apply --linetest: what the line test adds to each reader, from its start to its end, against the floor: for
/// every query, the command pause before it, the reader's answer delay and its reply's time on the wire.
class LineTests final : public Readers {
public:
    using Readers::Readers;
    void lineTestStarted(const commission::ReaderSeen&, long long) override { mark(); }
    void lineTested(const commission::ReaderSeen&, const commission::LineTest& test) override {
        addedUs.push_back(sinceMarkUs());
        floorMs.push_back(floorSinceMarkMs());
        ok = ok && commission::VerdictOf(test) == commission::LineVerdict::Pass;
    }
    std::vector<std::uint64_t> addedUs;
};

void LineTestRows(long long queries) {
    const std::string planText = "door,id\r\nDoor 1,11\r\nDoor 2,12\r\nDoor 3,13\r\nDoor 4,14\r\nDoor 5,15\r\n";
    const commission::PlanCheck check = commission::ParsePlan(planText, "Example site");
    platform::VirtualSystem system;
    std::vector<std::unique_ptr<sim::ReaderModel>> readers = FiveReaders();
    LineTests tests(system, readers);
    commission::SiteOptions options;
    options.kind = commission::SiteKind::Apply;
    options.plan = &*check.plan;
    options.lineTest = queries;
    RunSite(system, tests, options);
    double total = 0;
    double floor = 0;
    for (std::size_t i = 0; i < tests.addedUs.size(); ++i) {
        total += static_cast<double>(tests.addedUs[i]) / 1000;
        floor += tests.floorMs[i];
    }
    const double count = static_cast<double>(std::max<std::size_t>(1, tests.addedUs.size()));
    std::printf("apply --linetest %lld adds                  %7.0f ms per reader   floor %7.0f ms   %.3fx   "
                "(%zu readers%s)\n",
                queries, total / count, floor / count, total / floor, tests.addedUs.size(),
                tests.ok ? "" : ", NOT ALL PASSED");
}

/// Readers put on COM3 one after another, each timed from the moment it is plugged in to the site's request to
/// take it away: the scan, the job (or "done already") and the read-back.
class Cycles final : public commission::Events {
public:
    Cycles(platform::VirtualSystem& system, std::vector<std::unique_ptr<sim::ReaderModel>>& readers)
        : system_(system), readers_(readers) {
        plugIn();
    }
    void found(const commission::ReaderSeen&) override { foundAtUs_ = system_.nowUs(); }
    void finished(const commission::ReaderSeen&, const commission::JobResult&, const std::string&,
                  commission::ReaderOutcome outcome) override {
        jobUs.push_back(system_.nowUs() - foundAtUs_);
        outcomes.emplace_back(commission::OutcomeWord(outcome));
    }
    void alreadyDone(const commission::ReaderSeen&, const std::string&, const std::string&) override {
        jobUs.push_back(system_.nowUs() - foundAtUs_);
        outcomes.emplace_back("done already");
    }
    void removeReader(const commission::ReaderSeen&) override {
        perReaderUs.push_back(system_.nowUs() - pluggedAtUs_);
        if (++next_ < readers_.size())
            plugIn();
        else
            system_.setPort(3, {});
    }
    bool allDone() const { return next_ >= readers_.size(); }
    static double MeanMs(const std::vector<std::uint64_t>& times) {
        double total = 0;
        for (const std::uint64_t us : times)
            total += static_cast<double>(us) / 1000;
        return total / static_cast<double>(std::max<std::size_t>(1, times.size()));
    }
    double meanMs() const { return MeanMs(perReaderUs); }
    double jobMs() const { return MeanMs(jobUs); }
    std::vector<std::uint64_t> perReaderUs; ///< plugged in to the request to take it away
    std::vector<std::uint64_t> jobUs;       ///< found to its outcome
    std::vector<std::string> outcomes;

private:
    void plugIn() {
        platform::VirtualSystem::PortConfig config;
        config.peer = readers_[next_].get();
        system_.setPort(3, config);
        pluggedAtUs_ = system_.nowUs();
    }
    platform::VirtualSystem& system_;
    std::vector<std::unique_ptr<sim::ReaderModel>>& readers_;
    std::size_t next_ = 0;
    std::uint64_t pluggedAtUs_ = 0;
    std::uint64_t foundAtUs_ = 0;
};

/// One apply of `plan` over the readers, with or without a record; the readers keep what they were given.
Cycles ApplyOnce(platform::VirtualSystem& system, const commission::Plan& plan,
                 std::vector<std::unique_ptr<sim::ReaderModel>>& readers, platform::MemorySettingsStore& store,
                 commission::Record* record) {
    Cycles cycles(system, readers);
    readerlink::LinkSetup links(system);
    readerlink::Link link(links);
    operations::ReaderState reader;
    commission::JobContext context{link, reader, store, cycles, [&] { return cycles.allDone(); }, true, {}};
    commission::SiteOptions options;
    options.kind = commission::SiteKind::Apply;
    options.plan = &plan;
    options.record = record;
    commission::Site(context, options).run();
    return cycles;
}

/// The same five doors applied twice: the second time with the first's record (each reader done already), and
/// without it (each reader read, found as its row asks, and read back); against the first apply, where each
/// reader needs all five settings.
/// `line`: the plan's line setting; at the factory default's, a reader needs four settings, not five.
void ApplyAgain(const std::string& line) {
    std::string planText = "door,serial,id,keys,mode,parity,line\r\n";
    for (int door = 1; door <= 5; ++door)
        planText +=
            "Door " + std::to_string(door) + ",,1" + std::to_string(door) + ",6,wiegand 34 32,1,\"" + line + "\"\r\n";
    const commission::Plan plan = *commission::ParsePlan(planText, "Example site").plan;
    std::vector<std::unique_ptr<sim::ReaderModel>> readers = FiveReaders();
    char folder[] = "/tmp/bench-site-XXXXXX";
    if (!mkdtemp(folder))
        return;
    const std::string path = std::string(folder) + "/site.csv";
    platform::MemorySettingsStore store;
    // One virtual clock for the three runs: a reader model keeps its own times, as a reader does.
    platform::VirtualSystem system;
    Cycles first = [&] {
        std::unique_ptr<commission::Record> record;
        commission::Record::Open(path, record);
        return ApplyOnce(system, plan, readers, store, record.get());
    }();
    // A door left, so that the run waits for readers and each of the five is seen.
    const commission::Plan more =
        *commission::ParsePlan(planText + "Door 6,,16,6,wiegand 34 32,1,\"" + line + "\"\r\n", "Example site").plan;
    Cycles withRecord = [&] {
        std::unique_ptr<commission::Record> record;
        commission::Record::Open(path, record);
        return ApplyOnce(system, more, readers, store, record.get());
    }();
    Cycles withoutRecord = ApplyOnce(system, plan, readers, store, nullptr);
    std::remove(path.c_str());
    rmdir(folder);
    const auto said = [](const Cycles& cycles) {
        return cycles.outcomes.size() == 5 ? cycles.outcomes.front() : std::string("NOT ALL FIVE");
    };
    const auto row = [&](const std::string& what, const Cycles& cycles) {
        std::printf("%-44s %7.0f ms per reader (%.2fx), its job %7.0f ms (%.2fx)   (%s)\n", what.c_str(),
                    cycles.meanMs(), cycles.meanMs() / first.meanMs(), cycles.jobMs(), cycles.jobMs() / first.jobMs(),
                    said(cycles).c_str());
    };
    row("apply, line " + line + ": each reader new", first);
    row("  again, with the record", withRecord);
    row("  again, no record: readers right", withoutRecord);
}

long PeakKb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void PlanRows() {
    std::string text = "door,serial,id,keys,mode,parity,line\r\n";
    char row[128];
    for (int i = 0; i < 10000; ++i) {
        std::snprintf(row, sizeof row, "Door %d,%08d,%s,6,wiegand 26 32,0,\"38400,e,8,1\"\r\n", i, i,
                      i < 99 ? std::to_string(i + 1).c_str() : "");
        text += row;
    }
    const long before = PeakKb();
    const auto started = std::chrono::steady_clock::now();
    const commission::PlanCheck check = commission::ParsePlan(text, "big");
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started).count();
    const long after = PeakKb();
    std::printf("checking a plan of 10,000 rows              %7.1f ms   peak memory %5.1f MB (+%.1f MB)   goal 100 ms, "
                "20 MB%s\n",
                ms, static_cast<double>(after) / 1024, static_cast<double>(after - before) / 1024,
                check.plan && check.plan->rows.size() == 10000 ? "" : "   REFUSED");
}

} // namespace

int main(int argc, char** argv) {
    ApplyRows(argc > 1 ? argv[1] : nullptr);
    ApplyAgain("38400,e,8,1");
    ApplyAgain("19200,e,8,1");
    LineTestRows(20);
    PlanRows();
    return 0;
}
