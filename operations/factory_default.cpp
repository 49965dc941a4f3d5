// Factory default: the defaults shown first, then one presence query and the whole default set per attempt.

#include "operations.h"

#include "protocol/commands.h"

namespace operations {

namespace {
constexpr int DefaultAttempts = 2;
constexpr int DefaultId = 1;
constexpr int DefaultKeys = 4;
constexpr char DefaultIdText[] = "01";
constexpr char DefaultKeysText[] = "04";
constexpr int DefaultMode = 0;    // Wiegand
constexpr int DefaultWiegand = 0; // 26 bits
constexpr int DefaultRs485 = 1;   // 32 bits
constexpr int DefaultParity = 0;
} // namespace

Result FactoryDefault(const Context& c, bool paritySupported) {
    Observer& observer = c.observer;
    readerlink::Link& link = c.link;
    Result result;
    result.port = c.reader.ComPortNo;
    result.message = localisation::txSetDefaultW26Error;
    EnterBusy(observer);
    if (!c.reader.ReaderFound) {
        result.message = localisation::txScanFirst;
        FailureSignal(observer, result.message);
        return result;
    }

    observer.scrollTo(Bar::Id, DefaultId);
    observer.panel(Panel::Id, DefaultIdText); // sbID may stand at 1 already, under a reader's "00"
    observer.select(List::BaudRate, protocol::DefaultBaudRateIndex);
    observer.select(List::Mode, DefaultMode);
    if (paritySupported)
        observer.select(List::Parity, DefaultParity);
    observer.select(List::Wiegand, DefaultWiegand);
    observer.select(List::Rs485, DefaultRs485);
    observer.scrollTo(Bar::Key, DefaultKeys);
    observer.panel(Panel::Key, DefaultKeysText); // it may still show the scan's count, which Key Num would send
    observer.message(localisation::Reason::Joined({localisation::txSetDefaultWiegand, "26"}, " "));

    bool success = false;
    if (link.OpenComPort(c.reader.ComPortNo, c.reader.ComSettings)) {
        for (int attempt = 0; attempt < DefaultAttempts && !success && !link.portGone(); ++attempt) {
            CommandPause(link);
            const std::optional<readerlink::Reply> info = QueryInfo(link);
            if (!info)
                continue;
            result.info.serial = protocol::ReplyBytes(info->text, protocol::SerialField);
            result.info.id = protocol::ReplyBytes(info->text, protocol::IdField);
            CommandPause(link);
            if (!link.SendCommand(protocol::SetIdCommand(*result.info.serial, DefaultIdText)))
                continue;
            CommandPause(link);
            if (!link.SendCommand(protocol::SetModeCommand(DefaultMode, DefaultWiegand, DefaultRs485)))
                continue;
            CommandPause(link);
            if (!link.SendCommand(protocol::SetKeysCommand(DefaultKeysText)))
                continue;
            // The pause is kept without parity too, and the parity answer never decides the outcome.
            CommandPause(link);
            if (paritySupported && link.SendCommand(protocol::SetParityCommand(DefaultParity)).outcome ==
                                       readerlink::ReplyOutcome::PortGone)
                break;
            CommandPause(link);
            success = link.SendCommand(protocol::SetLineCommand(protocol::DefaultBaudRateIndex)).valid();
        }
        result.portGone = link.portGone();
        link.CloseComPort();
    } else {
        result.openError = link.lastOpenError();
    }

    if (success) {
        // The reader now answers only at the default line setting.
        c.reader.SelectLineSetting(protocol::DefaultBaudRateIndex);
        result.outcome = Outcome::Done;
        result.message = localisation::txSetDefaultW26Ok;
        SuccessSignal(observer, result.message);
    } else {
        FailureSignal(observer, result.message);
    }
    result.line = c.reader.ComSettings;
    result.lineIndex = c.reader.BaudRateIndex;
    return result;
}

} // namespace operations
