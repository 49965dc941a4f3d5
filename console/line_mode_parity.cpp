// Line settings, output mode and keycode parity: the set-command sequence with their commands.

#include "console/frmmodule.h"
#include "console/shared_state.h"
#include "link/link.h"
#include "ui_frmmodule.h"

namespace {

bool InRange(int index, int count) {
    return index >= 0 && index < count;
}

std::string Digit(int value) {
    return std::string(1, static_cast<char>('0' + value));
}

} // namespace

void TfrmModule::btnBaudRateClick() {
    // The window is disabled from here to the end, so the selection cannot change under the operation.
    const int index = ui->cmbBaudRate->currentIndex();
    SetCommand command;
    command.valid = InRange(index, BaudRateCount);
    command.opening = Tr(txSetBaud);
    if (command.valid)
        command.opening += QStringLiteral(" = ") + QString::fromLatin1(BaudRateTable[index]);
    command.ok = txSetBaudOk;
    command.error = txSetBaudError;
    command.build = [index]() { return std::string("H00E") + ByteToHex(static_cast<std::uint8_t>(index))[1]; };
    // The reader now listens at the new setting; the settings key keeps the scan's until a scan saves again.
    command.onSuccess = [index] { SelectLineSetting(index); };
    RunSetCommand(command);
}

void TfrmModule::btnModeClick() {
    const int mode = ui->cmbMode->currentIndex();
    const int wiegand = ui->cmbWiegand->currentIndex();
    const int rs485 = ui->cmbRS485->currentIndex();
    SetCommand command;
    command.valid = InRange(mode, ui->cmbMode->count()) && InRange(wiegand, ui->cmbWiegand->count()) &&
                    InRange(rs485, ui->cmbRS485->count());
    command.opening = Tr(txSetMode);
    if (command.valid)
        command.opening +=
            QStringLiteral(" = ") + (mode == 0 ? ui->cmbWiegand->currentText() : ui->cmbRS485->currentText());
    command.ok = txSetModeOk;
    command.error = txSetModeError;
    command.build = [=]() { return "H00A" + Digit(mode) + Digit(wiegand) + Digit(rs485); };
    RunSetCommand(command);
}

void TfrmModule::btnParityClick() {
    const int parity = ui->cmbParity->currentIndex();
    SetCommand command;
    command.valid = InRange(parity, ui->cmbParity->count());
    command.opening = Tr(txSetParity);
    command.ok = txSetParityOk;
    command.error = txSetParityError;
    command.build = [parity]() { return "H00M" + Digit(parity); };
    RunSetCommand(command);
}
