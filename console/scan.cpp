// The reader scan: remembered port first, then COM1 to COM16 at one or all twelve line settings, then the
// reader's information read into the window.

#include "console/frmmodule.h"
#include "console/reply_fields.h"
#include "console/shared_state.h"
#include "link/link.h"
#include "platform/system.h"
#include "settings/settings.h"
#include "ui_frmmodule.h"

#include <QApplication>

#include <cctype>

namespace {

constexpr int InfoReplyLength = 16;
constexpr int RememberedPortTries = 3;
constexpr int SearchTries = 2;
constexpr int InfoPasses = 2;

QString ScanComMessage(int portNo) {
    return Tr(txScanCom) + QStringLiteral(" : #") + QString::number(portNo);
}

QString InfoMessage(TextId id) {
    return Tr(id) + QStringLiteral(" : #") + QString::number(ComPortNo) + QStringLiteral(")");
}

void Pause() {
    platform::CurrentSystem().sleepMs(CommandPauseMs);
}

} // namespace

bool TfrmModule::QueryInfo() {
    return SendCommand("H00B") && RxCount == InfoReplyLength;
}

void TfrmModule::btnScanClick() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    SetBusy(1);
    ShowMessage(Tr(txScanReader) + QStringLiteral(" ...."));
    ui->pnSerial->setText(Tr(txSerialNo) + QStringLiteral(" : ________"));
    ui->pnVersion->setText(Tr(txVersion) + QStringLiteral(" : __.__-__"));
    ui->pnID->setText(QStringLiteral("__"));
    ui->pnKey->setText(QStringLiteral("__"));
    ProcessMessages();
    ReaderFound = false;

    bool found = false;
    if (ComPortNo > 0) {
        ui->cmbBaudRate->setCurrentIndex(BaudRateIndex);
        if (OpenComPort(ComPortNo, ComSettings)) {
            ShowMessage(ScanComMessage(ComPortNo));
            for (int attempt = 0; attempt < RememberedPortTries && !found; ++attempt)
                found = QueryInfo();
            CloseComPort();
        }
    }

    for (int portNo = 1; portNo <= 16 && !found; ++portNo) {
        for (int tableIndex = 0; tableIndex < BaudRateCount; ++tableIndex) {
            const bool locked = ui->chkLock->isChecked();
            // BaudRateIndex is 0..11 from load on, but a locked scan must never index outside the table.
            const int index =
                !locked ? tableIndex
                        : (BaudRateIndex >= 0 && BaudRateIndex < BaudRateCount ? BaudRateIndex : DefaultBaudRateIndex);
            ui->cmbBaudRate->setCurrentIndex(index);
            if (!OpenComPort(portNo, BaudRateTable[index]))
                break; // a port that does not open is tried once
            ShowMessage(ScanComMessage(portNo));
            for (int attempt = 0; attempt < SearchTries; ++attempt) {
                if (QueryInfo()) {
                    found = true;
                    ComPortNo = portNo;
                    SelectLineSetting(index);
                    SaveScanSettings(store_, ComPortNo, BaudRateIndex, ComSettings);
                    break;
                }
            }
            CloseComPort();
            if (found || locked)
                break;
        }
    }

    if (found) {
        ReadReaderInfo();
    } else {
        ui->cmbBaudRate->setCurrentIndex(DefaultBaudRateIndex);
        ShowMessage(Tr(txReaderNotFound));
        SetBusy(0);
        PaintComm(LampRed);
        platform::CurrentSystem().beep(FailureBeepHz, SignalBeepMs);
    }
    restoreCursor();
}

void TfrmModule::ReadReaderInfo() {
    ui->cmbBaudRate->setCurrentIndex(BaudRateIndex);
    ui->pnSerial->setText(Tr(txSerialNo) + QStringLiteral(" : ") + ReplyField(6, 13));
    ui->pnID->setText(ReplyField(3, 4));
    // An ID that is not two decimal digits from 01 to 99 cannot stand on sbID: the information is incomplete.
    const std::string id = ReplyBytes(3, 4);
    const bool idValid = id.size() == 2 && std::isdigit(static_cast<unsigned char>(id[0])) &&
                         std::isdigit(static_cast<unsigned char>(id[1])) && id != "00";
    if (idValid)
        ui->sbID->setValue(std::stoi(id));

    bool complete = false;
    if (idValid && OpenComPort(ComPortNo, ComSettings)) {
        for (int pass = 0; pass < InfoPasses; ++pass) {
            Pause();
            if (!SendCommand("H00V"))
                continue;
            ui->pnVersion->setText(Tr(txVersion) + QStringLiteral(" : ") + ReplyField(6, 13));

            Pause();
            if (SendCommand("H00L"))
                ui->pnKey->setText(ReplyField(6, 7));

            Pause();
            if (SendCommand("H00M")) {
                ui->cmbParity->setCurrentIndex(ReplyDigit(6, ui->cmbParity->count()));
                ui->btnParity->setEnabled(true);
            } else {
                ui->cmbParity->setCurrentIndex(1);
                ui->btnParity->setEnabled(false);
            }

            Pause();
            if (SendCommand("H00A")) {
                ui->cmbMode->setCurrentIndex(ReplyDigit(6, ui->cmbMode->count()));
                ui->cmbWiegand->setCurrentIndex(ReplyDigit(7, ui->cmbWiegand->count()));
                ui->cmbRS485->setCurrentIndex(ReplyDigit(8, ui->cmbRS485->count()));
                ShowMessage(InfoMessage(txInfoOk));
                ReaderFound = true;
                SetBusy(0);
                PaintComm(LampYellow);
                complete = true;
            }
            break;
        }
        CloseComPort();
    }

    if (complete) {
        platform::CurrentSystem().beep(SuccessBeepHz, SignalBeepMs);
    } else {
        ShowMessage(InfoMessage(txInfoError));
        SetBusy(0);
        PaintComm(LampRed);
        platform::CurrentSystem().beep(FailureBeepHz, SignalBeepMs);
    }
}
