// A site over days, over the reader model in virtual time: a run stopped (or killed) part-way and run again with
// the same record gives every ID once and rewrites no door done; a second apply of a done site sends no set
// command; a reader replaced; a reader without keycode parity; a read-back that misses a field.

#include "commission/line_test.h"
#include "commission/site.h"
#include "localisation/language.h"
#include "platform/testing/memory_settings_store.h"
#include "platform/testing/virtual_system.h"
#include "sim/reader_model.h"

#include <QFile>
#include <QMap>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

using namespace commission;

namespace {

constexpr int Port = 3;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

/// Events as lines, and the readers put on COM3 one after another: each taken away when the site asks for it.
class Recorder final : public Events {
public:
    Recorder(platform::VirtualSystem& system, std::vector<sim::ReaderModel*> coming)
        : system_(system), coming_(std::move(coming)) {
        plugIn();
    }
    void stateFound(const StateFound& state) override {
        log << QString("state: %1 done, %2 held, %3 left").arg(state.done).arg(state.held).arg(state.left);
    }
    void note(const Reason& reason) override { notes << Q(Say(reason)); }
    void finished(const ReaderSeen& reader, const JobResult& job, const std::string& door,
                  ReaderOutcome outcome) override {
        log << Q(reader.info.serial.value_or("") + " " + door + ": " + OutcomeWord(outcome) +
                 (job.ok() ? "" : std::string(" ") + CodeName(job.code)));
        errors << Q(Say(job.why));
        reasons.push_back(job.why);
        static const char* const names[] = {"done", "unchanged", "unverified", "failed", "refused", "drift"};
        outcomes << names[int(outcome)];
        ++finished_;
    }
    void alreadyDone(const ReaderSeen& reader, const std::string& id, const std::string& door) override {
        log << Q(reader.info.serial.value_or("") + " " + door + ": done already, ID " + id);
        ++finished_;
    }
    void removeReader(const ReaderSeen&) override {
        ++next_;
        plugIn();
    }
    void lineTestStarted(const ReaderSeen&, long long count) override {
        log << QString("line test: %1").arg(count);
        if (atLineTest)
            atLineTest();
    }
    void presentCard(const ReaderSeen&, std::uint32_t waitMs) override {
        log << QString("present a card: %1 ms").arg(waitMs);
        if (atPresentCard)
            atPresentCard();
    }
    void doorCard(const ReaderSeen&, const DoorCard& card) override {
        log << QString("card: ") + CardStateWord(card.state);
    }
    /// Every reader came and went, or `stopAfter` readers ended.
    bool over() const { return next_ >= coming_.size() || (stopAfter > 0 && finished_ >= stopAfter); }

    QStringList log;
    QStringList notes;
    QStringList errors;
    QStringList outcomes;
    std::vector<Reason> reasons; ///< as the site gave them, to be worded again
    int stopAfter = 0;
    bool stop = false;
    std::function<void()> atLineTest;    ///< the line's faults, from the line test on
    std::function<void()> atPresentCard; ///< the card presented, once asked for

private:
    void plugIn() {
        platform::VirtualSystem::PortConfig config;
        config.peer = next_ < coming_.size() ? coming_[next_] : nullptr;
        system_.setPort(Port, next_ < coming_.size() ? config : platform::VirtualSystem::PortConfig{});
    }
    platform::VirtualSystem& system_;
    std::vector<sim::ReaderModel*> coming_;
    std::size_t next_ = 0;
    int finished_ = 0;
};

/// One site: its plan, its record and its readers, each run over the same virtual system.
struct SiteDays {
    QTemporaryDir folder;
    platform::VirtualSystem system;
    platform::MemorySettingsStore store;
    std::map<std::string, std::unique_ptr<sim::ReaderModel>> readers;
    Plan plan;
    bool withRecord = true;
    bool verify = true;

    explicit SiteDays(const std::string& planText) { plan = *ParsePlan(planText, "site").plan; }
    std::string recordPath() const { return folder.filePath("site.csv").toStdString(); }
    sim::ReaderModel& reader(const std::string& serial) {
        std::unique_ptr<sim::ReaderModel>& model = readers[serial];
        if (!model) {
            model = std::make_unique<sim::ReaderModel>();
            model->state.serial = serial;
        }
        return *model;
    }

