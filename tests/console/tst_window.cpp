// The window itself: start-up from the settings key, captions in three languages, the shared signals,
// the close rules, and every caption fitting its control.

#include "window_fixture.h"

#include "console/fonts.h"
#include "localisation/captions.h"
#include "localisation/language.h"
#include "operations/operations.h"

#include <QFontMetrics>
#include <QGroupBox>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOptionGroupBox>
#include <QTabBar>
#include <QWheelEvent>

#include <algorithm>
#include <functional>
#include <optional>

namespace {

struct Expected {
    const char* title;
    const char* status;
    const char* serial;
    const char* idLabel;
    const char* factory;
    const char* exit;
};

const Expected English{
    "VELNO QUVIN4 Reader Config V3.20-01", "Start Scan Reader!", "S/N : ________", "ID:", "(Factory Default)", "Exit"};
const Expected Simplified{
    "VELNO QUVIN4 按键读卡机设定程式 V3.20-01", "请先扫描读卡机!", "序号 : ________", "编号:", "(出厂预设)", "结束"};
const Expected Traditional{
    "VELNO QUVIN4 按鍵讀卡機設定程式 V3.20-01", "請先掃描讀卡機!", "序號 : ________", "編號:", "(出廠預設)", "結束"};

void CheckCaptions(WindowFixture& f, const Expected& e) {
    QCOMPARE(f.window->windowTitle(), Q(e.title));
    QCOMPARE(f.ui().pnMsg->text(), Q(e.status));
    QCOMPARE(f.ui().pnSerial->text(), Q(e.serial));
    QCOMPARE(f.ui().lblID->text(), Q(e.idLabel));
    QCOMPARE(f.ui().btnFactoryW26->text(), Q(e.factory));
    QCOMPARE(f.ui().btnExit->text(), Q(e.exit));
    QCOMPARE(f.ui().btnEng->text(), Q("English"));
    // And every entry of the caption list on its control.
    for (const CaptionEntry& entry : CaptionList) {
        const QString name = QString::fromLatin1(entry.control);
        const QString text = QString::fromStdString(CaptionText(entry));
        QWidget* control = name == f.window->objectName() ? f.window.get() : f.window->findChild<QWidget*>(name);
        QVERIFY2(control, entry.control);
        QString shown;
        if (control == f.window.get())
            shown = control->windowTitle();
        else if (auto* label = qobject_cast<QLabel*>(control))
            shown = label->text();
        else if (auto* button = qobject_cast<QAbstractButton*>(control))
            shown = button->text();
        else if (auto* group = qobject_cast<QGroupBox*>(control))
            shown = group->title();
        else
            shown = f.ui().pcDefault->tabText(0);
        QCOMPARE(shown, text);
    }
}

QPoint CentreIn(WindowFixture& f, QWidget* control) {
    return control->mapTo(f.window.get(), control->rect().center());
}

/// A click as the window system delivers it: to the window, which finds the control under the mouse.
void ClickOn(WindowFixture& f, QWidget* control) {
    QTest::mouseClick(f.window->windowHandle(), Qt::LeftButton, Qt::NoModifier, CentreIn(f, control));
}

using Input = std::function<void(WindowFixture&)>;

} // namespace

Q_DECLARE_METATYPE(const Expected*)
Q_DECLARE_METATYPE(Input)
Q_DECLARE_METATYPE(std::optional<platform::Rgb>)

class TestWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { InstallFontSubstitutions(); }

    void firstStart() {
        WindowFixture f;
        f.open();
        QCOMPARE(f.state().ComPortNo, 0);
        QCOMPARE(f.ui().cmbBaudRate->currentText(), Q("19200,e,8,1"));
        CheckCaptions(f, English);
        QCOMPARE(f.comm(), LampRed);
        QCOMPARE(f.ui().shCard->brushColor(), LampWhite);
        QCOMPARE(f.window->size(), QSize(560, 468));
        QCOMPARE(f.window->minimumSize(), f.window->maximumSize());
        QVERIFY(!(f.window->windowFlags() & Qt::WindowCloseButtonHint));
        QVERIFY(!(f.window->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(!(f.window->windowFlags() & Qt::WindowContextHelpButtonHint));
        QCOMPARE(f.ui().cmbParity->currentIndex(), -1);
        QCOMPARE(f.ui().cmbMode->currentIndex(), 0);
        QCOMPARE(f.ui().cmbWiegand->currentIndex(), 0);
        QCOMPARE(f.ui().cmbRS485->currentIndex(), 1);
        QVERIFY(f.ui().chkLock->isChecked());
        QCOMPARE(f.ui().sbID->value(), 1);
        QCOMPARE(f.ui().sbKey->value(), 4);
        QCOMPARE(f.ui().pnKey->text(), Q("__")); // the start position is not shown until it moves
        QCOMPARE(f.ui().pnMsg->geometry(), QRect(8, 4, 345, 40));
        QCOMPARE(f.ui().btnFactoryW26->geometry(), QRect(4, 6, 165, 291));
        QCOMPARE(f.ui().pnVELNO->text(), Q("VELNO Technology Corp.   www.velno.com.tw"));
    }

    void savedSettingsAtStart_data() {
        QTest::addColumn<QVariantMap>("values");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("settings");
        QTest::addColumn<int>("shownIndex");
        QTest::addColumn<const Expected*>("captions");
        QTest::newRow("all saved") << QVariantMap{{"ScanCommNo", 4},
                                                  {"ScanBaudRateNo", 7},
                                                  {"ScanBaudRate", "38400,e,8,1"},
                                                  {"LanguageFlag", "ChineseBIG5"}}
                                   << 4 << "38400,e,8,1" << 7 << &Traditional;
        QTest::newRow("ChineseGB") << QVariantMap{{"LanguageFlag", "ChineseGB"}} << 0 << "19200,e,8,1" << 5
                                   << &Simplified;
        QTest::newRow("language in small letters")
            << QVariantMap{{"LanguageFlag", "chinesegb"}} << 0 << "19200,e,8,1" << 5 << &English;
        QTest::newRow("port saved as text stops the reads") << QVariantMap{{"ScanCommNo", "3"},
                                                                           {"ScanBaudRateNo", 7},
                                                                           {"ScanBaudRate", "38400,e,8,1"},
                                                                           {"LanguageFlag", "ChineseGB"}}
                                                            << 0 << "19200,e,8,1" << 5 << &English;
        QTest::newRow("text without index")
            << QVariantMap{{"ScanBaudRate", "9600,n,8,1"}} << 0 << "9600,n,8,1" << 5 << &English;
        QTest::newRow("index out of range") << QVariantMap{{"ScanBaudRateNo", 42}, {"ScanBaudRate", "9600,n,8,1"}} << 0
                                            << "9600,n,8,1" << 5 << &English;
        QTest::newRow("negative index") << QVariantMap{{"ScanBaudRateNo", -1}} << 0 << "19200,e,8,1" << 5 << &English;
    }
    void savedSettingsAtStart() {
        QFETCH(QVariantMap, values);
        QFETCH(int, port);
        QFETCH(QString, settings);
        QFETCH(int, shownIndex);
        QFETCH(const Expected*, captions);
        WindowFixture f;
        f.store.keyExists = true;
        for (auto it = values.begin(); it != values.end(); ++it) {
            if (it.value().typeId() == QMetaType::Int)
                f.store.values[it.key().toStdString()] = static_cast<std::int32_t>(it.value().toInt());
            else
                f.store.values[it.key().toStdString()] = it.value().toString().toStdString();
        }
        f.open();
        QCOMPARE(f.state().ComPortNo, port);
        QCOMPARE(QString::fromStdString(f.state().ComSettings), settings);
        QCOMPARE(f.ui().cmbBaudRate->currentIndex(), shownIndex);
        CheckCaptions(f, *captions);
    }

    void languageSwitch_data() {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("saved");
        QTest::addColumn<const Expected*>("captions");
        QTest::addColumn<QString>("idOk");
        QTest::newRow("Simplified") << 1 << "ChineseGB" << &Simplified << Q("设定读卡机编号完成");
        QTest::newRow("Traditional") << 2 << "ChineseBIG5" << &Traditional << Q("設定讀卡機編號完成");
        QTest::newRow("English again") << 0 << "English" << &English << Q("Set Reader ID Ok");
    }
    void languageSwitch() {
        QFETCH(int, button);
        QFETCH(QString, saved);
        QFETCH(const Expected*, captions);
        QFETCH(QString, idOk);
        WindowFixture f;
        QVERIFY(f.scanned());
        const QString id = f.ui().pnID->text();
        QAbstractButton* buttons[] = {f.ui().btnEng, f.ui().btnGB, f.ui().btnBIG5};
        QTest::mouseClick(buttons[button], Qt::LeftButton);
        QCOMPARE(QString::fromStdString(std::get<std::string>(f.store.values.at("LanguageFlag"))), saved);
        CheckCaptions(f, *captions);
        QCOMPARE(f.ui().pnID->text(), id);
        QCOMPARE(f.ui().pnVersion->text().right(11), Q(" : __.__-__"));
        f.window->btnIDClick(); // no new scan needed
        QCOMPARE(f.ui().pnMsg->text(), idOk);

        // The next start comes up in the saved language.
        f.window.reset();
        f.open();
        CheckCaptions(f, *captions);
    }

    // A settings key that cannot be written: the window goes on as if it had been, and says where, for the terminal.
    void settingsNotSaved_data() {
        QTest::addColumn<bool>("scan"); // else a language button
        QTest::newRow("language") << false;
        QTest::newRow("where the scan found the reader") << true;
    }
    void settingsNotSaved() {
        QFETCH(bool, scan);
        WindowFixture f;
        f.store.refuseCreate = true;
        f.readerOn(2);
        f.open();
        QStringList told;
        f.window->settingsNotSaved = [&](const std::string& location) { told << QString::fromStdString(location); };
        if (scan) {
            f.window->btnScanClick();
            QVERIFY(f.state().ReaderFound);
        } else {
            f.window->btnBIG5Click();
            CheckCaptions(f, Traditional);
        }
        QVERIFY(f.store.values.empty());
        QCOMPARE(told, QStringList{"memory"});
    }

    void outcomeSignals_data() {
        QTest::addColumn<bool>("success");
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<unsigned>("hz");
        QTest::newRow("success") << true << LampYellow << SuccessBeepHz;
        QTest::newRow("failure") << false << LampRed << FailureBeepHz;
    }
    void outcomeSignals() {
        QFETCH(bool, success);
        QFETCH(QColor, colour);
        QFETCH(unsigned, hz);
        WindowFixture f;
        f.open();
        f.window->PaintComm(success ? LampRed : LampYellow);
        operations::EnterBusy(*f.window);
        QVERIFY(!f.window->inputEnabled());
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
        success ? operations::SuccessSignal(*f.window, "done") : operations::FailureSignal(*f.window, "failed");
        QCOMPARE(f.comm(), colour);
        QCOMPARE(f.ui().pnMsg->text(), Q(success ? "done" : "failed"));
        QCOMPARE(f.system.beeps().size(), std::size_t{1});
        QCOMPARE(f.system.beeps()[0].frequencyHz, hz);
        QCOMPARE(f.system.beeps()[0].durationMs, 300u);
        QVERIFY(f.window->inputEnabled());
        QVERIFY(!QApplication::overrideCursor());
    }

    void resultOnScreenForTheTone() {
        // At each tone the screen (the window's backing store) must show what the window holds by then: the
        // result's message and lamp. Noted is pnMsg at each tone that sounded over an older picture.
        WindowFixture f;
        QStringList stale;
        f.system.onBeep = [&](const platform::VirtualSystem::BeepRecord&) {
            const auto picture = [](const QPixmap& pixmap) {
                return pixmap.toImage().convertToFormat(QImage::Format_RGB32);
            };
            if (picture(f.window->screen()->grabWindow(f.window->winId())) != picture(f.window->grab()))
                stale << f.ui().pnMsg->text();
        };
        QVERIFY(f.scanned());
        f.window->btnIDClick();
        f.reader.faults.muted['C'] = -1;
        f.window->btnIDClick();
        QCOMPARE(f.system.beeps().size(), std::size_t{3});
        QCOMPARE(stale.join(QStringLiteral(" | ")), QString());
    }

    void blinkingPhaseCarriesAcrossRuns() {
        WindowFixture f;
        f.open();
        f.window->SetBusy(1);
        QVERIFY(f.window->tmrBusy->isActive());
        QCOMPARE(f.window->tmrBusy->interval(), 200);
        QVERIFY(!f.window->inputEnabled());
        f.window->tmrBusyTimer();
        QCOMPARE(f.comm(), LampRed);
        f.window->tmrBusyTimer();
        QCOMPARE(f.comm(), LampYellow);
        f.window->tmrBusyTimer();
        QCOMPARE(f.comm(), LampRed);
        f.window->SetBusy(0);
        QVERIFY(!f.window->tmrBusy->isActive());
        QVERIFY(f.window->inputEnabled());
        f.window->SetBusy(2); // anything but 1 is off
        QVERIFY(f.window->inputEnabled());
        f.window->SetBusy(1);
        f.window->tmrBusyTimer();
        QCOMPARE(f.comm(), LampYellow);
        f.window->SetBusy(0);
    }

    void closesOnlyThroughExit() {
        WindowFixture f;
        f.open();
        QVERIFY(!f.window->close());
        QVERIFY(f.window->isVisible());
        QTest::keyClick(f.window.get(), Qt::Key_Escape);
        QVERIFY(f.window->isVisible());
        QTest::mouseClick(f.ui().btnExit, Qt::LeftButton);
        QVERIFY(!f.window->isVisible());
        QCOMPARE(f.window->result(), int(QDialog::Accepted));
        QVERIFY(f.store.values.empty()); // nothing is saved at exit
    }

    void enterStartsTheScan() {
        WindowFixture f;
        f.readerOn(1);
        f.open();
        QApplication::setActiveWindow(f.window.get());
        f.ui().sbID->setFocus();
        QTest::keyClick(f.window.get(), Qt::Key_Return);
        QVERIFY(!f.commands().empty());
        QCOMPARE(f.commands().front(), std::string("H00B"));
        QVERIFY(f.state().ReaderFound);
    }

    void enterOnAFocusedButtonPressesThatButton_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::newRow("btnID, Return") << "btnID" << int(Qt::Key_Return) << Qt::KeyboardModifiers();
        QTest::newRow("btnFactoryW26, Return") << "btnFactoryW26" << int(Qt::Key_Return) << Qt::KeyboardModifiers();
        QTest::newRow("btnFactoryW26, keypad Enter")
            << "btnFactoryW26" << int(Qt::Key_Enter) << Qt::KeyboardModifiers(Qt::KeypadModifier);
        QTest::newRow("btnFactoryW26, Space") << "btnFactoryW26" << int(Qt::Key_Space) << Qt::KeyboardModifiers();
    }
    void enterOnAFocusedButtonPressesThatButton() {
        QFETCH(QString, button);
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        WindowFixture f;
        f.readerOn(1);
        f.open();
        QApplication::setActiveWindow(f.window.get());
        auto* pressed = f.window->findChild<QAbstractButton*>(button);
        QSignalSpy clicked(pressed, &QAbstractButton::clicked);
        QVERIFY(clicked.isValid());
        pressed->setFocus();
        QTest::keyClick(f.window->windowHandle(), Qt::Key(key), modifiers);
        QCOMPARE(clicked.count(), 1);
        QVERIFY(f.commands().empty()); // the operation's refusal, not a scan
        QCOMPARE(f.lastBeepHz(), FailureBeepHz);
    }

    void focusSurvivesAnOperation_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<bool>("byEnter");
        QTest::addColumn<bool>("scanFirst");
        QTest::newRow("btnScan, clicked") << "btnScan" << false << false;
        QTest::newRow("btnScan, Enter") << "btnScan" << true << false;
        QTest::newRow("btnID refused, Enter") << "btnID" << true << false;
        QTest::newRow("btnID refused, clicked") << "btnID" << false << false;
        QTest::newRow("btnKey, Enter") << "btnKey" << true << true;
        QTest::newRow("btnBaudRate, clicked") << "btnBaudRate" << false << true;
        QTest::newRow("btnMode, Enter") << "btnMode" << true << true;
        QTest::newRow("btnParity, clicked") << "btnParity" << false << true;
        QTest::newRow("btnFactoryW26, clicked") << "btnFactoryW26" << false << true;
        QTest::newRow("btnFactoryW26 refused, Enter") << "btnFactoryW26" << true << false;
    }
    void focusSurvivesAnOperation() {
        QFETCH(QString, button);
        QFETCH(bool, byEnter);
        QFETCH(bool, scanFirst);
        WindowFixture f;
        if (scanFirst) {
            QVERIFY(f.scanned());
        } else {
            f.readerOn(1);
            f.open();
        }
        QApplication::setActiveWindow(f.window.get());
        auto* pressed = f.window->findChild<QAbstractButton*>(button);
        QSignalSpy clicked(pressed, &QAbstractButton::clicked);
        QVERIFY(clicked.isValid());
        f.ui().sbID->setFocus(); // so that a click has to move the focus
        if (byEnter) {
            pressed->setFocus();
            QTest::keyClick(f.window->windowHandle(), Qt::Key_Return);
        } else {
            ClickOn(f, pressed);
        }
        QCOMPARE(clicked.count(), 1);
        QCOMPARE(QApplication::focusWidget(), pressed);
        // A second Enter presses the same button, not btnScan.
        QTest::keyClick(f.window->windowHandle(), Qt::Key_Return);
        QCOMPARE(clicked.count(), 2);
        QCOMPARE(QApplication::focusWidget(), pressed);
    }

    void busyKeepsTheLook_data() {
        QTest::addColumn<bool>("blinking");
        QTest::newRow("standard operation") << false;
        QTest::newRow("blinking lamp") << true;
    }
    void busyKeepsTheLook() {
        QFETCH(bool, blinking);
        WindowFixture f;
        f.open();
        const QImage idle = f.window->grab().toImage();
        blinking ? f.window->SetBusy(1) : operations::EnterBusy(*f.window);
        QVERIFY(!f.window->inputEnabled());
        const QImage busy = f.window->grab().toImage();
        blinking ? f.window->SetBusy(0) : operations::SuccessSignal(*f.window, f.ui().pnMsg->text().toStdString());
        QVERIFY(busy == idle);
    }

    void noInputWhileBusy_data() {
        QTest::addColumn<Input>("input");
        QTest::addColumn<QString>("focus");
        QTest::addColumn<bool>("servedWhileBusy");
        QTest::addColumn<QString>("control"); // what the same input presses once the window is idle
        const Input click = [](WindowFixture& f) { ClickOn(f, f.ui().btnID); };
        const Input space = [](WindowFixture& f) { QTest::keyClick(f.window->windowHandle(), Qt::Key_Space); };
        const Input enter = [](WindowFixture& f) { QTest::keyClick(f.window->windowHandle(), Qt::Key_Return); };
        const Input wheel = [](WindowFixture& f) {
            const QPointF at = CentreIn(f, f.ui().sbID);
            QWheelEvent turn(at, f.window->mapToGlobal(at), {}, {0, -120}, Qt::NoButton, Qt::NoModifier,
                             Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(f.window->windowHandle(), &turn);
        };
        const Input queuedClick = [](WindowFixture& f) {
            const QPointF at = CentreIn(f, f.ui().btnID);
            const QPointF global = f.window->mapToGlobal(at);
            QCoreApplication::postEvent(f.window->windowHandle(),
                                        new QMouseEvent(QEvent::MouseButtonPress, at, at, global, Qt::LeftButton,
                                                        Qt::LeftButton, Qt::NoModifier));
            QCoreApplication::postEvent(f.window->windowHandle(),
                                        new QMouseEvent(QEvent::MouseButtonRelease, at, at, global, Qt::LeftButton,
                                                        Qt::NoButton, Qt::NoModifier));
        };
        const Input queuedSpace = [](WindowFixture& f) {
            QCoreApplication::postEvent(f.ui().btnID, new QKeyEvent(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier));
            QCoreApplication::postEvent(f.ui().btnID, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier));
        };
        QTest::newRow("click") << click << "btnScan" << true << "btnID";
        QTest::newRow("Space on a focused button") << space << "btnID" << true << "btnID";
        QTest::newRow("Enter") << enter << "sbID" << true << "btnScan";
        QTest::newRow("wheel") << wheel << "btnScan" << true << "sbID";
        QTest::newRow("click served while busy") << queuedClick << "btnScan" << true << "btnID";
        QTest::newRow("click still queued at the end") << queuedClick << "btnScan" << false << "btnID";
        QTest::newRow("Space still queued at the end") << queuedSpace << "btnID" << false << "btnID";
    }
    void noInputWhileBusy() {
        QFETCH(Input, input);
        QFETCH(bool, servedWhileBusy);
        QFETCH(QString, focus);
        QFETCH(QString, control);
        WindowFixture f;
        f.open();
        QApplication::setActiveWindow(f.window.get());
        QWidget* const focused = f.window->findChild<QWidget*>(focus);
        focused->setFocus();
        QStringList pressed;
        QObject context;
        for (QAbstractButton* button : f.window->findChildren<QAbstractButton*>())
            QObject::connect(button, &QAbstractButton::pressed, &context,
                             [&pressed, button] { pressed << button->objectName(); });
        for (QScrollBar* bar : f.window->findChildren<QScrollBar*>())
            QObject::connect(bar, &QScrollBar::valueChanged, &context,
                             [&pressed, bar] { pressed << bar->objectName(); });

        f.window->SetBusy(1);
        input(f);
        if (servedWhileBusy)
            QCoreApplication::processEvents();
        f.window->SetBusy(0);
        QCoreApplication::processEvents();
        QCOMPARE(pressed, QStringList());
        QCOMPARE(QApplication::focusWidget(), focused);
        QVERIFY(f.system.beeps().empty());

        // The same input reaches its control in the idle window.
        input(f);
        QCoreApplication::processEvents();
        QCOMPARE(pressed.value(0), control);
    }

    void pressEndsWhenBusyBegins_data() {
        QTest::addColumn<QString>("control");
        QTest::addColumn<bool>("setId"); // the operation: Set Reader ID, else a scan
        QTest::newRow("sbID's right arrow, scan") << "sbID" << false;
        QTest::newRow("sbKey's right arrow, scan") << "sbKey" << false;
        QTest::newRow("chkLock, scan") << "chkLock" << false;
        QTest::newRow("sbID's right arrow, Set Reader ID") << "sbID" << true;
        QTest::newRow("cmbBaudRate's open list, scan") << "cmbBaudRate" << false;
    }
    void pressEndsWhenBusyBegins() {
        QFETCH(QString, control);
        QFETCH(bool, setId);
        WindowFixture f;
        f.reader.state.id = "05";
        QVERIFY(f.scanned());
        auto* pressed = f.window->findChild<QWidget*>(control);
        const QPoint at = pressed->mapTo(f.window.get(), QPoint(pressed->width() - 4, pressed->height() / 2));
        QTest::mousePress(f.window->windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
        f.system.onFrame = [&](const platform::VirtualSystem::FrameRecord&) { // let go during the operation
            if (QGuiApplication::mouseButtons())
                QTest::mouseRelease(f.window->windowHandle(), Qt::LeftButton, Qt::NoModifier, at);
        };
        setId ? f.window->btnIDClick() : f.window->btnScanClick();
        QTest::qWait(800); // a bar held on its arrow steps on a wall-clock timer from 500 ms on
        QCOMPARE(f.ui().pnID->text(), Q(setId ? "06" : "05")); // Set Reader ID sends the press's one step
        QCOMPARE(f.ui().pnKey->text(), Q("04"));
        QVERIFY(f.ui().chkLock->isChecked() && !f.ui().chkLock->isDown());
    }

    void tabOrder_data() {
        QTest::addColumn<bool>("backwards");
        QTest::newRow("Tab") << false;
        QTest::newRow("Shift+Tab") << true;
    }
    void tabOrder() {
        QFETCH(bool, backwards);
        WindowFixture f;
        f.open();
        QApplication::setActiveWindow(f.window.get());
        QStringList expected{"btnScan", "sbID",          "btnID",     "cmbBaudRate", "btnBaudRate",
                             "cmbMode", "cmbWiegand",    "cmbRS485",  "btnMode",     "btnReadCard",
                             "btnExit", "btnFactoryW26", "btnEng",    "btnGB",       "btnBIG5",
                             "btnKey",  "sbKey",         "cmbParity", "btnParity",   "chkLock"};
        if (backwards)
            std::reverse(expected.begin() + 1, expected.end());
        // The stops that the keyboard really reaches, not the widgets' own chain.
        f.ui().btnScan->setFocus();
        QStringList stops{QApplication::focusWidget()->objectName()};
        for (int i = 0; i < 2 * expected.size(); ++i) {
            QTest::keyClick(f.window->windowHandle(), Qt::Key_Tab, backwards ? Qt::ShiftModifier : Qt::NoModifier);
            const QWidget* focus = QApplication::focusWidget();
            if (focus == f.ui().btnScan)
                break;
            stops << (focus ? focus->objectName() : QStringLiteral("(none)"));
        }
        QCOMPARE(stops, expected);
    }

    void messagePanelInTheCaptionColour_data() {
        QTest::addColumn<std::optional<platform::Rgb>>("system");
        QTest::addColumn<QColor>("shown");
        QTest::newRow("desktop without one") << std::optional<platform::Rgb>() << QColor(0, 0, 128);
        QTest::newRow("desktop colour") << std::optional<platform::Rgb>(platform::Rgb{153, 180, 209})
                                        << QColor(153, 180, 209);
    }
    void messagePanelInTheCaptionColour() {
        QFETCH(std::optional<platform::Rgb>, system);
        QFETCH(QColor, shown);
        WindowFixture f;
        f.system.activeCaption = system;
        f.open();
        QCOMPARE(f.ui().pnMsg->palette().color(QPalette::Window), shown);
        QCOMPARE(f.ui().pnMsg->palette().color(QPalette::WindowText), QColor(Qt::white));
    }

    void captionsFitTheirControls_data() {
        QTest::addColumn<int>("language");
        QTest::newRow("English") << 0;
        QTest::newRow("Simplified") << 1;
        QTest::newRow("Traditional") << 2;
    }
    void captionsFitTheirControls() {
        QFETCH(int, language);
        WindowFixture f;
        f.open();
        f.window->btnEngClick();
        if (language == 1)
            f.window->btnGBClick();
        if (language == 2)
            f.window->btnBIG5Click();
        QStringList overflowing;
        const auto check = [&](QWidget* control, const QString& text, int room) {
            const int width = QFontMetrics(control->font()).horizontalAdvance(text);
            if (width > room)
                overflowing << QStringLiteral("%1: %2 > %3").arg(control->objectName()).arg(width).arg(room);
        };
        for (QLabel* label : f.window->findChildren<QLabel*>())
            check(label, label->text(), label->width() - 2 * label->frameWidth());
        for (QAbstractButton* button : f.window->findChildren<QAbstractButton*>()) {
            if (button->text().isEmpty() || button == f.ui().chkLock)
                continue;
            const bool beside = qobject_cast<QPushButton*>(button) && !button->icon().isNull();
            check(button, button->text(), button->width() - 8 - (beside ? button->iconSize().width() + 4 : 0));
        }
        check(f.ui().gbDefault, f.ui().gbDefault->title(), f.ui().gbDefault->width() - 16);
        // Messages that operations show in pnMsg, with the longest values they carry.
        const QString messages[] = {Tr(txInfoError) + Q(" : #16)"), Tr(txSetBaud) + Q(" = 115200,n,8,1"),
                                    Tr(txSetDefaultW26Error), Tr(txOpenCom) + Q(" : 16 ") + Tr(txError),
                                    Tr(txSetMode) + Q(" = Wiegand 26")};
        for (const QString& message : messages)
            check(f.ui().pnMsg, message, f.ui().pnMsg->width() - 2 - f.ui().shComm->width());
        QVERIFY2(overflowing.isEmpty(), qPrintable(overflowing.join(QStringLiteral("; "))));
        f.window->btnEngClick();
    }

    void groupTitleNotClipped_data() { captionsFitTheirControls_data(); }
    void groupTitleNotClipped() {
        // Qt's Windows styles clip the title to its rectangle, which they size by the Latin face, while the Han
        // characters come from a taller face; whatever the style, the title's rectangle must hold the tallest.
        QFETCH(int, language);
        WindowFixture f;
        f.open();
        if (language == 1)
            f.window->btnGBClick();
        else if (language == 2)
            f.window->btnBIG5Click();
        QGroupBox* box = f.ui().gbDefault;
        for (QStyle* style : {QStyleFactory::create(Q("Windows")), QStyleFactory::create(Q("Fusion"))}) {
            QVERIFY(style);
            FitGroupBoxTitle(box, style);
            QStyleOptionGroupBox option;
            option.initFrom(box);
            option.text = box->title();
            option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
            const QRect title =
                box->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, box);
            // The line the title is drawn on, with the fallback faces that draw its Han characters.
            const int line = box->fontMetrics().boundingRect(box->title()).height();
            QVERIFY2(title.height() >= line,
                     qPrintable(QStringLiteral("%1: %2 < %3").arg(style->name()).arg(title.height()).arg(line)));
        }
        f.window->btnEngClick();
    }

    void chineseFacePerLanguage() {
        WindowFixture f;
        f.open();
        f.window->btnGBClick();
        QVERIFY(f.ui().btnScan->font().families().contains(Q("Noto Sans CJK SC")));
        f.window->btnBIG5Click();
        QVERIFY(f.ui().btnScan->font().families().contains(Q("Noto Sans CJK TC")));
        // The Latin face leads: the Han faces' own Latin letters are wider.
        const QString latin = f.ui().btnScan->font().families().first();
        QVERIFY2(latin == Q("MS Sans Serif") || latin == Q("Microsoft Sans Serif"), qPrintable(latin));
        f.window->btnEngClick();
    }
};

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
