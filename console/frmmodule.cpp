#include "frmmodule.h"

#include "console/chrome.h"
#include "console/fonts.h"
#include "console/program.h"
#include "console/system_menu.h"
#include "localisation/captions.h"
#include "localisation/language.h"
#include "settings/settings.h"
#include "ui_frmmodule.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

namespace console {

using namespace localisation;

namespace {

/// What the busy window swallows: the user's input, but not the hover and enter events that keep the looks
/// following the mouse.
bool IsUserInput(const QEvent* event) {
    switch (event->type()) {
    case QEvent::Enter:
    case QEvent::HoverEnter:
    case QEvent::HoverMove:
    case QEvent::HoverLeave:
        return false;
    default:
        return event->isInputEvent();
    }
}

} // namespace

TfrmModule::TfrmModule(platform::SettingsStore& store, readerlink::LinkSetup& links, QWidget* parent)
    : QDialog(parent), ui(new Ui::TfrmModule), tmrBusy(new QTimer(this)), tmrCard(new QTimer(this)), store_(store),
      links_(links), link_(links) {
    ui->setupUi(this);
    // The page's one tab is a title, not a keyboard stop.
    ui->pcDefault->tabBar()->setFocusPolicy(Qt::NoFocus);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint);
    setFixedSize(560, 468);
    applyLooks();

    tmrBusy->setInterval(BlinkMs);
    tmrCard->setInterval(1000);
    connect(tmrBusy, &QTimer::timeout, this, &TfrmModule::tmrBusyTimer);
    connect(tmrCard, &QTimer::timeout, this, &TfrmModule::tmrCardTimer);

    connect(ui->btnScan, &QAbstractButton::clicked, this, &TfrmModule::btnScanClick);
    connect(ui->btnID, &QAbstractButton::clicked, this, &TfrmModule::btnIDClick);
    connect(ui->btnKey, &QAbstractButton::clicked, this, &TfrmModule::btnKeyClick);
    connect(ui->btnBaudRate, &QAbstractButton::clicked, this, &TfrmModule::btnBaudRateClick);
    connect(ui->btnMode, &QAbstractButton::clicked, this, &TfrmModule::btnModeClick);
    connect(ui->btnParity, &QAbstractButton::clicked, this, &TfrmModule::btnParityClick);
    connect(ui->btnFactoryW26, &QAbstractButton::clicked, this, &TfrmModule::btnFactoryW26Click);
    connect(ui->btnReadCard, &QAbstractButton::clicked, this, &TfrmModule::btnReadCardClick);
    connect(ui->btnEng, &QAbstractButton::clicked, this, &TfrmModule::btnEngClick);
    connect(ui->btnGB, &QAbstractButton::clicked, this, &TfrmModule::btnGBClick);
    connect(ui->btnBIG5, &QAbstractButton::clicked, this, &TfrmModule::btnBIG5Click);
    connect(ui->btnExit, &QAbstractButton::clicked, this, &TfrmModule::btnExitClick);
    connect(ui->sbID, &QScrollBar::valueChanged, this, &TfrmModule::sbIDChange);
    connect(ui->sbKey, &QScrollBar::valueChanged, this, &TfrmModule::sbKeyChange);

    // The link serves the window's queue while it waits, so the lamp blinks and the stop click gets through.
    links_.messagePump = [] { QCoreApplication::processEvents(QEventLoop::AllEvents); };
    // On the application, not the window: a press reaches the window system's window first, and giving the
    // clicked control the focus happens before a widget's own filters run.
    qApp->installEventFilter(this);
    FormCreate();
}

TfrmModule::~TfrmModule() {
    qApp->removeEventFilter(this);
    links_.messagePump = {};
    delete ui;
}

void TfrmModule::applyLooks() {
    setFont(LayoutFont("MS Sans Serif", 16, true));
    setPalette(QApplication::palette());
    ApplyChrome(*this, {ui->pnMsg, ui->btnEng, ui->pnVELNO, ui->btnExit}, links_.system);
    for (QWidget* value :
         std::initializer_list<QWidget*>{ui->pnSerial, ui->pnVersion, ui->pnID, ui->pnKey, ui->pnCardID,
                                         ui->cmbBaudRate, ui->cmbMode, ui->cmbWiegand, ui->cmbRS485, ui->cmbParity})
        ValueLooks(value);
    for (QLabel* small : {ui->lblID, ui->lblBaudRate})
        small->setFont(LayoutFont("MS Sans Serif", 13, false));
    ui->pcDefault->setFont(LayoutFont("MS Sans Serif", 16, false));
    ui->btnFactoryW26->setFont(LayoutFont("MS Sans Serif", 16, true));
    ui->btnGB->setFont(LayoutFont("MS Sans Serif", 11, false));
    ui->btnBIG5->setFont(LayoutFont("MS Sans Serif", 11, false));
    FitGroupBoxTitle(ui->gbDefault);
    ui->shCard->setRounded(true);
    ui->btnScan->setFocus();
}

void TfrmModule::applyLanguageFaces() {
    ApplyLanguageFaces(*this, LanguageIndex);
}

// ---- start-up and the caption list ----

