#include "reporter.h"

#include "cli/readerctl.h"
#include "localisation/message_table.h"
#include "operations/operations.h"
#include "protocol/commands.h"

#include <cstdio>
#include <nlohmann/json.hpp>

namespace cli {

using commission::Code;
using commission::JobResult;
using commission::ReaderSeen;
using localisation::Format;
using nlohmann::ordered_json;
using operations::ReaderInfo;

namespace {

/// A reader's field, in its 8-bit characters, as text for a message; empty when the reader did not give it.
std::string FieldText(const std::optional<std::string>& field) {
    return protocol::Latin1ToUtf8(field.value_or(""));
}

ordered_json Text(const std::optional<std::string>& field) {
    return field ? ordered_json(protocol::Latin1ToUtf8(*field)) : ordered_json(nullptr);
}

ordered_json TextOrNull(const std::string& text) {
    return text.empty() ? ordered_json(nullptr) : ordered_json(text);
}

/// "3", "0.3", "43": a percentage to two significant digits.
std::string Percent(double fraction) {
    char text[32];
    const double percent = fraction * 100;
    std::snprintf(text, sizeof text, percent >= 10 ? "%.0f" : "%.2g", percent);
    return text;
}

std::string Where(int port, const std::string& line) {
    return Format(localisation::cmWhere, {commission::ComName(port), line});
}

/// The settings the reader had already, by their names (`separator` between them), each in `name` form.
std::vector<std::string> UnchangedNames(const JobResult& job, bool labels) {
    std::vector<std::string> names;
    for (const commission::SettingRow& row : commission::SettingTable) {
        if (job.unchanged[commission::IndexOf(row.setting)])
            names.emplace_back(labels ? localisation::Text(row.label) : row.name);
    }
    return names;
}

/// The reader's fields as the reader sent them, null where not read (and so for a setting the reader lacks).
ordered_json ReaderJson(const ReaderInfo& info) {
    ordered_json reader;
    reader["serial"] = Text(info.serial);
    reader["version"] = Text(info.version);
    for (const commission::SettingRow* row : commission::RowsInScanOrder()) {
        if (row->field)
            reader[row->name] = Text(info.*row->field);
    }
    return reader;
}

/// A card's views as objects of their numbers: "w26": {"facility": 77, "number": 30211, ...}.
ordered_json CardViewsJson(const commission::CardViews& views) {
    const auto wiegand = [](const commission::WiegandView& view) {
        ordered_json object;
        object["facility"] = view.facility;
        object["number"] = view.number;
        object["whole"] = view.whole;
        object["even_parity"] = view.evenParity;
        object["odd_parity"] = view.oddParity;
        object["parity_ok"] = view.parityOk;
        object["bits"] = view.frame;
        return object;
    };
    ordered_json object;
    object["w26"] = wiegand(views.w26);
    object["w34"] = wiegand(views.w34);
    object["reversed"] = {{"card", commission::HexText(views.reversed)}, {"number", views.reversed}};
    object["w26_swapped"] = wiegand(views.w26Swapped);
    object["w34_swapped"] = wiegand(views.w34Swapped);
    return object;
}

/// linetest's port, line and counts, verdict and the loss ruled out; the reply times null when no query was
/// answered.
ordered_json LineTestJson(const commission::LineTest& test) {
    ordered_json object;
    object["port"] = test.port;
    object["line"] = test.line;
    object["sent"] = test.sent;
    object["answered"] = test.answered;
    object["timeouts"] = test.timeouts;
    object["bad_checksum"] = test.badChecksum;
    object["echo"] = test.echoes > 0;
    object["noise_bytes"] = test.noiseBytes;
    ordered_json times;
    for (const char* key : {"min", "median", "p99", "max"})
        times[key] = nullptr;
    if (const std::optional<commission::ReplyTimes> reply = test.times()) {
        times["min"] = reply->min;
        times["median"] = reply->median;
        times["p99"] = reply->p99;
        times["max"] = reply->max;
    }
    object["reply_ms"] = times;
    object["verdict"] = commission::VerdictName(commission::VerdictOf(test));
    const std::optional<double> loss = commission::LossRuledOut(test);
    object["loss_ruled_out"] = loss ? ordered_json(*loss) : ordered_json(nullptr);
    return object;
}

/// What was checked at a door (apply --linetest, --card): "line_test" and "card", each only when asked.
ordered_json DoorChecksJson(const commission::DoorChecks& checks) {
    ordered_json object = ordered_json::object();
    if (const std::optional<commission::LineFigures>& line = checks.line) {
        ordered_json figures;
        figures["queries"] = line->sent;
        figures["answered"] = line->answered;
        figures["timeouts"] = line->timeouts;
        figures["bad_checksum"] = line->badChecksum;
        figures["echoes"] = line->echoes;
        figures["p99_ms"] = line->p99 ? ordered_json(*line->p99) : ordered_json(nullptr);
        figures["verdict"] = commission::VerdictName(line->verdict);
        object["line_test"] = figures;
    }
    if (const std::optional<commission::DoorCard>& card = checks.card) {
        ordered_json read;
        read["state"] = commission::CardStateWord(card->state);
        if (card->state == commission::CardState::Read) {
            read["card"] = commission::HexText(card->value);
            read["number"] = card->value;
            read.update(CardViewsJson(commission::ViewsOf(card->value)));
        }
        object["card"] = read;
    }
    return object;
}

ordered_json JobJson(const JobResult& job) {
    ordered_json object;
    object["ok"] = job.ok();
    if (!job.ok()) {
        object["code"] = commission::CodeName(job.code);
        object["error"] = commission::Say(job.why);
    }

    object["port"] = job.port;
    object["line"] = job.line;
    object["serial"] = Text(job.info.serial);
    ordered_json asked = ordered_json::object();
    for (const commission::SettingRow& row : commission::SettingTable) {
        if (const std::optional<std::string>& value = job.asked[commission::IndexOf(row.setting)])
            asked[row.name] = *value;
    }
    object["asked"] = asked;
    object["read"] = job.read ? ReaderJson(*job.read) : ordered_json(nullptr);
    if (!job.note.empty())
        object["note"] = commission::Say(job.note);
    object["outcome"] = commission::OutcomeWord(job.outcome());
    object["unchanged"] = UnchangedNames(job, false);
    object.update(DoorChecksJson(job.checks));
    return object;
}

/// Whether an entry is a card with all eight digits, so a number to view.
bool WholeCard(const protocol::PolledEntry& entry) {
    return !entry.keypad && entry.digits.size() == std::size_t(protocol::CardField.length());
}

std::string Whole(const commission::WiegandView& view) {
    return view.bits == 26 ? std::to_string(view.whole) : commission::DecimalText(view.whole);
}

/// "matches W26 077:30211 with D0/D1 swapped", in the current language.
std::string CardCheckText(const CardCheck& check) {
    if (!check.match)
        return Format(localisation::cvNoMatch, {check.expected.text});
    const commission::CardMatch& match = *check.match;
    std::string view = check.expected.text;
    if (match.form != commission::CardForm::Number) {
        view = "W" + std::to_string(match.view.bits) + " " + commission::PairText(match.view);
        if (check.expected.value)
            view += " (" + Whole(match.view) + ")";
    }
    return Format(match.swapped    ? localisation::cvMatchesSwapped
                  : match.reversed ? localisation::cvMatchesReversed
                                   : localisation::cvMatches,
                  {view});
}

/// --views for a person: a line for each frame, the bytes reversed, and the frames with D0 and D1 swapped.
std::vector<std::string> ViewLines(const commission::CardViews& views) {
    std::vector<std::string> lines;
    for (const commission::WiegandView* view : {&views.w26, &views.w34}) {
        lines.push_back("W" + std::to_string(view->bits) + " " + commission::PairText(*view) + ", " +
                        Format(view->parityOk ? localisation::cvParityRight : localisation::cvParityWrong, {}) + " " +
                        std::to_string(view->evenParity) + "/" + std::to_string(view->oddParity) + ", " + view->frame +
                        ", " + Format(localisation::cvWhole, {Whole(*view)}));
    }
    lines.push_back(Format(localisation::cvReversed, {}) + ": " + commission::HexText(views.reversed) + " " +
                    commission::DecimalText(views.reversed));
    lines.push_back(Format(localisation::cvSwapped, {}) + ": W26 " + commission::PairText(views.w26Swapped) + ", W34 " +
                    commission::PairText(views.w34Swapped) + ", " +
                    Format(views.w26Swapped.parityOk ? localisation::cvParityRight : localisation::cvParityWrong, {}));
    return lines;
}

/// The card in one line: hexadecimal, decimal and the two frames.
std::string CardSummary(std::uint32_t value) {
    const commission::CardViews views = commission::ViewsOf(value);
    return commission::HexText(value) + " " + commission::DecimalText(value) + " W26 " +
           commission::PairText(views.w26) + " W34 " + commission::PairText(views.w34);
}

// ---- for a person ----

/// What asking for a card came to, `shown` the card read.
std::string DoorCardText(const commission::DoorCard& card, const std::string& shown, std::uint32_t waitMs) {
    switch (card.state) {
    case commission::CardState::Read:
        return Format(localisation::dcCardRead, {shown});
    case commission::CardState::WiegandMode:
        return Format(localisation::dcCardWiegand, {});
    case commission::CardState::NoCard:
        return Format(localisation::dcCardNone, {std::to_string(waitMs / 1000)});
    case commission::CardState::Stopped:
        return Format(localisation::dcCardStopped, {});
    case commission::CardState::NoReply:
        break;
    }
    return Format(localisation::dcCardNoReply, {});
}

/// A mistake on the command line points to the help.
std::string ErrorLine(Code code, const std::string& message) {
    return code == Code::Usage ? Format(localisation::usSee, {message}) : message;
}

/// Why pinning did not write `pin`'s entry, in the current language.
std::string PinReason(const platform::PinOutcome& pin) {
    using platform::PinError;
    switch (pin.error) {
    case PinError::None:
        break;
    case PinError::NothingPresent:
        return Format(localisation::ptNothingPresent, {});
    case PinError::NotAbsolute:
        return Format(localisation::ptNotAbsolute, {pin.subject, pin.serialFolder});
    case PinError::UnknownName:
        return Format(localisation::ptUnknownName, {pin.subject, pin.serialFolder});
    case PinError::LeadsNowhere:
        return Format(localisation::ptLeadsNowhere, {pin.subject});
    case PinError::NotDevice:
        return Format(localisation::ptNotDevice, {pin.subject});
    case PinError::SharedName:
        return Format(localisation::ptSharedByIdName, {pin.subject, pin.serialFolder});
    case PinError::NoStableName:
        return Format(localisation::ptNoStableName, {pin.subject, pin.serialFolder});
    case PinError::NotLink:
        return Format(localisation::ptNotLink, {pin.subject});
    case PinError::NoFolder:
        return Format(localisation::ptNoFolder, {pin.subject, pin.systemError});
    case PinError::NotWritten:
        return Format(localisation::ptNotWritten, {pin.subject, pin.systemError});
    case PinError::OtherFailed:
        return Format(localisation::ptOtherFailed, {commission::ComName(pin.otherPort)});
    case PinError::SystemNumbers:
        return Format(localisation::ptSystemNumbers, {});
    }
    return {};
}

/// Why an entry was not pinned, with its number when the failure has one.
std::string PinFailure(const platform::PinOutcome& pin) {
    return pin.portNo > 0 ? Format(localisation::ptNotPinned, {commission::ComName(pin.portNo), PinReason(pin)})
                          : PinReason(pin);
}

/// What is wrong with a port's entry; empty when nothing is.
std::string PortProblem(const platform::PortInfo& port) {
    switch (port.problem) {
    case platform::PortInfo::Problem::None:
        break;
    case platform::PortInfo::Problem::Dangling:
        return Format(localisation::ptDangling, {port.link, port.linkText});
    }
    return {};
}

class TextReporter final : public Reporter {
public:
    explicit TextReporter(CtlEnvironment& environment) : Reporter(environment) {}

