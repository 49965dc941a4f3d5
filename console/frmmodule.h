#pragma once
// The one window of the tool. Its handlers run the operations (operations/) with the controls' values, and it
// shows each step they report as their observer (frmmodule_operations.cpp). An operation runs to its end on
// the window's thread, serving the message queue only inside the link's waits and the card-reading pacing.

#include "console/chrome.h"
#include "link/link.h"
#include "localisation/message_table.h"
#include "operations/operations.h"
#include "platform/settings_store.h"

#include <QColor>
#include <QDialog>
#include <QString>

#include <cstdint>
#include <functional>
#include <string>

class QTimer;
namespace Ui {
class TfrmModule;
}

namespace console {

class TfrmModule : public QDialog, public operations::Observer {
    Q_OBJECT

    /// The form. Tests reach the controls by their object names (tests/console/window_controls.h).
    Ui::TfrmModule* const ui;

public:
    /// `store` is the settings key, `links` what the window's link runs on (the system, the trace); neither is
    /// owned, both must outlive the window. The window serves its events through the links' message pump.
    TfrmModule(platform::SettingsStore& store, readerlink::LinkSetup& links, QWidget* parent = nullptr);
    ~TfrmModule() override;

    /// Told, with the store's location, when the port, line setting or language could not be saved; the window
    /// itself goes on as if they had been.
    std::function<void(const std::string& location)> settingsNotSaved;

    /// What the window knows of the reader.
    const operations::ReaderState& reader() const { return reader_; }

    QTimer* const tmrBusy;
    QTimer* const tmrCard;

    // ---- the busy state, pnMsg and shComm, through which the observer steps show ----
    /// The window enabled or disabled for the user. Disabled, it swallows its mouse, key and wheel events while
    /// every control keeps its look and the window keeps repainting, and a press under way ends there; enabled
    /// again, it first drops the input that is still queued, so nothing typed or clicked while busy acts
    /// afterwards.
    void setInputEnabled(bool enabled);
    bool inputEnabled() const { return inputEnabled_; }
    /// 1: blinking lamp on, window disabled. Anything else: window enabled, blinking off.
    void SetBusy(std::uint8_t on);
    void ShowMessage(const QString& message);
    void PaintComm(const QColor& colour);

public slots:
    void FormCreate();
    void FormShow();

    void btnScanClick();
    void btnIDClick();
    void btnKeyClick();
    void btnBaudRateClick();
    void btnModeClick();
    void btnParityClick();
    void btnFactoryW26Click();
    void btnReadCardClick();
    void btnEngClick();
    void btnGBClick();
    void btnBIG5Click();
    void btnExitClick();
    void sbIDChange();
    void sbKeyChange();
    void tmrBusyTimer();
    void tmrCardTimer();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override;

private:
    void switchLanguage(int index);
    void applyLooks();
    void applyLanguageFaces();

    /// Releases each mouse button that is down, as a disabled window would end its press.
    void endPressUnderWay();

    // ---- operations::Observer: each step an operation reports, shown with the controls ----
    void message(const localisation::Reason& message) override;
    void panel(operations::Panel panel, const std::string& text) override;
    void select(operations::List list, int index) override;
    void parityEnabled(bool enabled) override;
    void scrollTo(operations::Bar bar, int position) override;
    void commLamp(operations::Lamp colour) override;
    void cardLamp(bool lit) override;
    void beep(unsigned frequencyHz, unsigned durationMs) override;
    void busy(operations::Busy state) override;
    void waitCursor(bool on) override;
    void cardReading(bool active) override;
    void cardRead(const protocol::PolledEntry& entry) override;
    /// The twelve controls that card reading disables, in the order it disables them.
    QList<QWidget*> lockedWhileReading() const;

    operations::Context context() { return {link_, reader_, *this}; }

    platform::SettingsStore& store_;
    readerlink::LinkSetup& links_;
    readerlink::Link link_;
    operations::ReaderState reader_;
    QString readCardCaption_;         ///< btnReadCard's own caption, put back when card reading ends
    bool parityBeforeReading_ = true; ///< btnParity's own state when card reading began
    int busyPhase_ = 0;               ///< the blinking lamp's, kept across runs of tmrBusy
    bool inputEnabled_ = true;
    bool closing_ = false;
    bool centred_ = false;
};

} // namespace console
