// Card reading: the port held open, "H00F" polled with 80 ms of paced queue service between polls, until the
// button is pressed again or a poll fails.

#include "console/frmmodule.h"
#include "console/reply_fields.h"
#include "console/shared_state.h"
#include "link/link.h"
#include "platform/system.h"
#include "ui_frmmodule.h"

#include <QTimer>

namespace {

constexpr int PacingPasses = 80;

} // namespace

void TfrmModule::btnReadCardClick() {
    platform::System& system = platform::CurrentSystem();
    if (!ReaderFound) {
        ShowMessage(Tr(txScanFirst));
        system.beep(FailureBeepHz, SignalBeepMs);
        return;
    }
    if (CardReadActive) {
        // A click served from inside the running loop: the loop ends at the top of its next cycle.
        CardReadActive = false;
        return;
    }

    CardReadActive = true;
    const QString savedCaption = ui->btnReadCard->text();
    ui->btnReadCard->setText(Tr(txCancelReadCard));
    const QList<QWidget*> others{ui->btnExit,     ui->btnScan, ui->btnFactoryW26, ui->btnID,
                                 ui->btnBaudRate, ui->btnMode, ui->btnParity,     ui->gbDefault,
                                 ui->btnEng,      ui->btnGB,   ui->btnBIG5,       ui->btnKey};
    // A reader without keycode parity keeps its disabled btnParity afterwards.
    const bool parityWasEnabled = ui->btnParity->isEnabledTo(this);
    for (QWidget* control : others)
        control->setEnabled(false);

    if (!OpenComPort(ComPortNo, ComSettings)) {
        PaintComm(LampRed);
        ShowMessage(Tr(txOpenCom) + QStringLiteral(" : ") + QString::number(ComPortNo) + QStringLiteral(" ") +
                    Tr(txError));
        system.beep(FailureBeepHz, SignalBeepMs);
        CardReadActive = false;
    } else {
        SetBusy(1);
        setInputEnabled(true); // the lamp blinks, the stop click gets through
        while (CardReadActive) {
            for (int pass = 0; pass < PacingPasses; ++pass) {
                ProcessMessages();
                system.sleepMs(1);
            }
            if (!SendCommand("H00F"))
                break;
            if (RxCount < MinimumDataReply)
                continue;
            if (const std::optional<QString> text = PolledCardText(Tr(txCardId)))
                ui->pnCardID->setText(*text);
            ui->shCard->setBrushColor(LampYellow);
            if (!tmrCard->isActive()) // switching it on again must not restart its second
                tmrCard->start();
        }
        SetBusy(0);
        if (CardReadActive) {
            PaintComm(LampRed);
            ShowMessage(Tr(txReaderNotFound));
            CardReadActive = false;
            system.beep(FailureBeepHz, SignalBeepMs);
        } else {
            PaintComm(LampYellow);
            system.beep(SuccessBeepHz, SignalBeepMs);
        }
        ui->shCard->setBrushColor(LampWhite);
        CloseComPort();
    }

    ui->pnCardID->setText(Tr(txCardId));
    for (QWidget* control : others)
        control->setEnabled(control == ui->btnParity ? parityWasEnabled : true);
    ui->btnReadCard->setText(savedCaption);
}

void TfrmModule::tmrCardTimer() {
    ui->shCard->setBrushColor(LampWhite);
    tmrCard->stop();
}
