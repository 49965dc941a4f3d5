#include "readerctl.h"

#include "cli/arguments.h"
#include "cli/ports.h"
#include "cli/report.h"
#include "link/link.h"
#include "localisation/language.h"
#include "localisation/message_table.h"
#include "operations/operations.h"
#include "protocol/commands.h"
#include "settings/settings.h"
#include "trace/trace_file.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>

namespace cli {

namespace {

using localisation::Text;
using nlohmann::ordered_json;
using operations::ReaderInfo;
using operations::Result;

/// A pause between two looks for a reader while --repeat waits, and between two polls of a reader it waits to
/// see go: short enough to feel immediate, long enough to leave the line quiet.
constexpr std::uint32_t RepeatPollMs = 500;
/// A reader counts as gone after this many unanswered polls in a row.
constexpr int GoneAfterPolls = 2;
constexpr int LastId = 99;

/// The list item a reply digit names, or the digit itself when it names none.
std::string Item(const std::string& digit, const char* const* items, int count) {
    const int index = digit.size() == 1 ? protocol::ReplyDigit(digit, 1, count) : -1;
    return index >= 0 ? items[index] : protocol::Latin1ToUtf8(digit);
}

std::string TwoDigits(int value) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d", value);
    return text;
}

/// The operations' steps as lines of progress: each message is printed once the next one comes; the last one of
/// an operation is its outcome, which the command prints from the result and drops here with settle().
class CtlObserver final : public operations::QuietObserver {
public:
    CtlObserver(const CtlInvocation& call, std::ostream& out, operations::ReaderState& reader)
        : call_(call), out_(out), reader_(reader) {}

    /// Nothing is printed while quiet (the read-back, the wait for the next reader).
    bool quiet = false;
    void settle() { last_.reset(); }

    void message(const std::string& text) override {
        if (last_ && !call_.json && !quiet)
            out_ << *last_ << '\n' << std::flush;
        last_ = text;
    }
    void cardRead(const protocol::PolledEntry& entry) override {
        if (call_.json) {
            ordered_json line;
            line["ok"] = true;
            if (entry.keypad) {
                line["keypad"] = protocol::Latin1ToUtf8(entry.digits);
            } else {
                line["card"] = protocol::Latin1ToUtf8(entry.digits);
                // The value of eight digits; a short reply has no number to give.
                line["number"] = entry.digits.size() == std::size_t(protocol::CardField.length())
                                     ? ordered_json(entry.number)
                                     : ordered_json(nullptr);
            }
            out_ << line.dump() << '\n';
        } else {
            out_ << operations::CardIdText(entry) << '\n';
        }
        out_ << std::flush;
        if (call_.count && ++entries_ >= *call_.count)
            reader_.CardReadActive = false;
    }

private:
    const CtlInvocation& call_;
    std::ostream& out_;
    operations::ReaderState& reader_;
    std::optional<std::string> last_;
    long long entries_ = 0;
};

/// What one reader is asked to take, as the reader reports the values back.
struct Asked {
    std::optional<std::string> id, keys, parity, mode;
    std::optional<int> line;
};

/// How commissioning one reader went.
struct Commissioned {
    Code code = Code::None;
    std::string error;
    Asked asked;
    ReaderInfo info;                 ///< what the operations learnt on the way (serial and ID of the presence query)
    std::optional<ReaderInfo> read;  ///< what reading back gave
    std::optional<std::string> note; ///< something the user should know, such as unknown parity support
    bool ok() const { return code == Code::None; }
};

class Ctl {
public:
    Ctl(const CtlInvocation& call, CtlEnvironment& environment, readerlink::LinkSetup& links, Record* record)
        : call_(call), env_(environment), record_(record), link_(links), observer_(call, environment.out, reader_) {}

    int run(const settings::LoadedSettings& loaded) {
        reader_.Load(loaded);
        if (call_.port > 0)
            reader_.ComPortNo = call_.port;
        if (call_.lineIndex)
            reader_.SelectLineSetting(*call_.lineIndex);
        switch (call_.command) {
        case CtlCommand::Ports:
            return ports();
        case CtlCommand::Scan:
            return scan();
        case CtlCommand::Set:
        case CtlCommand::Default:
            return call_.repeat ? repeat() : setOnce();
        case CtlCommand::Monitor:
            return monitor();
        case CtlCommand::Help:
        case CtlCommand::Version:
            break;
        }
        return CtlUsageError;
    }

private:
    operations::Context context() { return {link_, reader_, observer_}; }
    bool interrupted() const { return env_.interrupted(); }

    // ---- ports ----

    int ports() { return RunPorts(call_, platform::PortRoots{}, env_.out, env_.err); }

