// The set-command sequence every single-setting operation runs, and its five commands: reader ID, key count,
// line settings, output mode and keycode parity.

#include "operations.h"

#include "link/link.h"

namespace operations {

namespace {

constexpr int SetAttempts = 2;

bool InRange(int index, int count) {
    return index >= 0 && index < count;
}

std::string Digit(int value) {
    return std::string(1, static_cast<char>('0' + value));
}

} // namespace

void RunSetCommand(Observer& observer, const SetCommand& command) {
    EnterBusy(observer);
    if (!ReaderFound) {
        ScanFirstRefusal(observer);
        return;
    }
    observer.message(command.opening);

    bool success = false;
    // Nothing is ever sent from a list without a selection.
    if (command.valid && OpenComPort(ComPortNo, ComSettings)) {
        for (int attempt = 0; attempt < SetAttempts && !success; ++attempt) {
            CommandPause();
            if (!QueryInfo())
                continue;
            CommandPause();
            if (SendCommand(command.build().c_str())) {
                success = true;
                if (command.onSuccess)
                    command.onSuccess();
            }
        }
        CloseComPort();
    }

    if (success)
        SuccessSignal(observer, Text(command.ok));
    else
        FailureSignal(observer, Text(command.error));
}

void SetReaderId(Observer& observer, const std::string& id) {
    SetCommand command;
    command.opening = std::string(Text(txSetId)) + " = " + Latin1ToUtf8(id);
    command.ok = txSetIdOk;
    command.error = txSetIdError;
    // The serial number comes from the presence query of the same attempt, not from pnSerial.
    command.build = [id] { return "H00C" + ReplyBytes(ReplyText, 6, 13) + id; };
    RunSetCommand(observer, command);
}

void SetKeyCount(Observer& observer, const std::string& keys) {
    SetCommand command;
    command.opening = Text(txSetKey);
    command.ok = txSetKeyOk;
    command.error = txSetKeyError;
    command.build = [keys] { return "H00L" + keys; };
    RunSetCommand(observer, command);
}

void SetBaudRate(Observer& observer, int index) {
    SetCommand command;
    command.valid = InRange(index, BaudRateCount);
    command.opening = Text(txSetBaud);
    if (command.valid)
        command.opening += std::string(" = ") + BaudRateTable[index];
    command.ok = txSetBaudOk;
    command.error = txSetBaudError;
    command.build = [index] { return std::string("H00E") + ByteToHex(static_cast<std::uint8_t>(index))[1]; };
    // The reader now listens at the new setting; the settings key keeps the scan's until a scan saves again.
    command.onSuccess = [index] { SelectLineSetting(index); };
    RunSetCommand(observer, command);
}

void SetMode(Observer& observer, int mode, int wiegand, int rs485) {
    SetCommand command;
    command.valid =
        InRange(mode, ModeItemCount) && InRange(wiegand, LengthItemCount) && InRange(rs485, LengthItemCount);
    command.opening = Text(txSetMode);
    if (command.valid)
        command.opening += std::string(" = ") + (mode == 0 ? WiegandItems[wiegand] : Rs485Items[rs485]);
    command.ok = txSetModeOk;
    command.error = txSetModeError;
    command.build = [=] { return "H00A" + Digit(mode) + Digit(wiegand) + Digit(rs485); };
    RunSetCommand(observer, command);
}

void SetParity(Observer& observer, int parity) {
    SetCommand command;
    command.valid = InRange(parity, ParityItemCount);
    command.opening = Text(txSetParity);
    command.ok = txSetParityOk;
    command.error = txSetParityError;
    command.build = [parity] { return "H00M" + Digit(parity); };
    RunSetCommand(observer, command);
}

} // namespace operations
