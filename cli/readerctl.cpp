#include "readerctl.h"

#include "cli/arguments.h"
#include "link/link.h"
#include "localisation/language.h"
#include "localisation/message_table.h"
#include "operations/operations.h"
#include "platform/com_ports.h"
#include "settings/settings.h"
#include "trace/json.h"
#include "trace/trace_file.h"

#include <memory>
#include <optional>

namespace {

using operations::Lamp;
using operations::ReaderInfo;

/// The list item a reply digit names, or the digit itself when it names none.
std::string Item(const std::string& digit, const char* const* items, int count) {
    const int index = digit.size() == 1 ? ReplyDigit(digit, 1, count) : -1;
    return index >= 0 ? items[index] : Latin1ToUtf8(digit);
}

/// What the operations report, as lines: progress messages as they come, the last one as the outcome.
class CtlObserver final : public operations::Observer {
public:
    CtlObserver(const CtlInvocation& call, std::ostream& out) : call_(call), out_(out) {}

    void message(const std::string& text) override {
        // A message is progress once another follows it; the last one is the outcome, printed by finish().
        if (last_ && !call_.json && *last_ != printed_) {
            out_ << *last_ << '\n' << std::flush;
            printed_ = *last_;
        }
        last_ = text;
    }
    void panel(operations::Panel, const std::string&) override {}
    void select(operations::List, int) override {}
    void parityEnabled(bool) override {}
    void scrollTo(operations::Bar, int) override {}
    void commLamp(Lamp colour) override { lamp_ = colour; }
    void cardLamp(bool) override {}
    void beep(unsigned, unsigned) override {}
    void busy(operations::Busy) override {}
    void waitCursor(bool) override {}
    void cardReading(bool) override {}
    void cardRead(const PolledEntry& entry) override {
        if (call_.json) {
            JsonLine line;
            if (entry.keypad)
                line.add("keys", entry.characters);
            else
                line.add("card", entry.characters).add("number", entry.number);
            out_ << line.str() << '\n';
        } else {
            out_ << operations::CardIdText(entry) << '\n';
        }
        out_ << std::flush;
        if (call_.count && ++entries_ >= *call_.count)
            operations::StopCardReading();
    }
    void readerInfo(const ReaderInfo& info) override { info_ = info; }

    bool succeeded() const { return lamp_ == Lamp::Yellow; }
    const std::optional<std::string>& outcome() const { return last_; }
    const std::optional<ReaderInfo>& info() const { return info_; }

private:
    const CtlInvocation& call_;
    std::ostream& out_;
    std::optional<std::string> last_;
    std::string printed_;
    std::optional<Lamp> lamp_;
    std::optional<ReaderInfo> info_;
    long long entries_ = 0;
};

class Ctl {
public:
    Ctl(const CtlInvocation& call, CtlEnvironment& environment)
        : call_(call), env_(environment), observer_(call, environment.out) {}

    int run() {
        switch (call_.command) {
        case CtlCommand::Ports:
            return ports();
        case CtlCommand::Scan:
            return scan();
        case CtlCommand::Set:
        case CtlCommand::Default:
        case CtlCommand::Monitor:
            return onRememberedPort();
        case CtlCommand::Help:
        case CtlCommand::Version:
            break;
        }
        return CtlUsageError;
    }

private:
    int ports() {
        for (int portNo = 1; portNo <= platform::MaxComPort; ++portNo) {
            const std::string device = platform::DescribeComPort(portNo);
            if (call_.json) {
                env_.out << JsonLine()
                                .add("port", portNo)
                                .addOptional("device", device.empty() ? std::nullopt : std::optional(device))
                                .str()
                         << '\n';
            } else {
                env_.out << "COM" << portNo << (portNo < 10 ? "   " : "  ") << (device.empty() ? "-" : device) << '\n';
            }
        }
        return CtlDone;
    }

    int scan() {
        operations::ScanOptions options;
        options.locked = !call_.allLines;
        options.onlyPort = call_.port;
        options.interrupted = env_.interrupted;
        operations::Scan(observer_, env_.store, options);
        if (!observer_.succeeded() || env_.interrupted())
            return fail();
        const ReaderInfo& info = *observer_.info();
        if (call_.json) {
            env_.out << JsonLine()
                            .add("port", ComPortNo)
                            .add("line", ComSettings)
                            .add("serial", info.serial)
                            .addOptional("version", info.version)
                            .add("id", info.id)
                            .addOptional("keys", info.keys)
                            .addOptional("parity", info.parity)
                            .addOptional("mode", info.mode)
                            .str()
                     << '\n';
            return CtlDone;
        }
        std::ostream& out = env_.out;
        out << *observer_.outcome() << '\n';
        out << Text(txSerialNo) << " : " << Latin1ToUtf8(info.serial) << '\n';
        out << Text(txVersion) << " : " << Latin1ToUtf8(info.version.value_or("")) << '\n';
        out << Text(txIdLabel) << " : " << Latin1ToUtf8(info.id) << '\n';
        if (info.keys)
            out << Text(txKeyNum) << " : " << Latin1ToUtf8(*info.keys) << '\n';
        if (info.parity)
            out << Item(*info.parity, operations::ParityItems, operations::ParityItemCount) << '\n';
        if (info.mode && info.mode->size() == 3) {
            out << Item(info.mode->substr(0, 1), operations::ModeItems, operations::ModeItemCount) << ", "
                << Item(info.mode->substr(1, 1), operations::WiegandItems, operations::LengthItemCount) << ", "
                << Item(info.mode->substr(2, 1), operations::Rs485Items, operations::LengthItemCount) << '\n';
        }
        out << "COM" << ComPortNo << " : " << ComSettings << '\n';
        return CtlDone;
    }