    /// A run of apply (or `kind`) with these readers coming; its events, and the commands it sent.
    struct Day {
        QStringList log;
        QStringList notes;
        QStringList errors;
        QStringList outcomes;
        std::vector<Reason> reasons;
        QStringList commands;
        SiteSummary summary;
        SiteStatus status;
        std::vector<ReportRow> report;
    };
    Day run(const std::vector<std::string>& coming, const std::function<void(SiteOptions&, Recorder&)>& setUp = {},
            SiteKind kind = SiteKind::Apply) {
        std::vector<sim::ReaderModel*> models;
        models.reserve(coming.size());
        for (const std::string& serial : coming)
            models.push_back(&reader(serial));
        Recorder events(system, models);
        std::unique_ptr<Record> record;
        if (const Failure failure = withRecord ? Record::Open(recordPath(), record) : Failure{}; !failure.ok())
            qFatal("%s", Say(failure.why).c_str());
        readerlink::LinkSetup links(system);
        readerlink::Link link(links);
        operations::ReaderState state;
        const JobContext context{link, state, store, events, [&] { return events.stop || events.over(); }, verify, {}};
        SiteOptions options;
        options.kind = kind;
        options.plan = &plan;
        options.record = record.get();
        if (setUp)
            setUp(options, events);
        const std::size_t firstFrame = system.frames().size();
        Site site(context, options);
        Day day;
        day.summary = site.run();
        day.report = site.state().reportRows();
        day.status = site.status();
        for (std::size_t i = firstFrame; i < system.frames().size(); ++i)
            day.commands << Q(system.frames()[i].command);
        system.onFrame = {};
        day.log = events.log;
        day.notes = events.notes;
        day.errors = events.errors;
        day.outcomes = events.outcomes;
        day.reasons = events.reasons;
        return day;
    }
    /// The record's rows as they are written.
    QStringList wholeRows() const {
        QFile file(QString::fromStdString(recordPath()));
        if (!file.open(QIODevice::ReadOnly))
            return {};
        QStringList rows = QString::fromUtf8(file.readAll()).split("\r\n", Qt::SkipEmptyParts);
        rows.removeFirst();
        return rows;
    }
    /// The rows up to the note: without the door's checks and the version's column, which end every row.
    QStringList recordRows() const {
        QStringList rows = wholeRows();
        for (QString& row : rows)
            row = row.section(',', 0, -12);
        return rows;
    }
};

const std::string FiveDoors = "door,id,keys\r\nDoor 1,11,6\r\nDoor 2,12,6\r\nDoor 3,13,6\r\nDoor 4,14,6\r\n"
                              "Door 5,15,6\r\n";

/// The commands that change something: a query is "H00" and its letter alone.
QStringList Sets(const QStringList& commands) {
    QStringList sets;
    for (const QString& command : commands) {
        if (command.size() > 4)
            sets << command;
    }
    return sets;
}

} // namespace