    void operationStep(const commission::Reason& step) override { line(commission::Say(step)); }
    void operationEnded(const operations::Result& result) override { line(operations::MessageText(result)); }
    void note(const commission::Reason& reason) override {
        line(Format(localisation::rcNote, {commission::Say(reason)}));
    }
    void readBack(const JobResult& job) override {
        if (!job.ok())
            return;
        const std::string same = commission::Say(job.asSet());
        const std::string where = Where(job.port, job.line);
        line(same.empty() ? Format(localisation::rcReadBackAnswers, {where})
                          : Format(localisation::rcReadBackSame, {where, same}));
    }
    void waiting(int port) override {
        line(Format(localisation::rcWaiting,
                    {port > 0 ? commission::ComName(port) : std::string(Format(localisation::rcAnyPort, {}))}));
    }
    void found(const ReaderSeen& reader) override {
        line(Format(localisation::rcReaderOn,
                    {FieldText(reader.info.serial), commission::ComName(reader.port), reader.line}));
    }
    void finished(const ReaderSeen& reader, const JobResult& job, const std::string& door,
                  commission::ReaderOutcome outcome) override {
        using commission::ReaderOutcome;
        const std::string who = commission::ReaderName(reader, door);
        switch (outcome) {
        case ReaderOutcome::Unchanged:
            line(Format(localisation::rcUnchanged, {who}));
            return;
        case ReaderOutcome::Unverified:
            line(Format(localisation::rcUnverified, {who}));
            return;
        case ReaderOutcome::Done: {
            std::string unchanged;
            for (const std::string& name : UnchangedNames(job, true))
                unchanged += (unchanged.empty() ? "" : ", ") + name;
            line(unchanged.empty() ? Format(localisation::rcDone, {who})
                                   : Format(localisation::rcDoneUnchanged, {who, unchanged}));
            return;
        }
        case ReaderOutcome::Refused:
            line(Format(localisation::rcRefused, {who, commission::Say(job.why)}));
            return;
        case ReaderOutcome::Failed:
        case ReaderOutcome::Drift:
            break;
        }
        line(Format(localisation::rcFailed, {who, commission::Say(job.why)}));
    }
    void alreadyDone(const ReaderSeen& reader, const std::string& id, const std::string& door) override {
        line(Format(localisation::rcAlreadyDone, {commission::ReaderName(reader, door), FieldText(id)}));
    }
    void stateFound(const commission::StateFound& state) override {
        const std::string done = std::to_string(state.done), held = std::to_string(state.held);
        line(state.left < 0
                 ? Format(localisation::cmStateFoundNoPlan, {state.record, done, held})
                 : Format(localisation::cmStateFound, {state.record, done, held, std::to_string(state.left)}));
        for (const int at : state.setAside)
            line(Format(localisation::cmSetAside, {state.record, std::to_string(at)}));
    }
    void removeReader(const ReaderSeen& reader) override {
        line(Format(localisation::rcRemove, {FieldText(reader.info.serial)}));
    }
    void lineTested(const ReaderSeen& reader, const commission::LineTest& test) override {
        Reporter::lineTested(reader, test);
        lineTest(test);
    }
    void presentCard(const ReaderSeen& reader, std::uint32_t waitMs) override {
        cardWaitMs_ = waitMs;
        line(Format(localisation::dcPresentCard, {FieldText(reader.info.serial), std::to_string(waitMs / 1000)}));
    }
    void doorCard(const ReaderSeen&, const commission::DoorCard& card) override {
        line("  " + DoorCardText(card, CardSummary(card.value), cardWaitMs_));
    }