    int onRememberedPort() {
        if (ComPortNo <= 0) {
            return fail("no reader is remembered: run 'readerctl scan' first, or give --port");
        }
        // The window runs these only after a scan found the reader; here the remembered port stands for it,
        // and the set commands' own presence query tells whether the reader is there.
        ReaderFound = true;
        if (call_.command == CtlCommand::Monitor) {
            SetMessagePump([this] {
                if (env_.interrupted())
                    operations::StopCardReading();
            });
            operations::ReadCards(observer_);
            SetMessagePump({});
        } else if (call_.command == CtlCommand::Default) {
            // Whether the reader has keycode parity is not known without a scan: "H00M0" is sent in any case,
            // and its answer never decides the outcome.
            operations::FactoryDefault(observer_, true);
        } else {
            set();
        }
        if (!observer_.succeeded())
            return fail();
        if (call_.command == CtlCommand::Monitor)
            return CtlDone;
        if (call_.json)
            env_.out << JsonLine().add("ok", true).str() << '\n';
        else if (observer_.outcome())
            env_.out << *observer_.outcome() << '\n';
        return CtlDone;
    }

    void set() {
        const std::string& value = call_.value;
        switch (call_.setting) {
        case CtlSetting::Id:
            operations::SetReaderId(observer_, value);
            break;
        case CtlSetting::Keys:
            operations::SetKeyCount(observer_, value);
            break;
        case CtlSetting::Line:
            operations::SetBaudRate(observer_, std::stoi(value));
            break;
        case CtlSetting::Mode:
            operations::SetMode(observer_, value[0] - '0', value[1] - '0', value[2] - '0');
            break;
        case CtlSetting::Parity:
            operations::SetParity(observer_, value[0] - '0');
            break;
        }
    }

    /// The outcome message, or `message` when given, on standard error (and as a JSON object with --json).
    int fail(const std::string& message = {}) {
        std::string text = message.empty() ? observer_.outcome().value_or(Text(txReaderNotFound)) : message;
        if (env_.interrupted())
            text += " (interrupted)";
        if (call_.json)
            env_.out << JsonLine().add("ok", false).add("error", text).str() << '\n';
        env_.err << text << '\n';
        return CtlFailed;
    }

    const CtlInvocation& call_;
    CtlEnvironment& env_;
    CtlObserver observer_;
};

} // namespace

int RunReaderctl(const std::vector<std::string>& args, CtlEnvironment& environment) {
    const CtlParse parse = ParseCtlArguments(args);
    if (!parse.invocation) {
        environment.err << "readerctl: " << parse.error << "; see 'readerctl --help'\n";
        return CtlUsageError;
    }
    const CtlInvocation& call = *parse.invocation;
    if (call.command == CtlCommand::Help) {
        environment.out << CtlUsage;
        return CtlDone;
    }
    if (call.command == CtlCommand::Version) {
        environment.out << "readerctl " << READERCONFIG_VERSION << '\n';
        return CtlDone;
    }

    std::unique_ptr<TraceFile> trace;
    if (!call.tracePath.empty()) {
        std::string error;
        trace = TraceFile::Open(call.tracePath, "readerctl", error);
        if (!trace) {
            environment.err << "readerctl: " << error << '\n';
            return CtlUsageError;
        }
    }

    ApplySettings(LoadSettings(environment.store));
    if (call.language)
        SelectLanguage(*call.language); // for this run only: the saved language is the window's to change
    ReaderFound = false;
    CardReadActive = false;
    if (call.port > 0)
        ComPortNo = call.port;
    if (call.lineIndex)
        SelectLineSetting(*call.lineIndex);

    // A port that does not open says why only here, once per reason: the operations report "not found".
    ReportOpenAdviceOnce([&](const std::string& advice) { environment.err << "readerctl: " << advice << '\n'; });
    SetTraceSink(trace.get());
    const int status = Ctl(call, environment).run();
    SetTraceSink(nullptr);
    ReportOpenAdviceOnce({});
    environment.out << std::flush;
    return status;
}