class TestSite : public QObject {
    Q_OBJECT

private slots:
    // Three readers, then the run ends: stopped by the user after the third, or killed right after the third
    // acknowledged its ID (what was on the disk then is all the next run has). Tomorrow the same record: the
    // first reader again, two new ones and the third. Every ID is given once, no door done is written again,
    // and the report has each door once.
    void goOnTomorrow_data() {
        QTest::addColumn<bool>("killed");
        QTest::addColumn<QString>("found");
        QTest::addColumn<QStringList>("outcomes");
        QTest::newRow("stopped after the third")
            << false << "state: 3 done, 0 held, 2 left"
            << QStringList{"0000000A Door 1: done already, ID 11", "0000000D Door 4: done",
                           "0000000C Door 3: done already, ID 13", "0000000E Door 5: done"};
        // The third reader holds Door 3 by the row written before its ID was sent: the new reader does not get
        // ID 13 too.
        QTest::newRow("killed after the third took its ID")
            << true << "state: 2 done, 1 held, 3 left"
            << QStringList{"0000000A Door 1: done already, ID 11", "0000000D Door 4: done",
                           "0000000C Door 3: unchanged", "0000000E Door 5: done"};
    }
    void goOnTomorrow() {
        QFETCH(bool, killed);
        SiteDays site(FiveDoors);
        const QString snapshot = site.folder.filePath("at-the-kill.csv");
        const SiteDays::Day today = site.run({"0000000A", "0000000B", "0000000C"}, [&](SiteOptions&, Recorder& events) {
            if (!killed) {
                events.stopAfter = 3;
                return;
            }
            // The record as the disk holds it the moment after the reader acknowledged its ID.
            site.system.onFrame = [&, idSent = false](const platform::VirtualSystem::FrameRecord& frame) mutable {
                if (idSent && !events.stop) {
                    QFile::copy(QString::fromStdString(site.recordPath()), snapshot);
                    events.stop = true;
                }
                idSent = frame.command.rfind("H00C0000000C", 0) == 0;
            };
        });
        QCOMPARE(today.log.size(), 3);
        if (killed) {
            QFile::remove(QString::fromStdString(site.recordPath()));
            QVERIFY(QFile::copy(snapshot, QString::fromStdString(site.recordPath())));
        }

        const SiteDays::Day tomorrow = site.run({"0000000A", "0000000D", "0000000C", "0000000E"});
        QFETCH(QString, found);
        QCOMPARE(tomorrow.log.first(), found);
        QFETCH(QStringList, outcomes);
        QCOMPARE(tomorrow.log.mid(1), outcomes);
        QVERIFY(tomorrow.summary.planDone);

        QStringList ids;
        for (const QString& command : today.commands + tomorrow.commands) {
            if (command.startsWith("H00C"))
                ids << command.right(2);
        }
        QCOMPARE(ids, (QStringList{"11", "12", "13", "14", "15"}));
        for (const char* serial : {"0000000A", "0000000B", "0000000C", "0000000D", "0000000E"})
            QCOMPARE(Q(site.reader(serial).state.id), QString::number(11 + (serial[7] - 'A')));
        QMap<QString, int> doneRows;
        for (const QString& row : site.recordRows()) {
            const QString outcome = row.section(',', -3, -3);
            if (outcome == "done" || outcome == "unchanged")
                ++doneRows[row.section(',', 0, 0)];
        }
        QCOMPARE(doneRows.keys(), (QStringList{"Door 1", "Door 2", "Door 3", "Door 4", "Door 5"}));
        QCOMPARE(doneRows.values(), (QList<int>{1, 1, 1, 1, 1}));
        QCOMPARE(tomorrow.report.size(), std::size_t(5));
        for (const ReportRow& row : tomorrow.report)
            QVERIFY2(DoneOutcome(row.outcome), row.door.c_str());
        QCOMPARE(tomorrow.summary.done, 5);
    }

    // A second apply of a done site sends no set command: with the record each reader is done already; without
    // it each is read, found as its row asks, and read back.
    void secondApply_data() {
        QTest::addColumn<bool>("withRecord");
        QTest::addColumn<QString>("outcome");
        QTest::newRow("the same record") << true << "done already, ID 1";
        QTest::newRow("no record") << false << "unchanged";
    }
    void secondApply() {
        QFETCH(bool, withRecord);
        SiteDays site("door,id,keys,mode,parity,line\r\nDoor 1,11,6,wiegand 34 32,1,\"19200,e,8,1\"\r\n"
                      "Door 2,12,6,wiegand 34 32,1,\"19200,e,8,1\"\r\n");
        site.withRecord = withRecord;
        const SiteDays::Day first = site.run({"00000001", "00000002"});
        QCOMPARE(first.log, (QStringList{"00000001 Door 1: done", "00000002 Door 2: done"}));
        const SiteDays::Day second = site.run({"00000001", "00000002"});
        QCOMPARE(Sets(second.commands), QStringList());
        QFETCH(QString, outcome);
        for (const QString& line : second.log)
            QVERIFY2(line.contains(outcome) || line.startsWith("state: 2 done"), qPrintable(line));
        QVERIFY(second.summary.planDone);
    }