    // ---- scan ----

    operations::ScanOptions scanOptions(bool allLines) const {
        operations::ScanOptions options;
        options.locked = !allLines;
        options.allPortsAtOnce = true;
        options.interrupted = env_.interrupted;
        return options;
    }

    /// The scan's failure in words, with the hint that a locked scan tried one line setting only.
    std::string notFound(const Result& result, Code code) const {
        std::string text = operations::MessageText(result);
        if (code == Code::NotFound && !call_.allLines && call_.port == 0)
            text += std::string(" (tried ") + protocol::BaudRateTable[reader_.BaudRateIndex] +
                    " only; --all-lines tries all twelve line settings)";
        else if (const std::string cause = Cause(code, result.port, result.line); !cause.empty())
            text += ": " + cause;
        return text;
    }

    int scan() {
        operations::ScanOptions options = scanOptions(call_.allLines);
        options.onlyPort = call_.port;
        const Result result = operations::Scan(context(), env_.store, options);
        observer_.settle();
        const Code code = CodeOf(result, true);
        const bool reached = result.outcome != operations::Outcome::Failed;
        if (reached)
            record(result.port, result.line, result.info, code);
        if (code != Code::None) {
            ordered_json extra = ordered_json::object();
            if (reached) {
                extra["port"] = result.port;
                extra["line"] = result.line;
                extra.update(ReaderJson(result.info));
            }
            return fail(code, notFound(result, code), extra);
        }
        const ReaderInfo& info = result.info;
        if (call_.json) {
            ordered_json line;
            line["ok"] = true;
            line["port"] = result.port;
            line["line"] = result.line;
            line.update(ReaderJson(info));
            env_.out << line.dump() << '\n';
            return CtlDone;
        }
        std::ostream& out = env_.out;
        const auto text = [](const std::optional<std::string>& field) {
            return protocol::Latin1ToUtf8(field.value_or(""));
        };
        out << operations::MessageText(result) << '\n';
        out << Text(localisation::txSerialNo) << " : " << text(info.serial) << '\n';
        out << Text(localisation::txVersion) << " : " << text(info.version) << '\n';
        out << Text(localisation::txIdLabel) << " : " << text(info.id) << '\n';
        if (info.keys)
            out << Text(localisation::txKeyNum) << " : " << text(info.keys) << '\n';
        if (info.parity)
            out << Item(*info.parity, operations::ParityItems, operations::ParityItemCount) << '\n';
        if (info.mode && info.mode->size() == 3) {
            out << Item(info.mode->substr(0, 1), operations::ModeItems, operations::ModeItemCount) << ", "
                << Item(info.mode->substr(1, 1), operations::WiegandItems, operations::LengthItemCount) << ", "
                << Item(info.mode->substr(2, 1), operations::Rs485Items, operations::LengthItemCount) << '\n';
        }
        out << "COM" << result.port << " : " << result.line << '\n';
        return CtlDone;
    }

    /// The port of set, default and monitor: --port, the remembered one, or a scan when none is remembered.
    /// Nothing when the scan found no reader; the failure is reported then.
    std::optional<int> findPort() {
        if (reader_.ComPortNo > 0)
            return reader_.ComPortNo;
        const Result result = operations::Scan(context(), env_.store, scanOptions(call_.allLines));
        observer_.settle();
        if (result.outcome == operations::Outcome::Failed || result.outcome == operations::Outcome::Interrupted) {
            const Code code = CodeOf(result, true);
            fail(code, notFound(result, code));
            return std::nullopt;
        }
        if (!call_.json)
            env_.out << operations::MessageText(result) << '\n';
        scanned_ = result.info;
        return result.port;
    }

    // ---- set and default ----

