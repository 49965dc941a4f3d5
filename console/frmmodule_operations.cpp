// The window's side of the operations: the handlers start them with the values the controls hold, and the
// observer shows each step they report.

#include "console/frmmodule.h"
#include "console/program.h"
#include "ui_frmmodule.h"

#include <QApplication>
#include <QTimer>

namespace console {

// ---- handlers ----

void TfrmModule::btnScanClick() {
    operations::ScanOptions options;
    options.locked = ui->chkLock->isChecked();
    if (operations::Scan(context(), store_, options).notSaved && settingsNotSaved)
        settingsNotSaved(store_.location());
}

void TfrmModule::btnIDClick() {
    operations::SetReaderId(context(), ui->pnID->text().toLatin1().toStdString());
}

void TfrmModule::btnKeyClick() {
    operations::SetKeyCount(context(), ui->pnKey->text().toLatin1().toStdString());
}

void TfrmModule::btnBaudRateClick() {
    operations::SetBaudRate(context(), ui->cmbBaudRate->currentIndex());
}

void TfrmModule::btnModeClick() {
    operations::SetMode(context(), ui->cmbMode->currentIndex(), ui->cmbWiegand->currentIndex(),
                        ui->cmbRS485->currentIndex());
}

void TfrmModule::btnParityClick() {
    operations::SetParity(context(), ui->cmbParity->currentIndex());
}

void TfrmModule::btnFactoryW26Click() {
    // btnParity's own state, not the effective one (the window may be disabled), tells whether the reader has
    // keycode parity.
    operations::FactoryDefault(context(), ui->btnParity->isEnabledTo(this));
}

void TfrmModule::btnReadCardClick() {
    operations::ReadCards(context());
}

void TfrmModule::tmrCardTimer() {
    ui->shCard->setBrushColor(LampWhite);
    tmrCard->stop();
}

void TfrmModule::sbIDChange() {
    ui->pnID->setText(QString::asprintf("%02d", ui->sbID->value()));
}

void TfrmModule::sbKeyChange() {
    ui->pnKey->setText(QString::asprintf("%02d", ui->sbKey->value()));
}

// ---- the steps an operation reports ----

void TfrmModule::message(const localisation::Reason& message) {
    ShowMessage(QString::fromStdString(localisation::Say(message)));
}

void TfrmModule::panel(operations::Panel panel, const std::string& text) {
    QLabel* const panels[] = {ui->pnSerial, ui->pnVersion, ui->pnID, ui->pnKey, ui->pnCardID};
    panels[static_cast<int>(panel)]->setText(QString::fromStdString(text));
}

void TfrmModule::select(operations::List list, int index) {
    QComboBox* const lists[] = {ui->cmbBaudRate, ui->cmbParity, ui->cmbMode, ui->cmbWiegand, ui->cmbRS485};
    lists[static_cast<int>(list)]->setCurrentIndex(index);
}

void TfrmModule::parityEnabled(bool enabled) {
    ui->btnParity->setEnabled(enabled);
}

void TfrmModule::scrollTo(operations::Bar bar, int position) {
    // Moving a bar runs its change handler, which writes the position into its panel.
    (bar == operations::Bar::Id ? ui->sbID : ui->sbKey)->setValue(position);
}

void TfrmModule::commLamp(operations::Lamp colour) {
    PaintComm(colour == operations::Lamp::Yellow ? LampYellow : LampRed);
}

void TfrmModule::cardLamp(bool lit) {
    ui->shCard->setBrushColor(lit ? LampYellow : LampWhite);
    if (lit && !tmrCard->isActive()) // switching it on again must not restart its second
        tmrCard->start();
}

void TfrmModule::beep(unsigned frequencyHz, unsigned durationMs) {
    // The tone holds the thread: what the operation has shown so far is painted now, not after it. Painting
    // only, no events, so no input or timer acts in between.
    repaint();
    links_.system.beep(frequencyHz, durationMs);
}

void TfrmModule::busy(operations::Busy state) {
    switch (state) {
    case operations::Busy::On:
        setInputEnabled(false);
        break;
    case operations::Busy::Blinking:
        SetBusy(1);
        break;
    case operations::Busy::Polling:
        SetBusy(1);
        setInputEnabled(true); // the lamp blinks, the stop click gets through
        break;
    case operations::Busy::Off:
        SetBusy(0);
        break;
    }
}

void TfrmModule::waitCursor(bool on) {
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        RestoreDefaultCursor();
}

QList<QWidget*> TfrmModule::lockedWhileReading() const {
    return {ui->btnExit,   ui->btnScan,   ui->btnFactoryW26, ui->btnID, ui->btnBaudRate, ui->btnMode,
            ui->btnParity, ui->gbDefault, ui->btnEng,        ui->btnGB, ui->btnBIG5,     ui->btnKey};
}

void TfrmModule::cardReading(bool active) {
    if (active) {
        readCardCaption_ = ui->btnReadCard->text();
        ui->btnReadCard->setText(Tr(localisation::txCancelReadCard));
        // A reader without keycode parity keeps its disabled btnParity afterwards.
        parityBeforeReading_ = ui->btnParity->isEnabledTo(this);
        for (QWidget* control : lockedWhileReading())
            control->setEnabled(false);
    } else {
        for (QWidget* control : lockedWhileReading())
            control->setEnabled(control == ui->btnParity ? parityBeforeReading_ : true);
        ui->btnReadCard->setText(readCardCaption_);
    }
}

void TfrmModule::cardRead(const protocol::PolledEntry&) {
    // pnCardID shows the entry; its text comes as the panel step that follows.
}

} // namespace console
