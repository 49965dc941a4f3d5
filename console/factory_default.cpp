// Factory default: the defaults written into the window, then one presence query and the whole default set
// per attempt.

#include "console/frmmodule.h"
#include "console/reply_fields.h"
#include "console/shared_state.h"
#include "link/link.h"
#include "platform/system.h"
#include "settings/settings.h"
#include "ui_frmmodule.h"

namespace {

constexpr int DefaultAttempts = 2;

} // namespace

void TfrmModule::btnFactoryW26Click() {
    EnterBusy();
    if (!ReaderFound) {
        ScanFirstRefusal();
        return;
    }

    // The window is disabled: btnParity's own state, not the effective one, tells whether the reader has
    // keycode parity.
    const bool parity = ui->btnParity->isEnabledTo(this);
    ui->sbID->setValue(1);
    ui->cmbBaudRate->setCurrentIndex(DefaultBaudRateIndex);
    ui->cmbMode->setCurrentIndex(0);
    if (parity)
        ui->cmbParity->setCurrentIndex(0);
    ui->cmbWiegand->setCurrentIndex(0);
    ui->cmbRS485->setCurrentIndex(1);
    ui->sbKey->setValue(4);
    ShowMessage(Tr(txSetDefaultWiegand) + QStringLiteral(" 26"));

    bool success = false;
    if (OpenComPort(ComPortNo, ComSettings)) {
        platform::System& system = platform::CurrentSystem();
        for (int attempt = 0; attempt < DefaultAttempts && !success; ++attempt) {
            system.sleepMs(CommandPauseMs);
            if (!QueryInfo())
                continue;
            system.sleepMs(CommandPauseMs);
            if (!SendCommand(("H00C" + ReplyBytes(6, 13) + "01").c_str()))
                continue;
            system.sleepMs(CommandPauseMs);
            if (!SendCommand("H00A001"))
                continue;
            system.sleepMs(CommandPauseMs);
            if (!SendCommand("H00L04"))
                continue;
            // The pause is kept without parity too, and the parity answer never decides the outcome.
            system.sleepMs(CommandPauseMs);
            if (parity)
                SendCommand("H00M0");
            system.sleepMs(CommandPauseMs);
            success = SendCommand("H00E5");
        }
        CloseComPort();
    }

    if (success) {
        // The reader now answers only at the default line setting.
        SelectLineSetting(DefaultBaudRateIndex);
        SuccessSignal(Tr(txSetDefaultW26Ok));
    } else {
        FailureSignal(Tr(txSetDefaultW26Error));
    }
}