    int fail(Code code, const std::string& message) override {
        env_.err << ErrorLine(code, message) << '\n' << std::flush;
        return CtlFailed;
    }

    int scanFailed(const operations::Result& result, Code code, const std::string& message) override {
        scanned(result, code);
        return fail(code, message);
    }

    void scanned(const operations::Result& result, Code code) override {
        const ReaderInfo& info = result.info;
        if (code == Code::None)
            line(operations::MessageText(result));
        const auto field = [&](localisation::TextId label, const std::optional<std::string>& value) {
            if (value)
                line(std::string(localisation::Text(label)) + " : " + protocol::Latin1ToUtf8(*value));
        };
        field(localisation::txSerialNo, info.serial);
        field(localisation::txVersion, info.version);
        // Each setting the reader gave, in words where it has them; where it answers ends the list.
        for (const commission::SettingRow* row : commission::RowsInScanOrder()) {
            if (!row->field || !(info.*row->field))
                continue;
            const std::optional<std::string>& value = info.*row->field;
            const std::optional<std::string> words = row->inWords(*value, commission::Wording::Scan);
            if (!words)
                field(row->heading, value);
            else if (!words->empty())
                line(*words);
        }
        line(commission::ComName(result.port) + " : " + result.line);
    }

    void job(const JobResult& job) override {
        if (!job.ok())
            env_.err << commission::Say(job.why) << '\n' << std::flush;
    }

