// Card reading: the port held open, "H00F" polled with 80 ms of paced message service between polls, until
// the loop is asked to stop or a poll fails.

#include "operations.h"

#include "link/link.h"

#include <cstdio>

namespace operations {

namespace {
constexpr int PacingPasses = 80;
} // namespace

std::string CardIdText(const PolledEntry& entry) {
    if (entry.keypad)
        return "KEY : " + Latin1ToUtf8(entry.characters);
    // Unsigned: a card number of 80000000 hex and above is not negative.
    char number[32];
    std::snprintf(number, sizeof number, " : %010u  ", static_cast<unsigned>(entry.number));
    return Text(txCardId) + std::string(number) + Latin1ToUtf8(entry.characters) + "(H)";
}

void ReadCards(Observer& observer) {
    if (!ReaderFound) {
        observer.message(Text(txScanFirst));
        observer.beep(FailureBeepHz, SignalBeepMs);
        return;
    }
    if (CardReadActive) {
        // Called from inside the running loop: it ends at the top of its next cycle.
        CardReadActive = false;
        return;
    }

    CardReadActive = true;
    observer.cardReading(true);
    if (!OpenComPort(ComPortNo, ComSettings)) {
        observer.commLamp(Lamp::Red);
        observer.message(std::string(Text(txOpenCom)) + " : " + std::to_string(ComPortNo) + " " + Text(txError));
        observer.beep(FailureBeepHz, SignalBeepMs);
        CardReadActive = false;
    } else {
        observer.busy(Busy::Polling);
        platform::System& system = platform::CurrentSystem();
        while (CardReadActive) {
            for (int pass = 0; pass < PacingPasses; ++pass) {
                ProcessMessages();
                system.sleepMs(1);
            }
            if (!SendCommand("H00F"))
                break;
            if (RxCount < MinimumDataReply)
                continue;
            if (const std::optional<PolledEntry> entry =
                    ReadPolledEntry(std::span(RxBuffer, static_cast<std::size_t>(RxCount)), ReplyText)) {
                observer.cardRead(*entry);
                observer.panel(Panel::CardId, CardIdText(*entry));
            }
            observer.cardLamp(true);
        }
        observer.busy(Busy::Off);
        if (CardReadActive) {
            observer.commLamp(Lamp::Red);
            observer.message(Text(txReaderNotFound));
            CardReadActive = false;
            observer.beep(FailureBeepHz, SignalBeepMs);
        } else {
            observer.commLamp(Lamp::Yellow);
            observer.beep(SuccessBeepHz, SignalBeepMs);
        }
        observer.cardLamp(false);
        CloseComPort();
    }

    observer.panel(Panel::CardId, Text(txCardId));
    observer.cardReading(false);
}

void StopCardReading() {
    CardReadActive = false;
}

} // namespace operations
