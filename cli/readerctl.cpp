#include "readerctl.h"

#include "cli/arguments.h"
#include "link/link.h"
#include "localisation/language.h"
#include "localisation/message_table.h"
#include "operations/operations.h"
#include "platform/com_ports.h"
#include "settings/settings.h"
#include "trace/trace_file.h"

#include <algorithm>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>

namespace cli {

namespace {

using localisation::Text;
using nlohmann::ordered_json;
using operations::ReaderInfo;
using operations::Result;

/// The list item a reply digit names, or the digit itself when it names none.
std::string Item(const std::string& digit, const char* const* items, int count) {
    const int index = digit.size() == 1 ? protocol::ReplyDigit(digit, 1, count) : -1;
    return index >= 0 ? items[index] : protocol::Latin1ToUtf8(digit);
}

/// A reader's field as JSON: the text as the reader sent it, null when it was not read.
ordered_json Field(const std::optional<std::string>& field) {
    return field ? ordered_json(protocol::Latin1ToUtf8(*field)) : ordered_json(nullptr);
}

/// The operations' steps as lines: each message is progress once another follows it; the last one is the
/// outcome, which the command prints from its result.
class CtlObserver final : public operations::Observer {
public:
    CtlObserver(const CtlInvocation& call, std::ostream& out, operations::ReaderState& reader)
        : call_(call), out_(out), reader_(reader) {}