    void summary(const commission::SiteSummary& summary, commission::SiteKind, bool) override {
        line(Format(localisation::rcSummary, {std::to_string(summary.done), std::to_string(summary.failed)}));
        if (!summary.rowsLeft.empty()) {
            std::string rows;
            for (const std::string& row : summary.rowsLeft)
                rows += (rows.empty() ? "" : ", ") + row;
            line(Format(localisation::rcNotDone, {rows}));
        }
        if (!summary.ok())
            env_.err << commission::Say(summary.why) << '\n' << std::flush;
    }

    void card(const protocol::PolledEntry& entry, bool views, const CardCheck* check) override {
        if (!WholeCard(entry)) {
            line(operations::CardIdText(entry));
            return;
        }
        const commission::CardViews all = commission::ViewsOf(entry.number);
        line(operations::CardIdText(entry) + "  W26 " + commission::PairText(all.w26));
        if (views) {
            for (const std::string& text : ViewLines(all))
                line("  " + text);
        }
        if (check)
            line("  " + CardCheckText(*check));
    }

    void enrolled(const commission::EnrolEvent& event) override {
        if (event.outcome == commission::EnrolOutcome::Added) {
            line(Format(localisation::enAdded, {event.card.name, CardSummary(event.card.value)}));
            if (event.sameW26)
                line(Format(localisation::enSameW26,
                            {event.card.name, commission::PairText(commission::ViewsOf(event.card.value).w26),
                             event.sameW26->name}));
        } else if (event.outcome == commission::EnrolOutcome::Repeat) {
            line(Format(localisation::enAgain, {event.card.name, commission::HexText(event.card.value)}));
        }
    }