    // A reader that failed after taking its door's ID holds the door: the next reader takes the next door unless
    // it is the replacement. A reader that dies later is replaced by naming its door.
    void replaced_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("door");
        QTest::addColumn<QString>("note");
        QTest::newRow("the next door") << ""
                                       << "Door 2"
                                       << "";
        QTest::newRow("--replace-failed") << "failed"
                                          << "Door 1"
                                          << "replaces 00000001";
        QTest::newRow("--replace Door 1") << "Door 1"
                                          << "Door 1"
                                          << "replaces 00000001";
    }
    void replaced() {
        QFETCH(QString, how);
        QFETCH(QString, door);
        QFETCH(QString, note);
        SiteDays site("door,id,keys\r\nDoor 1,11,6\r\nDoor 2,12,6\r\n");
        if (how != "Door 1")
            site.reader("00000001").faults.ignoredSets = "L"; // takes its ID, keeps its key count
        site.run({"00000001"}, [](SiteOptions&, Recorder& events) { events.stopAfter = 1; });
        const SiteDays::Day day = site.run({"00000009"}, [&](SiteOptions& options, Recorder& events) {
            events.stopAfter = 1;
            options.replaceFailed = how == "failed";
            if (how.startsWith("Door"))
                options.replaceDoor = how.toStdString();
        });
        QCOMPARE(day.log.last(), "00000009 " + door + ": done");
        QCOMPARE(Q(site.reader("00000009").state.id), door == "Door 1" ? QString("11") : QString("12"));
        const QString row = site.recordRows().last();
        QVERIFY2(row.startsWith(door + ",") && row.endsWith(",done,," + note), qPrintable(row));
        // The door's report row is the new reader's; the old one is its history.
        const ReportRow shown = site.run({}, {}).report.front();
        QCOMPARE(Q(shown.serial), door == "Door 1" ? QString("00000009") : QString("00000001"));
        if (door == "Door 1")
            QVERIFY(!shown.history.empty() && Q(shown.history.back()).startsWith("00000001 "));
        // The record, read as a plan for an audit: the door is its new reader's.
        QFile file(QString::fromStdString(site.recordPath()));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const PlanCheck audit = ParsePlan(file.readAll().toStdString(), "site");
        QVERIFY2(audit.plan, audit.errors.empty() ? "" : audit.errors.front().c_str());
        const PlanRow& first = audit.plan->rows.front();
        QCOMPARE(Q(first.door + " " + first.serial.value_or("")),
                 door == "Door 1" ? QString("Door 1 00000009") : QString("Door 2 00000009"));
    }

    // One reader, its row and what it ends as: a parity asked of a reader without it, a read-back that misses
    // a field, a row asking only what the reader has.
    void oneReader_data() {
        QTest::addColumn<QString>("row");
        QTest::addColumn<std::function<void(sim::ReaderModel&)>>("reader");
        QTest::addColumn<QString>("ends");
        QTest::addColumn<QString>("says");
        QTest::addColumn<QStringList>("sets");
        QTest::newRow("no keycode parity")
            << "Door 1,11,6,1"
            << std::function<void(sim::ReaderModel&)>([](sim::ReaderModel& r) { r.state.paritySupported = false; })
            << "done"
            << "the parity is left out" << QStringList{"H00C0000000111", "H00L06"};
        QTest::newRow("keys not read back")
            << "Door 1,11,6,"
            << std::function<void(sim::ReaderModel&)>([](sim::ReaderModel& r) { r.faults.muted['L'] = 0; })
            << "failed incomplete"
            << "reading back: the reader did not give its keys" << QStringList{"H00C0000000111", "H00L06"};
        QTest::newRow("only the key count differs")
            << "Door 1,11,6,0" << std::function<void(sim::ReaderModel&)>([](sim::ReaderModel& r) { r.state.id = "11"; })
            << "done"
            << "" << QStringList{"H00L06"};
        QTest::newRow("nothing differs") << "Door 1,11,4,0"
                                         << std::function<void(sim::ReaderModel&)>(
                                                [](sim::ReaderModel& r) { r.state.id = "11"; })
                                         << "unchanged"
                                         << "" << QStringList{};
    }
    void oneReader() {
        QFETCH(QString, row);
        QFETCH(std::function<void(sim::ReaderModel&)>, reader);
        SiteDays site("door,id,keys,parity\r\n" + row.toStdString() + "\r\n");
        sim::ReaderModel& model = site.reader("00000001");
        reader(model);
        if (model.faults.muted.count('L')) {
            // Muted from the read-back on: the scan and the set are answered.
            site.system.onFrame = [&](const platform::VirtualSystem::FrameRecord& frame) {
                if (frame.command == "H00L06")
                    model.faults.muted['L'] = -1;
            };
        }
        const SiteDays::Day day = site.run({"00000001"}, [](SiteOptions&, Recorder& events) { events.stopAfter = 1; });
        QFETCH(QString, ends);
        QCOMPARE(day.log, QStringList{"00000001 Door 1: " + ends});
        QFETCH(QString, says);
        QVERIFY2((day.notes + day.errors).join('\n').contains(says), qPrintable((day.notes + day.errors).join('\n')));
        QFETCH(QStringList, sets);
        QCOMPARE(Sets(day.commands), sets);
        // The read-back covers every setting asked all the same.
        QVERIFY(day.commands.count("H00L") == 2);
        QCOMPARE(site.recordRows().last().section(',', -3, -3), ends.section(' ', 0, 0));
    }

    // At the door after the settings: the line test's figures and the card go into the record and the report,
    // and neither changes the reader's outcome. The line's faults start with the line test, so that the job
    // itself runs on a clean line.
    void doorChecks_data() {
        using Fault = std::function<void(sim::ReaderModel&)>;
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("queries");
        QTest::addColumn<bool>("card");
        QTest::addColumn<Fault>("fault");
        QTest::addColumn<QString>("present");
        QTest::addColumn<QString>("cells"); ///< the door's columns; * stands for the reply time
        QTest::addColumn<QString>("report");
        const Fault none = [](sim::ReaderModel&) {};
        QTest::newRow("clean line") << "wiegand 26 32" << 20 << false << none << ""
                                    << "20,20,0,0,0,*,pass,,,"
                                    << "line: pass, 20 of 20 answered, 0 time-outs";
        QTest::newRow("echoing line") << "wiegand 26 32" << 20 << false
                                      << Fault([](sim::ReaderModel& r) { r.faults.echo = true; }) << ""
                                      << "20,20,0,0,20,*,pass,,,"
                                      << "echo 20";
        QTest::newRow("noisy line") << "wiegand 26 32" << 20 << false << Fault([](sim::ReaderModel& r) {
            r.faults.noiseBeforeLf = true;
            r.faults.noiseBytes = 6;
        }) << ""
                                    << "20,20,0,0,0,*,pass,,,"
                                    << "line: pass";
        QTest::newRow("one lost in a hundred")
            << "wiegand 26 32" << 100 << false << Fault([](sim::ReaderModel& r) { r.faults.muted['B'] = 1; }) << ""
            << "100,99,1,0,0,*,marginal,,,"
            << "line: marginal, 99 of 100 answered, 1 time-outs";
        QTest::newRow("every checksum bad")
            << "wiegand 26 32" << 20 << false << Fault([](sim::ReaderModel& r) { r.faults.badChecksum = true; }) << ""
            << "20,0,0,20,0,,fail,,,"
            << "<span class=\"lf\">line: fail, 0 of 20 answered";
        QTest::newRow("card on RS485") << "rs485 26 32" << 0 << true << none << "004D7603"
                                       << ",,,,,,,read,004D7603,077:30211"
                                       << "card read: 077:30211 (004D7603)";
        QTest::newRow("keys before the card") << "rs485 26 32" << 0 << true << none << "keys"
                                              << ",,,,,,,read,004D7603,077:30211"
                                              << "card read: 077:30211";
        QTest::newRow("no card presented") << "rs485 26 32" << 0 << true << none << ""
                                           << ",,,,,,,no-card,,"
                                           << "card: none presented";
        QTest::newRow("Wiegand output: not asked") << "wiegand 26 32" << 0 << true << none << "004D7603"
                                                   << ",,,,,,,wiegand-mode,,"
                                                   << "card: not read, the reader is in Wiegand output mode";
        QTest::newRow("both") << "rs485 26 32" << 20 << true << none << "004D7603"
                              << "20,20,0,0,0,*,pass,read,004D7603,077:30211"
                              << "card read: 077:30211";
    }
    void doorChecks() {
        QFETCH(QString, mode);
        QFETCH(int, queries);
        QFETCH(bool, card);
        QFETCH(std::function<void(sim::ReaderModel&)>, fault);
        QFETCH(QString, present);
        SiteDays site("door,id,mode\r\nDoor 1,11," + mode.toStdString() + "\r\n");
        sim::ReaderModel& model = site.reader("00000001");
        const SiteDays::Day day = site.run({"00000001"}, [&](SiteOptions& options, Recorder& events) {
            events.stopAfter = 1;
            options.lineTest = queries;
            options.card = card;
            options.cardWaitMs = 3000;
            events.atLineTest = [&] { fault(model); };
            events.atPresentCard = [&] {
                if (present == "keys") {
                    model.presentKeys("1234");
                    model.presentCard("004D7603");
                } else if (!present.isEmpty()) {
                    model.presentCard(present.toStdString());
                }
            };
        });
        QCOMPARE(day.outcomes, QStringList{"done"});
        // The line test's queries, and card polls only where a card was asked of a reader in RS485 output mode.
        QCOMPARE(day.commands.count("H00F") > 0, card && mode.startsWith("rs485"));
        QCOMPARE(day.log.filter("present a card").size(), card && mode.startsWith("rs485") ? 1 : 0);

        const QString row = site.wholeRows().last();
        QCOMPARE(row.section(',', -14, -14), QString("done"));
        QFETCH(QString, cells);
        const QString p99 = row.section(',', -6, -6);
        QCOMPARE(row.section(',', -11, -2), QString(cells).replace("*", p99));
        if (cells.contains('*'))
            QVERIFY2(p99.toInt() > 0 && p99.toUInt() < LineSlowMs, qPrintable(p99));

        QFETCH(QString, report);
        SiteReport page;
        page.rows = day.report;
        QVERIFY2(Q(RenderReport(page)).contains(report), qPrintable(Q(RenderReport(page))));
        // The record read again gives the door back its checks, as a run tomorrow shows them.
        std::unique_ptr<Record> again;
        const Failure failure = Record::Open(site.recordPath(), again);
        QVERIFY2(failure.ok() && again, Say(failure.why).c_str());
        QCOMPARE(DoorCheckLines(again->earlier().back().checks), DoorCheckLines(day.report.front().checks));
    }

    // set --repeat with id N+ over two days: the record's readers are done already, and the IDs go on after the
    // highest one it holds.
    void repeatTomorrow() {
        SiteDays site("door\r\nunused\r\n");
        Request request;
        request.add({Setting::Id, 11, true});
        request.add({Setting::Keys, 6});
        const auto twoReaders = [&](SiteOptions& options, Recorder& events) {
            options.plan = nullptr;
            options.request = request;
            events.stopAfter = 2;
        };
        site.run({"0000000A", "0000000B"}, twoReaders, SiteKind::Set);
        const SiteDays::Day day = site.run({"0000000A", "0000000C"}, twoReaders, SiteKind::Set);
        QCOMPARE(day.log,
                 (QStringList{"state: 2 done, 0 held, -1 left", "0000000A : done already, ID 11", "0000000C : done"}));
        QCOMPARE(Q(site.reader("0000000C").state.id), QStringLiteral("13"));
    }

    // --no-verify: the row says so and carries the values asked, for a later audit.
    void unverified() {
        SiteDays site("door,id,keys\r\nDoor 1,11,6\r\n");
        site.verify = false;
        const SiteDays::Day day = site.run({"00000001"}, [](SiteOptions&, Recorder& events) { events.stopAfter = 1; });
        QCOMPARE(day.log, QStringList{"00000001 Door 1: unverified"});
        QVERIFY2(site.recordRows().last().endsWith(",00000001,03.20-01,11,06,,,unverified,,"),
                 qPrintable(site.recordRows().last()));
    }

    // What the site tells each face: the outcome it worked out for each reader, and its counts, which no face
    // works out again.
    void status_data() {
        QTest::addColumn<QString>("plan");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QStringList>("coming");
        QTest::addColumn<QStringList>("outcomes");
        QTest::addColumn<QList<int>>("counts"); // done, failed, drift, IDs used, rows left (-1: no plan)
        QTest::newRow("apply: two of five doors")
            << QString::fromStdString(FiveDoors) << int(SiteKind::Apply) << QStringList{"0000000A", "0000000B"}
            << QStringList{"done", "done"} << QList<int>{2, 0, 0, 0, 3};
        QTest::newRow("apply: a reader no row names is refused")
            << "door,serial,id\r\nDoor 1,0000000A,11\r\nDoor 2,0000000B,12\r\n"
            << int(SiteKind::Apply) << QStringList{"0000000C", "0000000A"} << QStringList{"refused", "done"}
            << QList<int>{1, 1, 0, 0, 1};
        QTest::newRow("audit: one as planned, one drifted")
            << "door,serial,id\r\nDoor 1,0000000A,01\r\nDoor 2,0000000B,12\r\n"
            << int(SiteKind::Audit) << QStringList{"0000000A", "0000000B"} << QStringList{"done", "drift"}
            << QList<int>{1, 1, 1, 0, 0};
        QTest::newRow("set: IDs counting up, no plan")
            << QString() << int(SiteKind::Set) << QStringList{"0000000A", "0000000B", "0000000C"}
            << QStringList{"done", "done", "done"} << QList<int>{3, 0, 0, 3, -1};
    }
    void status() {
        QFETCH(QString, plan);
        QFETCH(int, kind);
        QFETCH(QStringList, coming);
        QFETCH(QStringList, outcomes);
        QFETCH(QList<int>, counts);
        SiteDays site(plan.isEmpty() ? "door,id\r\nDoor 1,11\r\n" : plan.toStdString());
        site.withRecord = false;
        std::vector<std::string> readers;
        for (const QString& serial : coming)
            readers.push_back(serial.toStdString());
        const SiteDays::Day day = site.run(
            readers,
            [&](SiteOptions& options, Recorder&) {
                if (plan.isEmpty()) {
                    options.plan = nullptr;
                    options.request.add({Setting::Id, 5, true});
                }
            },
            SiteKind(kind));
        QCOMPARE(day.outcomes, outcomes);
        const SiteStatus& status = day.status;
        QCOMPARE((QList<int>{status.done, status.failed, status.drift, status.idsUsed,
                             status.rowsLeft ? int(*status.rowsLeft) : -1}),
                 counts);
        QVERIFY(!status.rowUnderWay);
    }

    // The site holds what it says as codes and values: worded when shown, in the language of that moment.
    void reasonsWordedWhenShown() {
        SiteDays site("door,serial,id\r\nDoor 1,0000000A,11\r\n");
        site.withRecord = false;
        const SiteDays::Day day = site.run({"0000000C"});
        QCOMPARE(day.reasons.size(), std::size_t(1));
        QCOMPARE(Q(Say(day.reasons.front())),
                 QStringLiteral("reader 0000000C matches no row of the plan that is left"));
        localisation::SelectLanguage(localisation::LanguageSimplified);
        const QString simplified = Q(Say(day.reasons.front()));
        localisation::SelectLanguage(localisation::LanguageEnglish);
        QVERIFY2(simplified.contains("0000000C") && !simplified.contains("plan"), qPrintable(simplified));
    }

    // The checks before a run, for every face: nothing is opened when one fails.
    void checkRun_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("plan");
        QTest::addColumn<QString>("replace");
        QTest::addColumn<QString>("record"); // in the test's folder
        QTest::addColumn<int>("code");
        QTest::newRow("nothing to set") << int(SiteKind::Set) << QString() << QString() << "site.csv"
                                        << int(Code::Usage);
        QTest::newRow("an audit without serials")
            << int(SiteKind::Audit) << QString::fromStdString(FiveDoors) << QString() << "site.csv" << int(Code::Usage);
        QTest::newRow("a door the plan does not have")
            << int(SiteKind::Apply) << QString::fromStdString(FiveDoors) << "Door 9"
            << "site.csv" << int(Code::Usage);
        QTest::newRow("a record in no folder") << int(SiteKind::Apply) << QString::fromStdString(FiveDoors) << QString()
                                               << "none/site.csv" << int(Code::NotSaved);
        QTest::newRow("ready") << int(SiteKind::Apply) << QString::fromStdString(FiveDoors) << "Door 2"
                               << "site.csv" << int(Code::None);
    }
    void checkRun() {
        QFETCH(int, kind);
        QFETCH(QString, plan);
        QFETCH(QString, replace);
        QFETCH(QString, record);
        QFETCH(int, code);
        QTemporaryDir folder;
        const Plan read = plan.isEmpty() ? Plan{} : *ParsePlan(plan.toStdString(), "site").plan;
        SiteOptions options;
        options.kind = SiteKind(kind);
        options.plan = plan.isEmpty() ? nullptr : &read;
        options.replaceDoor = replace.toStdString();
        std::unique_ptr<Record> opened;
        const Failure failure = CheckRun(options, folder.filePath(record).toStdString(), opened);
        QCOMPARE(int(failure.code), code);
        QCOMPARE(failure.why.empty(), failure.ok());
        QCOMPARE(opened != nullptr, failure.ok());
        QCOMPARE(QFile::exists(folder.filePath(record)), failure.ok());
    }
};

QTEST_MAIN(TestSite)
#include "tst_site.moc"
