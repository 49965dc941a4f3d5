#pragma once
// The one window of the tool. Its handlers hold the operations; each operation lives in its own .cpp
// (scan.cpp, id_keys.cpp, line_mode_parity.cpp, factory_default.cpp, card_reading.cpp) and runs to its end on
// the window's thread, serving the message queue only inside the link's waits and the card-reading pacing.

#include "localisation/message_table.h"
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

inline const QColor LampRed{255, 0, 0};
inline const QColor LampYellow{255, 255, 0};
inline const QColor LampWhite{255, 255, 255};

/// The tone of the success and failure signals.
inline constexpr unsigned SuccessBeepHz = 1000;
inline constexpr unsigned FailureBeepHz = 300;
inline constexpr unsigned SignalBeepMs = 300;
/// The plain sleep before each command of the set operations and of the scan's information reading.
inline constexpr std::uint32_t CommandPauseMs = 100;

class TfrmModule : public QDialog {
    Q_OBJECT

public:
    /// `store` is the settings key (not owned); it must outlive the window.
    explicit TfrmModule(platform::SettingsStore& store, QWidget* parent = nullptr);
    ~TfrmModule() override;

    /// The form, public so that tests can reach every control by its name.
    Ui::TfrmModule* const ui;
    QTimer* const tmrBusy;
    QTimer* const tmrCard;

    // ---- shared conventions of the operations ----
    /// The window enabled or disabled for the user. Disabled, it swallows its mouse, key and wheel events while
    /// every control keeps its look and the window keeps repainting; enabled again, it first drops the input
    /// that is still queued, so nothing typed or clicked while busy acts afterwards.
    void setInputEnabled(bool enabled);
    bool inputEnabled() const { return inputEnabled_; }
    /// Busy state: hourglass cursor, then the window disabled.
    void EnterBusy();
    /// Lamp yellow, message, 1000 Hz for 300 ms, window enabled, default cursor.
    void SuccessSignal(const QString& message);
    /// Lamp red, message, 300 Hz for 300 ms, window enabled, default cursor.
    void FailureSignal(const QString& message);
    /// Failure signal with txScanFirst.
    void ScanFirstRefusal();
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

    /// What one set operation sends and says; the sequence itself is the same for all five.
    struct SetCommand {
        QString opening; ///< shown in pnMsg once the refusal check has passed
        TextId ok;
        TextId error;
        bool valid = true; ///< false: a list without a selection; nothing may be sent
        /// Called right after the attempt's "H00B" was answered, so ReplyText still holds that reply.
        std::function<std::string()> build;
        std::function<void()> onSuccess;
    };
    void RunSetCommand(const SetCommand& command);
    /// One try of the presence query: sent, framed, checksum right and exactly 16 bytes.
    static bool QueryInfo();
    /// Once the scan found the reader: its information into the window, and the scan's outcome.
    void ReadReaderInfo();
    void restoreCursor();
    /// The outcome signals: lamp, message, tone, window enabled, default cursor, in that order.
    void Signal(const QColor& colour, const QString& message, unsigned frequencyHz);

    platform::SettingsStore& store_;
    int busyPhase_ = 0; ///< the blinking lamp's, kept across runs of tmrBusy
    bool inputEnabled_ = true;
    bool closing_ = false;
    bool centred_ = false;
};

/// Text(id) as a QString.
QString Tr(TextId id);