    void enrolEnded(const commission::EnrolStatus& status, const std::string& path) override {
        line(Format(localisation::enSummary, {std::to_string(status.added), std::to_string(status.repeats),
                                              std::to_string(status.collisions), std::to_string(status.listed), path}));
    }

    void changes(const ReaderSeen& reader, const commission::PlanRow& row,
                 const std::vector<commission::Change>& changes) override {
        line(Format(localisation::rcDiffHead, {commission::Say(commission::RowName(row)), FieldText(reader.info.serial),
                                               commission::ComName(reader.port), reader.line}));
        for (const commission::Change& change : changes) {
            line("  " + std::string(localisation::Text(commission::RowOf(change.setting).label)) + ": " +
                 (change.now ? protocol::Latin1ToUtf8(*change.now) : Format(localisation::cmNothing, {})) + " -> " +
                 change.planned);
        }
        if (changes.empty())
            line("  " + Format(localisation::rcNoChange, {}));
    }

    void say(const std::string& text) override { line(text); }

    void lineTest(const commission::LineTest& test) override {
        const auto number = [](auto value) { return std::to_string(value); };
        line(Format(localisation::ltTitle, {commission::ComName(test.port), test.line}));
        line("  " + Format(localisation::ltCounts, {number(test.sent), number(test.answered), number(test.timeouts),
                                                    number(test.badChecksum)}));
        const std::string echo = test.echoes > 0 ? Format(localisation::ltEchoSeen, {number(test.echoes)})
                                                 : Format(localisation::ltEchoNone, {});
        line("  " + Format(localisation::ltEcho, {echo, number(test.noiseBytes)}));
        if (const std::optional<commission::ReplyTimes> times = test.times())
            line("  " + Format(localisation::ltReplyTimes,
                               {number(times->min), number(times->median), number(times->p99), number(times->max)}));
        else
            line("  " + Format(localisation::ltNoReplyTime, {}));
        const commission::LineVerdict verdict = commission::VerdictOf(test);
        line("  " + Format(localisation::ltVerdict,
                           {Format(verdict == commission::LineVerdict::Pass       ? localisation::ltPass
                                   : verdict == commission::LineVerdict::Marginal ? localisation::ltMarginal
                                                                                  : localisation::ltFail,
                                   {})}));
        if (const std::optional<double> loss = commission::LossRuledOut(test))
            line("  " + Format(localisation::ltLossRuledOut, {number(test.sent), Percent(*loss)}));
    }

