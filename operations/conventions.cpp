// The conventions the operations share: the busy state, the outcome signals, the presence query and the
// command pause.

#include "operations.h"

#include "link/link.h"

bool ReaderFound = false;
bool CardReadActive = false;

namespace operations {

const char* const ParityItems[ParityItemCount] = {"No Parity 4 bits", "With Parity"};
const char* const ModeItems[ModeItemCount] = {"Wiegand", "RS485"};
const char* const WiegandItems[LengthItemCount] = {"Wiegand 26", "Wiegand 34", "Wiegand 42"};
const char* const Rs485Items[LengthItemCount] = {"RS485 24", "RS485 32", "RS485 40"};

namespace {

constexpr int InfoReplyLength = 16;

// Lamp, message, tone, input, cursor: in that order, so the message is on screen before the tone starts.
void Signal(Observer& observer, Lamp colour, const std::string& message, unsigned frequencyHz) {
    observer.commLamp(colour);
    observer.message(message);
    observer.beep(frequencyHz, SignalBeepMs);
    observer.busy(Busy::Off);
    observer.waitCursor(false);
}

} // namespace

void EnterBusy(Observer& observer) {
    observer.waitCursor(true);
    observer.busy(Busy::On);
}

void SuccessSignal(Observer& observer, const std::string& message) {
    Signal(observer, Lamp::Yellow, message, SuccessBeepHz);
}

void FailureSignal(Observer& observer, const std::string& message) {
    Signal(observer, Lamp::Red, message, FailureBeepHz);
}

void ScanFirstRefusal(Observer& observer) {
    FailureSignal(observer, Text(txScanFirst));
}

bool QueryInfo() {
    return SendCommand("H00B") && RxCount == InfoReplyLength;
}

void CommandPause() {
    platform::CurrentSystem().sleepMs(CommandPauseMs);
}

} // namespace operations
