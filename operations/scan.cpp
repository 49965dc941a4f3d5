// The reader scan: the remembered port first, then COM1 to COM16 at one or all twelve line settings (one port
// after another, or every port at once), then the reader's information.

#include "operations.h"

#include "protocol/commands.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

namespace operations {

using localisation::Text;
using readerlink::Link;
using readerlink::Reply;

namespace {

constexpr int RememberedPortTries = 3;
constexpr int SearchTries = 2;
constexpr int InfoPasses = 2;

localisation::Reason ScanComMessage(int portNo) {
    return localisation::Reason::Joined({localisation::txScanCom, " : #" + std::to_string(portNo)}, "");
}

bool Interrupted(const ScanOptions& options) {
    return options.interrupted && options.interrupted();
}

/// The line settings a port of the search steps through: the locked one, or the whole table.
std::vector<int> SearchedLines(const ScanOptions& options, int baudRateIndex) {
    if (options.locked) {
        // BaudRateIndex is 0..11 from load on, but a locked scan must never index outside the table.
        const bool valid = baudRateIndex >= 0 && baudRateIndex < protocol::BaudRateCount;
        return {valid ? baudRateIndex : protocol::DefaultBaudRateIndex};
    }
    std::vector<int> lines(protocol::BaudRateCount);
    for (int index = 0; index < protocol::BaudRateCount; ++index)
        lines[static_cast<std::size_t>(index)] = index;
    return lines;
}

/// Where the search found the reader; false when it could not be saved.
bool Found(const Context& c, platform::SettingsStore& store, int portNo, int index) {
    c.reader.ComPortNo = portNo;
    c.reader.SelectLineSetting(index);
    return settings::SaveScanSettings(store, c.reader.ComPortNo, c.reader.BaudRateIndex, c.reader.ComSettings);
}

/// Once the scan found the reader: its information from `info` (the answered "H00B") and the later queries,
/// and the scan's outcome.
void ReadReaderInfo(const Context& c, const Reply& info, const ScanOptions& options, Result& result) {
    Observer& observer = c.observer;
    Link& link = c.link;
    const int portNo = c.reader.ComPortNo;
    observer.select(List::BaudRate, c.reader.BaudRateIndex);
    ReaderInfo& read = result.info;
    read.serial = protocol::ReplyBytes(info.text, protocol::SerialField);
    read.id = protocol::ReplyBytes(info.text, protocol::IdField);
    observer.panel(Panel::Serial,
                   std::string(Text(localisation::txSerialNo)) + " : " + protocol::Latin1ToUtf8(*read.serial));
    // An ID that is not two decimal digits makes the information incomplete. "00" lies below sbID's range: sbID
    // stands at 1 and pnID, written after it, keeps "00" until sbID is moved.
    const bool idValid = protocol::ReplyDigits(info.received, protocol::IdField);
    if (idValid)
        observer.scrollTo(Bar::Id, std::max(1, std::stoi(*read.id)));
    observer.panel(Panel::Id, protocol::Latin1ToUtf8(*read.id));

    bool complete = false;
    // A port that went away ends the reading at once, without the pause before the next command.
    if (idValid && link.OpenComPort(portNo, c.reader.ComSettings)) {
        for (int pass = 0; pass < InfoPasses && !Interrupted(options) && !link.portGone(); ++pass) {
            CommandPause(link);
            // A reply to another command (a late one, come in this command's wait) counts as none.
            const Reply version = link.SendCommand(protocol::Query(protocol::Command::Version));
            if (!Answers(version, protocol::Command::Version))
                continue;
            read.version = protocol::ReplyBytes(version.text, protocol::VersionField);
            observer.panel(Panel::Version,
                           std::string(Text(localisation::txVersion)) + " : " + protocol::Latin1ToUtf8(*read.version));

            if (link.portGone())
                break;
            CommandPause(link);
            if (Interrupted(options))
                break;
            if (const Reply keys = link.SendCommand(protocol::Query(protocol::Command::Keys));
                Answers(keys, protocol::Command::Keys)) {
                read.keys = protocol::ReplyBytes(keys.text, protocol::KeyCountField);
                observer.panel(Panel::Key, protocol::Latin1ToUtf8(*read.keys));
            }

            if (link.portGone())
                break;
            CommandPause(link);
            if (Interrupted(options))
                break;
            // A parity or mode field that is not decimal digits makes the information incomplete; the fields that
            // were good stay shown.
            bool wellFormed = true;
            const Reply parity = link.SendCommand(protocol::Query(protocol::Command::Parity));
            const bool hasParity = Answers(parity, protocol::Command::Parity);
            read.hasParity = hasParity;
            if (hasParity) {
                wellFormed = protocol::ReplyDigits(parity.received, protocol::ParityField);
                read.parity = protocol::ReplyBytes(parity.text, protocol::ParityField);
                observer.select(List::Parity,
                                protocol::ReplyDigit(parity.text, protocol::ParityField.first, ParityItemCount));
                observer.parityEnabled(true);
            } else {
                observer.select(List::Parity, 1);
                observer.parityEnabled(false);
            }
            // The rule for an unanswered parity query holds for an adapter pulled during it, too.
            if (link.portGone())
                break;

            CommandPause(link);
            if (Interrupted(options))
                break;
            if (const Reply mode = link.SendCommand(protocol::Query(protocol::Command::Mode));
                Answers(mode, protocol::Command::Mode)) {
                read.mode = protocol::ReplyBytes(mode.text, protocol::ModeField);
                observer.select(List::Mode, protocol::ReplyDigit(mode.text, protocol::ModeDigit, ModeItemCount));
                observer.select(List::Wiegand,
                                protocol::ReplyDigit(mode.text, protocol::WiegandDigit, LengthItemCount));
                observer.select(List::Rs485, protocol::ReplyDigit(mode.text, protocol::Rs485Digit, LengthItemCount));
                if (wellFormed && protocol::ReplyDigits(mode.received, protocol::ModeField)) {
                    observer.message(Message(localisation::txInfoOk, portNo));
                    c.reader.ReaderFound = true;
                    observer.busy(Busy::Off);
                    observer.commLamp(Lamp::Yellow);
                    complete = true;
                }
            }
            break;
        }
        result.portGone = link.portGone();
        link.CloseComPort();
    }

    if (complete) {
        observer.beep(SuccessBeepHz, SignalBeepMs);
        result.outcome = Outcome::Done;
        result.message = localisation::txInfoOk;
    } else {
        observer.message(Message(localisation::txInfoError, portNo));
        observer.busy(Busy::Off);
        observer.commLamp(Lamp::Red);
        observer.beep(FailureBeepHz, SignalBeepMs);
        result.outcome = Interrupted(options) ? Outcome::Interrupted : Outcome::Incomplete;
        result.message = localisation::txInfoError;
    }
}

/// The remembered port's tries (or those of the one port asked for): the answered "H00B", if any.
std::optional<Reply> TryRemembered(const Context& c, int portNo, const ScanOptions& options, Result& result) {
    std::optional<Reply> answer;
    c.observer.select(List::BaudRate, c.reader.BaudRateIndex);
    if (c.link.OpenComPort(portNo, c.reader.ComSettings)) {
        c.observer.message(ScanComMessage(portNo));
        for (int attempt = 0; attempt < RememberedPortTries && !answer && !Interrupted(options) && !c.link.portGone();
             ++attempt)
            answer = QueryInfo(c.link);
        result.portGone = c.link.portGone();
        c.link.CloseComPort();
    } else {
        result.openError = c.link.lastOpenError();
    }
    return answer;
}

/// COM1 to COM16 one after another, as the window shows it.
std::optional<Reply> SearchInTurn(const Context& c, platform::SettingsStore& store, const ScanOptions& options,
                                  Result& result) {
    const std::vector<int> lines = SearchedLines(options, c.reader.BaudRateIndex);
    for (int portNo = options.firstPort; portNo <= options.lastPort && !Interrupted(options); ++portNo) {
        for (const int index : lines) {
            c.observer.select(List::BaudRate, index);
            if (!c.link.OpenComPort(portNo, protocol::BaudRateTable[index]))
                break; // a port that does not open is tried once
            c.observer.message(ScanComMessage(portNo));
            std::optional<Reply> answer;
            for (int attempt = 0; attempt < SearchTries && !answer && !Interrupted(options) && !c.link.portGone();
                 ++attempt)
                answer = QueryInfo(c.link);
            if (answer)
                result.notSaved = !Found(c, store, portNo, index);
            c.link.CloseComPort();
            if (answer || Interrupted(options))
                return answer;
            if (c.link.portGone())
                break; // the next port
        }
    }
    return std::nullopt;
}

/// One port of the search at once: where it stands in its line settings.
struct Probe {
    Probe(readerlink::LinkSetup& setup, int port) : link(setup), portNo(port) {}
    Link link;
    int portNo;
    std::size_t line = 0;         ///< the entry of the searched lines being tried
    int round = 0;                ///< each round gives every line setting one try
    bool opened = false;          ///< its port opened at least once
    bool done = false;            ///< through its rounds
    std::uint32_t lookedAtMs = 0; ///< when its port last failed to open, or went away
};

/// A port that did not open, or went away, is looked at again this often: an adapter plugged in during the
/// search is tried within one try's time.
constexpr std::uint32_t LookAgainMs = 100;
/// The sleep between looks while no port has a try under way.
constexpr std::uint32_t IdleStepMs = 10;

/// Opens the probe's port at its current line setting and sends the presence query, without the pauses after
/// each write: the pauses of sixteen ports in turn would outlast the first port's reply time-out. False when
/// the port did not open.
bool StartTry(Probe& probe, const std::vector<int>& lines) {
    if (!probe.link.OpenComPort(probe.portNo, protocol::BaudRateTable[lines[probe.line]])) {
        probe.lookedAtMs = probe.link.system().clockMs();
        return false;
    }
    probe.opened = true;
    probe.link.StartCommand(protocol::Query(protocol::Command::Info), readerlink::WritePauses::Skipped);
    return true;
}

/// Every port at once, driven from this one thread: each reads what came for it in turn, and starts its next try
/// when its last one ended. The first answer wins, and the tries under way on the other ports are dropped.
std::optional<Reply> SearchAtOnce(const Context& c, platform::SettingsStore& store, const ScanOptions& options,
                                  Result& result, int& opened) {
    std::vector<int> lines = SearchedLines(options, c.reader.BaudRateIndex);
    // The likeliest line setting first, then the others in the window's order.
    const int first = options.firstLine >= 0 ? options.firstLine : c.reader.BaudRateIndex;
    if (const auto at = std::find(lines.begin(), lines.end(), first); at != lines.end())
        std::rotate(lines.begin(), at, at + 1);
    platform::System& system = c.link.system();
    std::vector<std::unique_ptr<Probe>> probes;
    for (int portNo = options.firstPort; portNo <= options.lastPort; ++portNo) {
        probes.push_back(std::make_unique<Probe>(c.link.setup(), portNo));
        StartTry(*probes.back(), lines);
    }

    std::optional<Reply> answer;
    const Probe* answered = nullptr;
    while (!answer && !Interrupted(options)) {
        bool underWay = false;
        for (const std::unique_ptr<Probe>& each : probes) {
            Probe& probe = *each;
            if (probe.done)
                continue;
            if (!probe.link.isOpen()) {
                if (system.clockMs() - probe.lookedAtMs >= LookAgainMs)
                    underWay |= StartTry(probe, lines);
                continue;
            }
            underWay = true;
            std::optional<Reply> reply = probe.link.TakeReply(false);
            if (!reply)
                continue;
            probe.link.CloseComPort();
            if (AnswersInfo(*reply)) {
                answer = std::move(*reply);
                answered = &probe;
                break;
            }
            // A port that went away is looked at again, as one that did not open.
            if (reply->outcome == readerlink::ReplyOutcome::PortGone) {
                probe.lookedAtMs = system.clockMs();
                continue;
            }
            if (++probe.line == lines.size()) {
                probe.line = 0;
                probe.done = ++probe.round == SearchTries && !options.untilFound;
            }
            if (!probe.done)
                StartTry(probe, lines);
        }
        if (!underWay && !options.untilFound)
            break;
        if (!underWay)
            system.sleepMs(IdleStepMs);
        c.link.ProcessMessages();
    }
    opened = static_cast<int>(std::count_if(probes.begin(), probes.end(), [](const auto& p) { return p->opened; }));
    const int answeredPort = answered ? answered->portNo : 0;
    const int answeredLine = answered ? lines[answered->line] : 0;
    probes.clear(); // the tries under way on the other ports end now, not at their time-out
    if (answer)
        result.notSaved = !Found(c, store, answeredPort, answeredLine);
    return answer;
}

} // namespace

Result Scan(const Context& c, platform::SettingsStore& store, const ScanOptions& options) {
    Observer& observer = c.observer;
    observer.waitCursor(true);
    observer.busy(Busy::Blinking);
    observer.message(localisation::Reason::Joined({localisation::txScanReader, " ...."}, ""));
    observer.panel(Panel::Serial, std::string(Text(localisation::txSerialNo)) + " : ________");
    observer.panel(Panel::Version, std::string(Text(localisation::txVersion)) + " : __.__-__");
    observer.panel(Panel::Id, "__");
    observer.panel(Panel::Key, "__");
    c.link.ProcessMessages(); // the new captions are painted before the first port is tried
    c.reader.ReaderFound = false;

    Result result;
    std::optional<Reply> answer;
    if (options.onlyPort > 0) {
        answer = TryRemembered(c, options.onlyPort, options, result);
        if (answer)
            c.reader.ComPortNo = options.onlyPort;
    } else {
        const int remembered = c.reader.ComPortNo;
        if (remembered > 0)
            answer = TryRemembered(c, remembered, options, result);
        const platform::OpenError rememberedError = result.openError;
        // The search tries every port anew.
        result.openError = platform::OpenError::None;
        result.portGone = false;
        int opened = -1;
        if (!answer && !Interrupted(options))
            answer = options.allPortsAtOnce ? SearchAtOnce(c, store, options, result, opened)
                                            : SearchInTurn(c, store, options, result);
        // Nothing answered: a remembered port held by another program says more than "not found", and so does a
        // search that could open no port at all.
        if (!answer && !Interrupted(options)) {
            const bool rememberedOpened = remembered > 0 && rememberedError == platform::OpenError::None;
            if (rememberedError != platform::OpenError::None && rememberedError != platform::OpenError::NotFound) {
                result.openError = rememberedError;
            } else if (opened == 0 && !rememberedOpened) {
                result.openError = platform::OpenError::NotFound;
                c.reader.ComPortNo = 0;
            }
        }
    }

    if (answer) {
        ReadReaderInfo(c, *answer, options, result);
    } else {
        observer.select(List::BaudRate, protocol::DefaultBaudRateIndex);
        observer.message(localisation::txReaderNotFound);
        observer.busy(Busy::Off);
        observer.commLamp(Lamp::Red);
        observer.beep(FailureBeepHz, SignalBeepMs);
        result.outcome = Interrupted(options) ? Outcome::Interrupted : Outcome::Failed;
        result.message = localisation::txReaderNotFound;
    }
    observer.waitCursor(false);
    result.port = c.reader.ComPortNo;
    result.line = c.reader.ComSettings;
    result.lineIndex = c.reader.BaudRateIndex;
    return result;
}

} // namespace operations