    int lineTestFailed(const commission::LineTest& test, const std::string& message) override {
        if (test.sent > 0)
            lineTest(test);
        return fail(test.code, message);
    }

    void ports(const std::vector<platform::PortInfo>& ports) override {
        for (const platform::PortInfo& port : ports) {
            line("COM" + std::to_string(port.portNo) + (port.portNo < 10 ? "   " : "  ") +
                 (port.path.empty() ? "-" : port.path + (port.target.empty() ? "" : " -> " + port.target)) +
                 (port.problem == platform::PortInfo::Problem::None ? "" : "   (" + PortProblem(port) + ")"));
            const auto detail = [&](std::string label, const std::string& text) {
                if (text.empty())
                    return;
                label.resize(10, ' ');
                line("       " + label.append(text));
            };
            for (const std::string& name : port.byId)
                detail("by-id", port.ambiguous ? Format(localisation::ptSharedName, {name}) : name);
            detail("by-path", port.byPath);
            detail("name", port.friendlyName);
            std::string usb = port.usbId;
            for (const std::string& text : {port.manufacturer, port.product})
                usb += text.empty() ? "" : ", " + text;
            if (!port.usbId.empty())
                usb += ", " + (port.serial.empty() ? Format(localisation::ptNoSerial, {})
                                                   : Format(localisation::ptSerial, {port.serial}));
            detail("USB", usb);
        }
    }

    void pinned(const platform::PinOutcome& pin, int pinnedPort) override {
        if (pin.error != platform::PinError::None)
            fail(Code::PinFailed, PinFailure(pin));
        else if (pin.target.empty())
            line(Format(localisation::ptRemoved, {commission::ComName(pin.portNo), commission::ComName(pinnedPort)}));
        else
            line(Format(localisation::ptPinned, {commission::ComName(pin.portNo), pin.target}));
    }

private:
    void line(const std::string& text) { env_.out << text << '\n' << std::flush; }
    std::uint32_t cardWaitMs_ = commission::CardWaitMs;
};

// ---- for a script ----

class JsonReporter final : public Reporter {
public:
    explicit JsonReporter(CtlEnvironment& environment) : Reporter(environment) {}

    void finished(const ReaderSeen&, const JobResult& job, const std::string& door,
                  commission::ReaderOutcome) override {
        ordered_json object = JobJson(job);
        if (!door.empty())
            object["door"] = door;
        print(object);
    }

    void alreadyDone(const ReaderSeen& reader, const std::string& id, const std::string& door) override {
        ordered_json object;
        object["ok"] = true;
        object["outcome"] = "done-already";
        object["port"] = reader.port;
        object["line"] = reader.line;
        object["serial"] = Text(reader.info.serial);
        object["id"] = Text(id);
        if (!door.empty())
            object["door"] = door;
        print(object);
    }

    void stateFound(const commission::StateFound& state) override {
        ordered_json object;
        object["ok"] = true;
        object["record"] = state.record;
        object["done"] = state.done;
        object["ids_held"] = state.held;
        object["rows_left"] = state.left < 0 ? ordered_json(nullptr) : ordered_json(state.left);
        if (!state.setAside.empty())
            object["set_aside"] = state.setAside;
        print(object);
    }

