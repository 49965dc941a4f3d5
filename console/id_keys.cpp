// Reader ID and key count, and the set-command sequence that every single-setting operation runs.

#include "console/frmmodule.h"
#include "console/reply_fields.h"
#include "console/shared_state.h"
#include "link/link.h"
#include "platform/system.h"
#include "ui_frmmodule.h"

namespace {

constexpr int SetAttempts = 2;

std::string PanelBytes(const QLabel* panel) {
    return panel->text().toLatin1().toStdString();
}

} // namespace

void TfrmModule::RunSetCommand(const SetCommand& command) {
    EnterBusy();
    if (!ReaderFound) {
        ScanFirstRefusal();
        return;
    }
    ShowMessage(command.opening);

    bool success = false;
    // Nothing is ever sent from a list without a selection.
    if (command.valid && OpenComPort(ComPortNo, ComSettings)) {
        platform::System& system = platform::CurrentSystem();
        for (int attempt = 0; attempt < SetAttempts && !success; ++attempt) {
            system.sleepMs(CommandPauseMs);
            if (!QueryInfo())
                continue;
            system.sleepMs(CommandPauseMs);
            if (SendCommand(command.build().c_str())) {
                success = true;
                if (command.onSuccess)
                    command.onSuccess();
            }
        }
        CloseComPort();
    }

    if (success)
        SuccessSignal(Tr(command.ok));
    else
        FailureSignal(Tr(command.error));
}

void TfrmModule::sbIDChange() {
    ui->pnID->setText(QString::asprintf("%02d", ui->sbID->value()));
}

void TfrmModule::sbKeyChange() {
    ui->pnKey->setText(QString::asprintf("%02d", ui->sbKey->value()));
}

void TfrmModule::btnIDClick() {
    SetCommand command;
    command.opening = Tr(txSetId) + QStringLiteral(" = ") + ui->pnID->text();
    command.ok = txSetIdOk;
    command.error = txSetIdError;
    // The serial number comes from the presence query of the same attempt, not from pnSerial.
    command.build = [this]() { return "H00C" + ReplyBytes(6, 13) + PanelBytes(ui->pnID); };
    RunSetCommand(command);
}

void TfrmModule::btnKeyClick() {
    SetCommand command;
    command.opening = Tr(txSetKey);
    command.ok = txSetKeyOk;
    command.error = txSetKeyError;
    command.build = [this]() { return "H00L" + PanelBytes(ui->pnKey); };
    RunSetCommand(command);
}