    /// Each setting through the window's set sequence, the line setting last; the factory default as the
    /// window's. Then, unless --no-verify, the reader's information read again at its line setting now.
    Commissioned commission(int idOffset) {
        Commissioned job;
        bool stopped = false;
        reader_.ReaderFound = true; // the port stands for the window's scan; the presence query still decides
        const operations::Context c = context();
        const auto done = [&](const Result& result) {
            observer_.settle();
            if (result.info.serial)
                job.info.serial = result.info.serial;
            if (result.info.id)
                job.info.id = result.info.id;
            if (!call_.json)
                env_.out << operations::MessageText(result) << '\n';
            if (result.ok())
                return true;
            job.code = CodeOf(result, false);
            job.error = operations::MessageText(result);
            if (const std::string cause = Cause(job.code, result.port, result.line); !cause.empty())
                job.error += ": " + cause;
            return false;
        };

        if (call_.command == CtlCommand::Default) {
            job.asked = {"01", "04", "0", "001", protocol::DefaultBaudRateIndex};
            // The window sends "H00M0" only to a reader that answered its parity query.
            bool parity = true;
            if (scanned_ && scanned_->hasParity) {
                parity = *scanned_->hasParity;
            } else {
                job.note = "whether this reader has keycode parity is not known without a scan: \"H00M0\" is sent, "
                           "and its answer does not count";
                if (!call_.json)
                    env_.out << "Note: " << *job.note << '\n';
            }
            if (!parity)
                job.asked.parity.reset();
            if (!done(operations::FactoryDefault(c, parity)))
                return job;
            remember();
        } else {
            const CtlSetValue* line = nullptr;
            for (const CtlSetValue& value : call_.settings) {
                if (value.setting == CtlSetting::Line) {
                    line = &value;
                    continue;
                }
                if (interrupted()) {
                    stopped = true;
                    break;
                }
                Result result;
                switch (value.setting) {
                case CtlSetting::Id: {
                    const int id = value.number + (value.stepping ? idOffset : 0);
                    job.asked.id = TwoDigits(id);
                    result = operations::SetReaderId(c, *job.asked.id);
                    break;
                }
                case CtlSetting::Keys:
                    job.asked.keys = TwoDigits(value.number);
                    result = operations::SetKeyCount(c, *job.asked.keys);
                    break;
                case CtlSetting::Mode:
                    job.asked.mode =
                        std::to_string(value.mode) + std::to_string(value.wiegand) + std::to_string(value.rs485);
                    result = operations::SetMode(c, value.mode, value.wiegand, value.rs485);
                    break;
                case CtlSetting::Parity:
                    job.asked.parity = std::to_string(value.number);
                    result = operations::SetParity(c, value.number);
                    break;
                case CtlSetting::Line:
                    break;
                }
                if (!done(result))
                    return job;
            }
            // Last: the reader answers only at the new setting afterwards.
            stopped = stopped || (line && interrupted());
            if (line && !stopped) {
                job.asked.line = line->number;
                if (!done(operations::SetBaudRate(c, line->number)))
                    return job;
                remember();
            }
        }
        if (interrupted()) {
            // Ctrl-C waits for the command under way: a setting is never half sent.
            job.code = Code::Interrupted;
            job.error = stopped ? "interrupted: the settings after the one under way were not sent"
                                : "interrupted before reading back";
            return job;
        }
        if (call_.verify)
            verify(job);
        return job;
    }

    /// The reader now listens at a new line setting: the next run must find it there.
    void remember() {
        settings::SaveScanSettings(env_.store, reader_.ComPortNo, reader_.BaudRateIndex, reader_.ComSettings);
    }

    void verify(Commissioned& job) {
        // The window's pause before a command: a reader that has just changed its line setting needs it too.
        operations::CommandPause(link_);
        observer_.quiet = true;
        operations::ScanOptions options = scanOptions(false);
        options.onlyPort = reader_.ComPortNo;
        const Result result = operations::Scan(context(), env_.store, options);
        observer_.settle();
        observer_.quiet = false;
        const std::string where = "COM" + std::to_string(result.port) + " at " + result.line;
        if (result.outcome == operations::Outcome::Failed) {
            job.code = CodeOf(result, false);
            job.error = "reading back: " + Cause(job.code, result.port, result.line);
            return;
        }
        job.read = result.info;
        std::string differs;
        std::string same;
        const auto compare = [&](const char* name, const std::optional<std::string>& asked,
                                 const std::optional<std::string>& read) {
            if (!asked)
                return;
            const std::string got = read ? protocol::Latin1ToUtf8(*read) : std::string("nothing");
            if (read == asked)
                same += std::string(same.empty() ? "" : ", ") + name + " " + *asked;
            else
                differs += std::string(differs.empty() ? "" : ", ") + name + " " + got + ", not " + *asked;
        };
        compare("ID", job.asked.id, result.info.id);
        compare("keys", job.asked.keys, result.info.keys);
        compare("parity", job.asked.parity, result.info.parity);
        compare("mode", job.asked.mode, result.info.mode);
        if (job.asked.line)
            compare("line", std::string(protocol::BaudRateTable[*job.asked.line]), result.line);
        if (!differs.empty()) {
            job.code = Code::VerifyMismatch;
            job.error = "read back on " + where + ": " + differs;
        } else if (!call_.json) {
            env_.out << "Read back on " << where << ": " << same << (same.empty() ? "the reader answers" : ", as set")
                     << '\n';
        }
    }