    int fail(Code code, const std::string& message) override { return failWith(code, message, ordered_json::object()); }

    int scanFailed(const operations::Result& result, Code code, const std::string& message) override {
        ordered_json fields;
        fields["port"] = result.port;
        fields["line"] = result.line;
        fields.update(ReaderJson(result.info));
        return failWith(code, message, fields);
    }

    void scanned(const operations::Result& result, Code code) override {
        if (code != Code::None)
            return; // the failure's object carries the fields
        ordered_json object;
        object["ok"] = true;
        object["port"] = result.port;
        object["line"] = result.line;
        object.update(ReaderJson(result.info));
        print(object);
    }

    void job(const JobResult& job) override {
        print(JobJson(job));
        if (!job.ok())
            env_.err << commission::Say(job.why) << '\n' << std::flush;
    }

    void summary(const commission::SiteSummary& summary, commission::SiteKind kind, bool ok) override {
        ordered_json object;
        object["ok"] = ok;
        if (!summary.ok()) {
            object["code"] = commission::CodeName(summary.stop);
            const std::string why = commission::Say(summary.why);
            object["error"] = why;
            env_.err << why << '\n' << std::flush;
        }
        object["done"] = summary.done;
        object["failed"] = summary.failed;
        if (kind == commission::SiteKind::Apply || kind == commission::SiteKind::Audit)
            object["not_done"] = summary.rowsLeft;
        print(object);
    }

    void card(const protocol::PolledEntry& entry, bool, const CardCheck* check) override {
        ordered_json object;
        object["ok"] = true;
        if (entry.keypad) {
            object["keypad"] = protocol::Latin1ToUtf8(entry.digits);
        } else {
            object["card"] = protocol::Latin1ToUtf8(entry.digits);
            // The value of eight digits; a short reply has no number to give.
            object["number"] = WholeCard(entry) ? ordered_json(entry.number) : ordered_json(nullptr);
            if (WholeCard(entry))
                object.update(CardViewsJson(commission::ViewsOf(entry.number)));
        }
        if (check) {
            ordered_json expect;
            expect["card"] = check->expected.text;
            expect["match"] = check->match.has_value();
            if (check->match) {
                static const char* const forms[] = {"number", "w26", "w34"};
                expect["view"] = forms[static_cast<int>(check->match->form)];
                expect["reversed"] = check->match->reversed;
                expect["swapped"] = check->match->swapped;
            }
            object["expect"] = expect;
        }
        print(object);
    }

    void enrolled(const commission::EnrolEvent& event) override {
        if (event.outcome != commission::EnrolOutcome::Added && event.outcome != commission::EnrolOutcome::Repeat)
            return;
        ordered_json object;
        object["ok"] = true;
        object["event"] = event.outcome == commission::EnrolOutcome::Added ? "added" : "again";
        object["name"] = event.card.name;
        object["card"] = commission::HexText(event.card.value);
        object["number"] = event.card.value;
        object.update(CardViewsJson(commission::ViewsOf(event.card.value)));
        if (event.outcome == commission::EnrolOutcome::Added)
            object["same_w26"] = event.sameW26 ? ordered_json(event.sameW26->name) : ordered_json(nullptr);
        print(object);
    }

    void enrolEnded(const commission::EnrolStatus& status, const std::string& path) override {
        ordered_json object;
        object["ok"] = true;
        object["added"] = status.added;
        object["repeats"] = status.repeats;
        object["collisions"] = status.collisions;
        object["listed"] = status.listed;
        object["out"] = path;
        print(object);
    }

    void changes(const ReaderSeen& reader, const commission::PlanRow& row,
                 const std::vector<commission::Change>& changes) override {
        ordered_json object;
        object["ok"] = true;
        object["door"] = row.door;
        object["serial"] = Text(reader.info.serial);
        object["port"] = reader.port;
        object["line"] = reader.line;
        ordered_json list = ordered_json::array();
        for (const commission::Change& change : changes) {
            ordered_json entry;
            entry["setting"] = commission::RowOf(change.setting).name;
            entry["now"] = Text(change.now);
            entry["planned"] = change.planned;
            list.push_back(entry);
        }
        object["changes"] = list;
        print(object);
    }