void TfrmModule::FormCreate() {
    const settings::LoadedSettings loaded = settings::LoadSettings(store_);
    reader_.Load(loaded);
    UseSavedLanguage(loaded.LanguageName);

    RemoveCloseEntry(this);
    reader_.CardReadActive = false;
    reader_.ReaderFound = false;

    ui->cmbBaudRate->setCurrentIndex(reader_.BaudRateIndex);
    ui->cmbMode->setCurrentIndex(0);
    ui->cmbWiegand->setCurrentIndex(0);
    ui->cmbRS485->setCurrentIndex(1);
    ui->cmbParity->setCurrentIndex(-1);
    PaintComm(LampRed);
    ui->shCard->setBrushColor(LampWhite);
}

void TfrmModule::FormShow() {
    applyLanguageFaces();
    for (const CaptionEntry& entry : CaptionList) {
        const QString text = QString::fromStdString(CaptionText(entry));
        const QString name = QString::fromLatin1(entry.control);
        if (!SetCaption(*this, name, text) && name == ui->tsDefault->objectName())
            ui->pcDefault->setTabText(ui->pcDefault->indexOf(ui->tsDefault), text);
    }
}

void TfrmModule::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!centred_) {
        centred_ = true;
        if (const QScreen* screen = this->screen()) {
            const QRect desk = screen->geometry();
            const QSize frame = frameGeometry().size();
            move(desk.x() + (desk.width() - frame.width()) / 2, desk.y() + (desk.height() - frame.height()) / 2);
        }
    }
    // A window restored from the task bar is shown again by the window system (a spontaneous event); only
    // a show by the program applies the captions, or restoring would wipe the last result from pnMsg.
    if (!event->spontaneous())
        FormShow();
}

// The window closes only through btnExit: no close box, Esc does nothing.
void TfrmModule::closeEvent(QCloseEvent* event) {
    if (closing_)
        event->accept();
    else
        event->ignore();
}

void TfrmModule::reject() {
    if (closing_)
        QDialog::reject();
}

void TfrmModule::keyPressEvent(QKeyEvent* event) {
    if (TakeEscape(event))
        return;
    // Only a push button can be the dialog's default, so Enter on the picture button (a tool button) would
    // reach btnScan. Space needs nothing: every button takes it.
    const bool enter = (event->key() == Qt::Key_Return && !event->modifiers()) ||
                       (event->key() == Qt::Key_Enter && event->modifiers() == Qt::KeypadModifier);
    if (auto* tool = qobject_cast<QToolButton*>(focusWidget()); enter && tool && tool->isEnabled()) {
        tool->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TfrmModule::btnExitClick() {
    closing_ = true;
    done(QDialog::Accepted);
    closing_ = false;
}

// ---- shared conventions ----

void TfrmModule::ShowMessage(const QString& message) {
    ui->pnMsg->setText(message);
}

void TfrmModule::PaintComm(const QColor& colour) {
    ui->shComm->setBrushColor(colour);
}

bool TfrmModule::eventFilter(QObject* watched, QEvent* event) {
    if (inputEnabled_ || !IsUserInput(event))
        return QDialog::eventFilter(watched, event);
    if (watched == static_cast<QObject*>(windowHandle()))
        return true;
    if (watched->isWidgetType()) {
        // Drop-down lists open in windows of their own, parented to their list.
        for (const QWidget* widget = static_cast<QWidget*>(watched); widget; widget = widget->parentWidget())
            if (widget == this)
                return true;
    }
    return false;
}

void TfrmModule::endPressUnderWay() {
    QWindow* const window = windowHandle();
    if (!window)
        return;
    // Through the window, so that Qt hands it to the widget holding the press (or to an open drop-down) and
    // forgets that widget; off the window, so that a button does not take it for a click.
    const QPointF outside(-1, -1);
    Qt::MouseButtons down = QGuiApplication::mouseButtons();
    for (unsigned bit = 1; bit && down; bit <<= 1) {
        const auto button = static_cast<Qt::MouseButton>(bit);
        if (!down.testFlag(button))
            continue;
        down.setFlag(button, false);
        QMouseEvent release(QEvent::MouseButtonRelease, outside, outside, window->mapToGlobal(outside), button, down,
                            QGuiApplication::keyboardModifiers());
        QCoreApplication::sendEvent(window, &release);
    }
}

void TfrmModule::setInputEnabled(bool enabled) {
    // Disabling the widgets would draw every caption and picture grey for as long as a scan lasts; the
    // filter blocks the input instead. What was queued meanwhile is served while it still swallows.
    if (enabled && !inputEnabled_)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    // A disabled window would also end the press under way: the filter would swallow its release, and a
    // scroll bar held on its arrow would go on stepping for good.
    if (!enabled && inputEnabled_)
        endPressUnderWay();
    inputEnabled_ = enabled;
}

void TfrmModule::SetBusy(std::uint8_t on) {
    if (on == 1) {
        tmrBusy->start();
        setInputEnabled(false);
    } else {
        setInputEnabled(true);
        tmrBusy->stop();
    }
}

void TfrmModule::tmrBusyTimer() {
    Blink(*ui->shComm, busyPhase_);
}

// ---- language switch ----

void TfrmModule::switchLanguage(int index) {
    if (!SwitchLanguage(store_, index) && settingsNotSaved)
        settingsNotSaved(store_.location());
    FormShow();
}

void TfrmModule::btnEngClick() {
    switchLanguage(LanguageEnglish);
}

void TfrmModule::btnGBClick() {
    switchLanguage(LanguageSimplified);
}

void TfrmModule::btnBIG5Click() {
    switchLanguage(LanguageTraditional);
}

} // namespace console