    ordered_json commissionedJson(const Commissioned& job) const {
        ordered_json object;
        object["ok"] = job.ok();
        if (!job.ok()) {
            object["code"] = CodeName(job.code);
            object["error"] = job.error;
        }
        object["port"] = reader_.ComPortNo;
        object["line"] = reader_.ComSettings;
        object["serial"] = job.info.serial ? ordered_json(protocol::Latin1ToUtf8(*job.info.serial)) : nullptr;
        ordered_json asked = ordered_json::object();
        const auto add = [&](const char* name, const std::optional<std::string>& value) {
            if (value)
                asked[name] = *value;
        };
        add("id", job.asked.id);
        add("keys", job.asked.keys);
        add("parity", job.asked.parity);
        add("mode", job.asked.mode);
        if (job.asked.line)
            asked["line"] = protocol::BaudRateTable[*job.asked.line];
        object["asked"] = asked;
        object["read"] = job.read ? ReaderJson(*job.read) : ordered_json(nullptr);
        if (job.note)
            object["note"] = *job.note;
        return object;
    }

    void recordJob(const Commissioned& job) {
        ReaderInfo info = job.read.value_or(job.info);
        if (!info.serial)
            info.serial = job.info.serial;
        record(reader_.ComPortNo, reader_.ComSettings, info, job.code);
    }

    int setOnce() {
        if (!findPort())
            return CtlFailed;
        const Commissioned job = commission(0);
        recordJob(job);
        if (call_.json)
            env_.out << commissionedJson(job).dump() << '\n';
        if (job.ok())
            return CtlDone;
        env_.err << job.error << '\n';
        return CtlFailed;
    }

    // ---- one reader after another ----

    /// True when the reader on the current port and line setting answers the presence query.
    bool answers() {
        if (!link_.OpenComPort(reader_.ComPortNo, reader_.ComSettings))
            return false;
        const bool answered = operations::QueryInfo(link_).has_value();
        link_.CloseComPort();
        return answered;
    }

    void waitUntilGone() {
        for (int unanswered = 0; unanswered < GoneAfterPolls && !interrupted();) {
            unanswered = answers() ? 0 : unanswered + 1;
            env_.system.sleepMs(RepeatPollMs);
        }
    }

    int repeat() {
        std::set<std::string> doneSerials;
        int done = 0;
        int failed = 0;
        if (!call_.json)
            env_.out << "Waiting for a reader on " << (call_.port ? "COM" + std::to_string(call_.port) : "any port")
                     << "; Ctrl-C ends" << std::endl;
        while (!interrupted()) {
            // A fresh reader may answer at any line setting, the factory default most likely.
            reader_.ComPortNo = 0;
            operations::ScanOptions options = scanOptions(true);
            if (call_.port > 0)
                options.firstPort = options.lastPort = call_.port;
            observer_.quiet = true;
            const Result found = operations::Scan(context(), env_.store, options);
            observer_.settle();
            observer_.quiet = false;
            if (interrupted())
                break;
            if (found.outcome == operations::Outcome::Failed) {
                env_.system.sleepMs(RepeatPollMs);
                continue;
            }
            const std::string serial = found.info.serial.value_or("");
            if (doneSerials.count(serial)) {
                waitUntilGone(); // the last reader, still connected
                continue;
            }
            int idOffset = done;
            for (const CtlSetValue& value : call_.settings) {
                if (value.setting == CtlSetting::Id && value.stepping && value.number + done > LastId)
                    idOffset = -1;
            }
            if (idOffset < 0)
                return fail(Code::Usage, "no reader ID is left after " + std::to_string(LastId));
            scanned_ = found.info;
            if (!call_.json)
                env_.out << "Reader " << protocol::Latin1ToUtf8(serial) << " on COM" << found.port << " at "
                         << found.line << std::endl;
            const Commissioned job = commission(idOffset);
            recordJob(job);
            if (call_.json) {
                env_.out << commissionedJson(job).dump() << std::endl;
            } else {
                env_.out << "Reader " << protocol::Latin1ToUtf8(serial) << ": "
                         << (job.ok() ? std::string("done; the next reader, please") : "failed: " + job.error)
                         << std::endl;
            }
            env_.system.beep(job.ok() ? operations::SuccessBeepHz : operations::FailureBeepHz,
                             operations::SignalBeepMs);
            if (job.ok()) {
                ++done;
                doneSerials.insert(serial);
            } else {
                ++failed;
            }
            waitUntilGone();
        }
        if (call_.json) {
            ordered_json summary;
            summary["ok"] = true;
            summary["done"] = done;
            summary["failed"] = failed;
            env_.out << summary.dump() << '\n';
        } else {
            env_.out << done << (done == 1 ? " reader" : " readers") << " done, " << failed << " failed\n";
        }
        return CtlDone;
    }