    void say(const std::string&) override {}

    void lineTest(const commission::LineTest& test) override {
        if (test.code != Code::None)
            return;
        ordered_json object;
        object["ok"] = commission::VerdictOf(test) == commission::LineVerdict::Pass;
        object.update(LineTestJson(test));
        print(object);
    }

    int lineTestFailed(const commission::LineTest& test, const std::string& message) override {
        return failWith(test.code, message, LineTestJson(test));
    }

    void ports(const std::vector<platform::PortInfo>& ports) override {
        for (const platform::PortInfo& port : ports) {
            ordered_json object;
            object["ok"] = true;
            object["port"] = port.portNo;
            object["device"] = TextOrNull(port.path);
            object["target"] = TextOrNull(port.target);
            object["byId"] = port.byId;
            object["byPath"] = TextOrNull(port.byPath);
            object["usb"] = TextOrNull(port.usbId);
            object["manufacturer"] = TextOrNull(port.manufacturer);
            object["product"] = TextOrNull(port.product);
            object["serial"] = TextOrNull(port.serial);
            object["friendlyName"] = TextOrNull(port.friendlyName);
            object["ambiguous"] = port.ambiguous;
            if (port.problem != platform::PortInfo::Problem::None)
                object["problem"] = PortProblem(port);
            print(object);
        }
    }

    void pinned(const platform::PinOutcome& pin, int) override {
        ordered_json where;
        if (pin.portNo > 0)
            where["port"] = pin.portNo;
        where["entry"] = TextOrNull(pin.entry);
        if (pin.error != platform::PinError::None) {
            failWith(Code::PinFailed, PinFailure(pin), where);
            return;
        }
        ordered_json object;
        object["ok"] = true;
        object.update(where);
        object["pinned"] = TextOrNull(pin.target);
        print(object);
    }

private:
    /// `fields` added to the failure's object.
    int failWith(Code code, const std::string& message, const ordered_json& fields) {
        ordered_json object;
        object["ok"] = false;
        object["code"] = commission::CodeName(code);
        object["error"] = message;
        object.update(fields);
        print(object);
        env_.err << ErrorLine(code, message) << '\n' << std::flush;
        return CtlFailed;
    }

    /// A USB device's strings and the paths of the ports are not trusted to be UTF-8.
    void print(const ordered_json& object) {
        env_.out << object.dump(-1, ' ', false, ordered_json::error_handler_t::replace) << '\n' << std::flush;
    }
};

} // namespace

void Reporter::signal(bool ok) {
    tone(ok ? operations::SuccessBeepHz : operations::FailureBeepHz);
}

void Reporter::lineTestStarted(const commission::ReaderSeen&, long long count) {
    lineTestCount_ = count;
}

void Reporter::lineTestStep(const commission::LineTest& sofar, long long count) {
    lineTestProgress(sofar, count, false);
}

void Reporter::lineTested(const commission::ReaderSeen&, const commission::LineTest& test) {
    if (test.sent > 0)
        lineTestProgress(test, lineTestCount_, true);
}

void Reporter::tone(unsigned hz) {
    env_.system.beep(hz, operations::SignalBeepMs);
    if (!env_.system.lastBeepHeard() && env_.bell)
        env_.bell();
}

void Reporter::lineTestProgress(const commission::LineTest& sofar, long long count, bool ended) {
    env_.err << '\r'
             << Format(localisation::ltProgress,
                       {commission::ComName(sofar.port), sofar.line, std::to_string(sofar.sent), std::to_string(count)})
             << (ended ? "\n" : "") << std::flush;
}

std::unique_ptr<Reporter> Reporter::Make(bool json, CtlEnvironment& environment) {
    if (json)
        return std::make_unique<JsonReporter>(environment);
    return std::make_unique<TextReporter>(environment);
}

} // namespace cli