    void message(const std::string& text) override {
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
    void commLamp(operations::Lamp) override {}
    void cardLamp(bool) override {}
    void beep(unsigned, unsigned) override {}
    void busy(operations::Busy) override {}
    void waitCursor(bool) override {}
    void cardReading(bool) override {}
    void cardRead(const protocol::PolledEntry& entry) override {
        if (call_.json) {
            ordered_json line;
            if (entry.keypad) {
                line["keys"] = protocol::Latin1ToUtf8(entry.characters);
            } else {
                line["card"] = protocol::Latin1ToUtf8(entry.characters);
                line["number"] = entry.number;
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
    std::string printed_;
    long long entries_ = 0;
};

class Ctl {
public:
    Ctl(const CtlInvocation& call, CtlEnvironment& environment, readerlink::LinkSetup& links)
        : call_(call), env_(environment), link_(links), observer_(call, environment.out, reader_) {}

    int run() {
        reader_.Load(settings::LoadSettings(env_.store));
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
        case CtlCommand::Monitor:
            return onRememberedPort();
        case CtlCommand::Help:
        case CtlCommand::Version:
            break;
        }
        return CtlUsageError;
    }

private:
    operations::Context context() { return {link_, reader_, observer_}; }

    int ports() {
        for (int portNo = 1; portNo <= platform::MaxComPort; ++portNo) {
            const std::string device = platform::DescribeComPort(portNo);
            if (call_.json) {
                ordered_json line;
                line["port"] = portNo;
                line["device"] = device.empty() ? ordered_json(nullptr) : ordered_json(device);
                env_.out << line.dump() << '\n';
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
        options.allPortsAtOnce = true;
        options.interrupted = env_.interrupted;
        const Result result = operations::Scan(context(), env_.store, options);
        if (!result.ok())
            return fail(result);
        const ReaderInfo& info = result.info;
        if (call_.json) {
            ordered_json line;
            line["port"] = result.port;
            line["line"] = result.line;
            line["serial"] = Field(info.serial);
            line["version"] = Field(info.version);
            line["id"] = Field(info.id);
            line["keys"] = Field(info.keys);
            line["parity"] = Field(info.parity);
            line["mode"] = Field(info.mode);
            env_.out << line.dump() << '\n';
            return CtlDone;
        }
        std::ostream& out = env_.out;
        out << operations::MessageText(result) << '\n';
        out << Text(localisation::txSerialNo) << " : " << protocol::Latin1ToUtf8(info.serial.value_or("")) << '\n';
        out << Text(localisation::txVersion) << " : " << protocol::Latin1ToUtf8(info.version.value_or("")) << '\n';
        out << Text(localisation::txIdLabel) << " : " << protocol::Latin1ToUtf8(info.id.value_or("")) << '\n';
        if (info.keys)
            out << Text(localisation::txKeyNum) << " : " << protocol::Latin1ToUtf8(*info.keys) << '\n';
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

    int onRememberedPort() {
        if (reader_.ComPortNo <= 0)
            return fail("no reader is remembered: run 'readerctl scan' first, or give --port");
        // The window runs these only after a scan found the reader; here the remembered port stands for it,
        // and the set commands' own presence query tells whether the reader is there.
        reader_.ReaderFound = true;
        Result result;
        if (call_.command == CtlCommand::Monitor) {
            link_.setup().messagePump = [this] {
                if (env_.interrupted())
                    reader_.CardReadActive = false;
            };
            result = operations::ReadCards(context());
            link_.setup().messagePump = {};
            return result.ok() ? CtlDone : fail(result);
        }
        if (call_.command == CtlCommand::Default) {
            // Whether the reader has keycode parity is not known without a scan: "H00M0" is sent in any case,
            // and its answer never decides the outcome.
            result = operations::FactoryDefault(context(), true);
        } else {
            result = set();
        }
        if (!result.ok())
            return fail(result);
        if (call_.json)
            env_.out << ordered_json{{"ok", true}}.dump() << '\n';
        else
            env_.out << operations::MessageText(result) << '\n';
        return CtlDone;
    }

    /// The settings one after another, the line settings last so that the others still go at the line settings
    /// the reader answers at. The first failure ends it.
    Result set() {
        std::vector<CtlSetValue> settings = call_.settings;
        std::stable_partition(settings.begin(), settings.end(),
                              [](const CtlSetValue& value) { return value.setting != CtlSetting::Line; });
        Result result;
        for (const CtlSetValue& value : settings) {
            result = set(value);
            if (!result.ok())
                break;
        }
        return result;
    }

    Result set(const CtlSetValue& value) {
        // The ID and the key count go as the window's captions show them: two digits.
        const std::string digits = (value.number < 10 ? "0" : "") + std::to_string(value.number);
        switch (value.setting) {
        case CtlSetting::Id:
            return operations::SetReaderId(context(), digits);
        case CtlSetting::Keys:
            return operations::SetKeyCount(context(), digits);
        case CtlSetting::Line:
            return operations::SetBaudRate(context(), value.number);
        case CtlSetting::Mode:
            return operations::SetMode(context(), value.mode, value.wiegand, value.rs485);
        case CtlSetting::Parity:
            break;
        }
        return operations::SetParity(context(), value.number);
    }

    int fail(const Result& result) { return fail(operations::MessageText(result)); }

    /// The message on standard error (and as a JSON object with --json).
    int fail(std::string text) {
        if (env_.interrupted())
            text += " (interrupted)";
        if (call_.json) {
            ordered_json line;
            line["ok"] = false;
            line["error"] = text;
            env_.out << line.dump() << '\n';
        }
        env_.err << text << '\n';
        return CtlFailed;
    }

    const CtlInvocation& call_;
    CtlEnvironment& env_;
    operations::ReaderState reader_;
    readerlink::Link link_;
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
        environment.out << call.help;
        return CtlDone;
    }
    if (call.command == CtlCommand::Version) {
        environment.out << "readerctl " << READERCONFIG_VERSION << '\n';
        return CtlDone;
    }

    readerlink::LinkSetup links(environment.system);
    std::unique_ptr<trace::TraceFile> trace;
    if (!call.tracePath.empty()) {
        std::string error;
        trace = trace::TraceFile::Open(call.tracePath, "readerctl", environment.system, error);
        if (!trace) {
            environment.err << "readerctl: " << error << '\n';
            return CtlUsageError;
        }
        links.trace = trace.get();
    }

    const settings::LoadedSettings loaded = settings::LoadSettings(environment.store);
    localisation::UseSavedLanguage(loaded.LanguageName);
    if (call.language)
        localisation::SelectLanguage(*call.language); // for this run only: the saved language is the window's

    // A port that does not open says why only here, once per reason: the operations report "not found".
    links.openErrorReport = platform::OpenAdviceOnce(
        [&](const std::string& advice) { environment.err << "readerctl: " << advice << '\n'; });
    const int status = Ctl(call, environment, links).run();
    environment.out << std::flush;
    return status;
}

} // namespace cli