    // ---- monitor ----

    int monitor() {
        if (!findPort())
            return CtlFailed;
        // The port stands for the window's scan; a reader that does not answer ends the polling at once.
        reader_.ReaderFound = true;
        link_.setup().messagePump = [this] {
            if (interrupted())
                reader_.CardReadActive = false;
        };
        const Result result = operations::ReadCards(context());
        link_.setup().messagePump = {};
        observer_.settle();
        if (result.ok())
            return CtlDone;
        const Code code = CodeOf(result, false);
        std::string text = operations::MessageText(result);
        if (const std::string cause = Cause(code, result.port, result.line); !cause.empty())
            text += ": " + cause;
        return fail(code, text);
    }

    // ---- reporting ----

    void record(int port, const std::string& line, const ReaderInfo& info, Code code) {
        if (!record_)
            return;
        if (!record_->add({port, line, info, code == Code::None, code}) && !recordFailed_) {
            recordFailed_ = true;
            env_.err << "readerctl: warning: the record file cannot be written to\n";
        }
    }

    /// The message on standard error, and as a JSON object with --json.
    int fail(Code code, const std::string& message, const ordered_json& extra = ordered_json::object()) {
        std::string text = message;
        if (interrupted() && code != Code::Interrupted)
            text += " (interrupted)";
        if (call_.json) {
            ordered_json line;
            line["ok"] = false;
            line["code"] = CodeName(interrupted() ? Code::Interrupted : code);
            line["error"] = text;
            line.update(extra);
            env_.out << line.dump() << '\n';
        }
        env_.err << text << '\n';
        return CtlFailed;
    }

    const CtlInvocation& call_;
    CtlEnvironment& env_;
    Record* record_;
    operations::ReaderState reader_;
    readerlink::Link link_;
    CtlObserver observer_;
    std::optional<ReaderInfo> scanned_; ///< what a scan of this run read of the reader
    bool recordFailed_ = false;
};

} // namespace

int RunReaderctl(const std::vector<std::string>& args, CtlEnvironment& environment) {
    const CtlParse parse = ParseCtlArguments(args);
    if (!parse.invocation) {
        // A script that asked for JSON gets its object even for a command line it got wrong.
        if (std::find(args.begin(), args.end(), "--json") != args.end()) {
            ordered_json line;
            line["ok"] = false;
            line["code"] = CodeName(Code::Usage);
            line["error"] = parse.error;
            environment.out << line.dump() << '\n';
        }
        environment.err << "readerctl: " << parse.error << "; see 'readerctl --help'\n";
        return CtlUsageError;
    }
    const CtlInvocation& call = *parse.invocation;
    if (call.command == CtlCommand::Help) {
        environment.out << call.help;
        return CtlDone;
    }
    if (call.command == CtlCommand::Version) {
        environment.out << "readerctl " << READERCONFIG_VERSION << '\n';
        return CtlDone;
    }

    readerlink::LinkSetup links(environment.system);
    std::unique_ptr<trace::TraceFile> trace;
    std::unique_ptr<Record> record;
    std::string error;
    if (!call.tracePath.empty()) {
        trace = trace::TraceFile::Open(call.tracePath, "readerctl", environment.system, error);
        if (!trace) {
            environment.err << "readerctl: " << error << '\n';
            return CtlUsageError;
        }
        trace->onWriteError = [&environment](const std::string& path) {
            environment.err << "readerctl: warning: the trace file " << path
                            << " cannot be written to; the trace stops here\n";
        };
        links.trace = trace.get();
    }
    if (!call.recordPath.empty() && !(record = Record::Open(call.recordPath, error))) {
        environment.err << "readerctl: " << error << '\n';
        return CtlUsageError;
    }

    // Messages in the saved language, or the one asked for. A script reading JSON gets English unless it asks,
    // whatever language was last chosen in the window.
    const settings::LoadedSettings loaded = settings::LoadSettings(environment.store);
    localisation::UseSavedLanguage(loaded.LanguageName);
    if (call.json)
        localisation::SelectLanguage(localisation::LanguageEnglish);
    if (call.language)
        localisation::SelectLanguage(*call.language); // for this run only: the saved language is the window's

    // A port that does not open says why only here, once per reason; the result carries the reason too.
    links.openErrorReport = platform::OpenAdviceOnce(
        [&](const std::string& advice) { environment.err << "readerctl: " << advice << '\n'; });
    const int status = Ctl(call, environment, links, record.get()).run(loaded);
    environment.out << std::flush;
    return status;
}

} // namespace cli
