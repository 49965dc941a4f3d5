// Card reading: the port held open, "H00F" polled with 80 ms of paced message service between polls, until
// the loop is asked to stop or a poll fails.

#include "operations.h"

#include "protocol/commands.h"

#include <cstdio>

namespace operations {

using localisation::Text;

namespace {
constexpr int PacingPasses = 80;
} // namespace

std::string CardIdText(const protocol::PolledEntry& entry) {
    if (entry.keypad)
        return "KEY : " + protocol::Latin1ToUtf8(entry.characters);
    // Unsigned: a card number of 80000000 hex and above is not negative.
    char number[32];
    std::snprintf(number, sizeof number, " : %010u  ", static_cast<unsigned>(entry.number));
    return Text(localisation::txCardId) + std::string(number) + protocol::Latin1ToUtf8(entry.characters) + "(H)";
}

Result ReadCards(const Context& c) {
    Observer& observer = c.observer;
    ReaderState& reader = c.reader;
    readerlink::Link& link = c.link;
    Result result;
    result.port = reader.ComPortNo;
    result.line = reader.ComSettings;
    result.lineIndex = reader.BaudRateIndex;
    if (!reader.ReaderFound) {
        result.message = localisation::txScanFirst;
        observer.message(result.message);
        observer.beep(FailureBeepHz, SignalBeepMs);
        return result;
    }
    if (reader.CardReadActive) {
        // Called from inside the running loop: it ends at the top of its next cycle.
        reader.CardReadActive = false;
        result.outcome = Outcome::Done;
        return result;
    }

    reader.CardReadActive = true;
    observer.cardReading(true);
    if (!link.OpenComPort(reader.ComPortNo, reader.ComSettings)) {
        result.openError = link.lastOpenError();
        result.message = localisation::txOpenCom;
        observer.commLamp(Lamp::Red);
        observer.message(Message(result));
        observer.beep(FailureBeepHz, SignalBeepMs);
        reader.CardReadActive = false;
    } else {
        observer.busy(Busy::Polling);
        while (reader.CardReadActive) {
            for (int pass = 0; pass < PacingPasses; ++pass) {
                link.ProcessMessages();
                link.system().sleepMs(1);
            }
            const readerlink::Reply reply = link.SendCommand(protocol::Query(protocol::Command::Poll));
            if (!reply)
                break;
            if (static_cast<int>(reply.received.size()) < protocol::MinimumDataReply)
                continue;
            const auto* bytes = reinterpret_cast<const std::uint8_t*>(reply.received.data());
            if (const std::optional<protocol::PolledEntry> entry =
                    protocol::ReadPolledEntry(std::span(bytes, reply.received.size()), reply.text)) {
                observer.cardRead(*entry);
                observer.panel(Panel::CardId, CardIdText(*entry));
            }
            observer.cardLamp(true);
        }
        observer.busy(Busy::Off);
        result.portGone = link.portGone();
        if (reader.CardReadActive) {
            result.message = localisation::txReaderNotFound;
            observer.commLamp(Lamp::Red);
            observer.message(result.message);
            reader.CardReadActive = false;
            observer.beep(FailureBeepHz, SignalBeepMs);
        } else {
            result.outcome = Outcome::Done;
            observer.commLamp(Lamp::Yellow);
            observer.beep(SuccessBeepHz, SignalBeepMs);
        }
        observer.cardLamp(false);
        link.CloseComPort();
    }

    observer.panel(Panel::CardId, Text(localisation::txCardId));
    observer.cardReading(false);
    return result;
}

} // namespace operations
